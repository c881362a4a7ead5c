// SPDX-License-Identifier: MIT
#include "FakePlatform.h"

#include "TimeText.h"

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

QTime FakePlatform::currentTime()
{
    failIfAsked(QStringLiteral("currentTime"));
    return time;
}

QString FakePlatform::currentTimeText()
{
    failIfAsked(QStringLiteral("currentTimeText"));
    return clockTimeText(time, locale);
}

void FakePlatform::messageBox(const QString &prompt, const QString &title)
{
    failIfAsked(QStringLiteral("messageBox"));
    calls << QStringLiteral("box:") + title + QStringLiteral("|") + prompt;
    if (whileBoxOpen)
        whileBoxOpen();
}

std::unique_ptr<Voice> FakePlatform::createVoice()
{
    failIfAsked(QStringLiteral("createVoice"));
    calls << QStringLiteral("voice");
    return std::make_unique<FakeVoice>(*this);
}

void FakePlatform::beep(int frequencyHz, int durationMs)
{
    failIfAsked(QStringLiteral("beep"));
    calls << QStringLiteral("beep:%1 %2").arg(frequencyHz).arg(durationMs);
}

QString FakePlatform::programDirectory()
{
    failIfAsked(QStringLiteral("programDirectory"));
    return programDir;
}

QString FakePlatform::runtimeDirectory()
{
    failIfAsked(QStringLiteral("runtimeDirectory"));
    return runtimeDir;
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
