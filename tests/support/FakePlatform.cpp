// SPDX-License-Identifier: MIT
#include "FakePlatform.h"

#include "DesktopNotifications.h"

#include <QFileInfo>

class FakeVoice final : public Voice
{
public:
    explicit FakeVoice(FakePlatform &platform) : m_platform(platform) { ++m_platform.liveVoices; }
    ~FakeVoice() override
    {
        --m_platform.liveVoices;
        m_platform.calls << QStringLiteral("release voice");
    }
    void Speak(const QString &text) override
    {
        m_platform.failIfAsked(QStringLiteral("speak"));
        m_platform.calls << QStringLiteral("speak:") + text;
    }

private:
    FakePlatform &m_platform;
};

void FakePlatform::failIfAsked(const QString &operation) const
{
    if (failing.contains(operation))
        throw PlatformError(operation.toStdString() + " failed");
}

QStringList FakePlatform::callsStartingWith(const QString &prefix) const
{
    QStringList matching;
    for (const QString &call : calls) {
        if (call.startsWith(prefix))
            matching << call;
    }
    return matching;
}

void FakePlatform::advance(int milliseconds)
{
    time = time.addMSecs(milliseconds);
    awakeMs += milliseconds;
    realMs += milliseconds;
}

void FakePlatform::sleep(int milliseconds)
{
    time = time.addMSecs(milliseconds);
    realMs += milliseconds;
}

void FakePlatform::shiftZone(int seconds)
{
    time = time.addSecs(seconds);
    utcOffsetSeconds += seconds;
}

QList<Notice> FakePlatform::openNotices() const
{
    QList<Notice> open;
    for (const PostedNotice &posted : notices) {
        if (posted.open)
            open << posted.notice;
    }
    return open;
}

void FakePlatform::pickAction(int handle)
{
    PostedNotice &posted = notices[handle - 1];
    posted.open = false;
    if (posted.onAction)
        posted.onAction();
}

void FakePlatform::messageBox(const QString &prompt, const QString &title)
{
    failIfAsked(QStringLiteral("messageBox"));
    calls << QStringLiteral("box:") + title + QStringLiteral("|") + prompt;
    if (whileBoxOpen)
        whileBoxOpen();
}

std::unique_ptr<Voice> FakePlatform::createVoice(const std::string &language)
{
    failIfAsked(QStringLiteral("createVoice"));
    calls << QStringLiteral("voice");
    voiceLanguages << QString::fromStdString(language);
    return std::make_unique<FakeVoice>(*this);
}

void FakePlatform::beep(int frequencyHz, int durationMs)
{
    failIfAsked(QStringLiteral("beep"));
    calls << QStringLiteral("beep:%1 %2").arg(frequencyHz).arg(durationMs);
}

void FakePlatform::writeFile(const QString &path, const QByteArray &content)
{
    failIfAsked(QStringLiteral("writeFile"));
    if (readOnlyDirectories.contains(QFileInfo(path).path()))
        throw PlatformError("read-only directory");
    calls << QStringLiteral("write:") + path;
    files[path] = content;
}

void FakePlatform::startScript(const QString &path)
{
    failIfAsked(QStringLiteral("startScript"));
    calls << QStringLiteral("start:") + path;
}

int FakePlatform::postNotice(const Notice &notice, std::function<void()> onAction)
{
    notices << PostedNotice{notice, onAction};
    const int handle = int(notices.size());
    if (desktopNotices)
        m_desktopHandles[handle] = desktopNotices->post(notice, [this, handle] { pickAction(handle); });
    return handle;
}

void FakePlatform::withdrawNotice(int handle)
{
    notices[handle - 1].open = false;
    if (desktopNotices && m_desktopHandles.contains(handle))
        desktopNotices->withdraw(m_desktopHandles.take(handle));
}

void FakePlatform::printError(const QString &line)
{
    errors << line;
}

void FakePlatform::holdOffIdleSleep(const QString &reason)
{
    idleSleepHeldFor = reason;
    idleSleepReasons << reason;
}

void FakePlatform::wakeFromSleep(std::function<qint64()> wakeDelay, std::function<void()> cannotWake)
{
    m_wakeDelay = std::move(wakeDelay);
    m_cannotWake = std::move(cannotWake);
}

std::optional<qint64> FakePlatform::announceSleep()
{
    if (!m_wakeDelay)
        return std::nullopt;
    const qint64 delay = m_wakeDelay();
    if (canWake)
        return delay;
    m_cannotWake();
    return std::nullopt;
}

qint64 FakePlatform::secondsUntil(const QTime &at)
{
    const int ms = time.msecsTo(at);
    return ((ms > 0 ? ms : ms + 24 * 3'600'000) + 999) / 1000;
}
