// SPDX-License-Identifier: MIT
#include "BusLink.h"
#include "DesktopNotifications.h"
#include "DesktopPlatform.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

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

void DesktopPlatform::markUrgent(QWidget &window, bool urgent)
{
    // The frame ALARM draws around the window under Wayland is the window to the desktop.
    QWidget *topLevel = window.window();
    if (urgent) {
        QApplication::alert(topLevel, 0);
        return;
    }
    // Qt takes the mark away itself only once the window is active; for the rest it has no public
    // call, but the slot behind a timed alert does just that.
    if (QWindow *handle = topLevel->windowHandle())
        QMetaObject::invokeMethod(handle, "_q_clearAlert");
}
