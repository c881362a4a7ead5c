// SPDX-License-Identifier: MIT
#include "BusLink.h"
#include "DesktopNotifications.h"
#include "DesktopPlatform.h"

#include <QCoreApplication>

#include <cstdio>

DesktopNotifications &DesktopPlatform::notices()
{
    if (!m_notices)
        m_notices = std::make_unique<DesktopNotifications>(
            std::make_unique<BusLink>(BusLink::sessionBusAddress(), QStringLiteral("alarm-notices")),
            [this](const QString &line) { printError(line); });
    return *m_notices;
}

int DesktopPlatform::postNotice(const Notice &notice, std::function<void()> onAction)
{
    return notices().post(notice, std::move(onAction));
}

void DesktopPlatform::withdrawNotice(int handle)
{
    notices().withdraw(handle);
}

void DesktopPlatform::printError(const QString &line)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 line.toLocal8Bit().constData());
    std::fflush(stderr);
}

void DesktopPlatform::printErrorOnce(const QString &line)
{
    if (m_told.letThrough(line))
        printError(line);
}
