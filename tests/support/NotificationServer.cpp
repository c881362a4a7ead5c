// SPDX-License-Identifier: MIT
#include "NotificationServer.h"

#include <QFile>
#include <QJsonDocument>

#include <csignal>

#include <sys/prctl.h>

namespace {

// No service directory, so the bus can start nothing of its own: a notification daemon installed
// on the machine must not answer in place of the test's service.
const char *const kBusConfig =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

void endWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

bool waitForLine(QProcess &process)
{
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(10'000))
            return false;
    }
    return true;
}

} // namespace

NotificationServer::NotificationServer()
{
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!m_dir.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(QString::fromLatin1(kBusConfig).arg(m_dir.path()).toUtf8()) < 0)
        qFatal("cannot write the test bus configuration");
    file.close();

    endWithParent(m_bus);
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")});
    if (!waitForLine(m_bus))
        qFatal("the test bus did not start: %s", qPrintable(m_bus.errorString()));
    m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
}

NotificationServer::~NotificationServer()
{
    stop();
    m_bus.terminate();
    if (!m_bus.waitForFinished(5000)) {
        m_bus.kill();
        m_bus.waitForFinished();
    }
}

bool NotificationServer::start()
{
    stop();
    m_calls.clear();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    m_service.setProcessEnvironment(environment);
    m_service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithParent(m_service);
    m_service.start(QStringLiteral(NOTIFICATION_SERVER_PATH), {});
    // The service says it is ready once it holds its name.
    return waitForLine(m_service) && m_service.readLine().contains("ready");
}

void NotificationServer::stop()
{
    if (m_service.state() == QProcess::NotRunning)
        return;
    resume();
    calls();
    // Its input closing ends the service.
    m_service.closeWriteChannel();
    if (!m_service.waitForFinished(5000)) {
        m_service.kill();
        m_service.waitForFinished();
    }
}

QList<QJsonObject> NotificationServer::calls(const QString &method)
{
    while (m_service.canReadLine())
        m_calls << QJsonDocument::fromJson(m_service.readLine()).object();
    QList<QJsonObject> matching;
    for (const QJsonObject &call : m_calls) {
        if (method.isEmpty() || call.value(QStringLiteral("call")).toString() == method)
            matching << call;
    }
    return matching;
}

void NotificationServer::pickAction(int id, const QString &key)
{
    m_service.write(QStringLiteral("action %1 %2\n").arg(id).arg(key).toUtf8());
}

void NotificationServer::answer(const QString &how)
{
    m_service.write("answer " + how.toUtf8() + "\n");
}

QSet<int> NotificationServer::openIds()
{
    QSet<int> open;
    for (const QJsonObject &line : calls()) {
        if (line.value(QStringLiteral("call")).toString() == QLatin1String("Notify"))
            open.insert(line.value(QStringLiteral("id")).toInt());
        else if (line.contains(QStringLiteral("closed")))
            open.remove(line.value(QStringLiteral("closed")).toInt());
    }
    return open;
}

void NotificationServer::pause()
{
    ::kill(pid_t(m_service.processId()), SIGSTOP);
}

void NotificationServer::resume()
{
    ::kill(pid_t(m_service.processId()), SIGCONT);
}
