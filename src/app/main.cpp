// SPDX-License-Identifier: MIT
#include "Alarm.h"
#include "AppIdentity.h"
#include "DecoratedFrame.h"
#include "DesktopPlatform.h"
#include "RepeatFilter.h"

#include <QApplication>
#include <QIcon>

#include <QScreen>
#include <QStyle>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace {

// Qt reports a display it cannot reach as a platform plugin it cannot initialise, advises
// reinstalling and aborts. That sends the user the wrong way, so the program says what is missing.
constexpr const char *kHowToRun = "run it in a desktop session, or over ssh with X forwarding (ssh -X)";

QtMessageHandler g_qtHandler = nullptr;
bool g_displayRefused = false;
// Qt may warn at every tick of a step that keeps failing; each warning reaches standard error once.
// Messages come from Qt's own threads too.
RepeatFilter g_qtMessagesTold;
std::mutex g_qtMessagesLock;

// Whether Qt will look for an X display: its default platform here, or the one asked for.
bool usesX11()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return platform.isEmpty() || platform.startsWith("xcb");
}

QByteArray shown(const char *variable)
{
    return qEnvironmentVariableIsEmpty(variable) ? QByteArray("not set") : "\"" + qgetenv(variable) + "\"";
}

// Installed only while QApplication connects: a refused display ends the program with one line.
void reportUnreachableDisplay(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("could not connect to display")) ||
        message.contains(QLatin1String("Failed to create wl_display")))
        g_displayRefused = true;
    if (type == QtFatalMsg && g_displayRefused) {
        std::fprintf(stderr, "alarm: cannot connect to the display (DISPLAY %s, WAYLAND_DISPLAY %s); %s\n",
                     shown("DISPLAY").constData(), shown("WAYLAND_DISPLAY").constData(), kHowToRun);
        std::_Exit(EXIT_FAILURE);
    }
    g_qtHandler(type, context, message);
}

void tellOnce(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        const std::lock_guard lock(g_qtMessagesLock);
        if (type != QtFatalMsg && !g_qtMessagesTold.letThrough(message))
            return;
    }
    g_qtHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    if (usesX11() && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "alarm: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; %s\n",
                     kHowToRun);
        return EXIT_FAILURE;
    }
    g_qtHandler = qInstallMessageHandler(reportUnreachableDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(tellOnce);

    app.setApplicationName(QStringLiteral("alarm"));
    // The menu entry is installed under the application id; shells match windows to it by this.
    app.setDesktopFileName(QString::fromLatin1(kAppId));
    app.setWindowIcon(applicationIcon());

    DesktopPlatform platform;
    // Before the window, so that the window, its child there, goes first when main returns.
    std::unique_ptr<DecoratedFrame> frame;
    Alarm window(platform);
    if (DecoratedFrame::needed()) {
        frame = std::make_unique<DecoratedFrame>(&window);
        window.show(); // greets first, then appears with the frame
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            frame->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frame->size(),
                                                   screen->availableGeometry()));
        frame->show();
    } else {
        window.show();
    }
    return app.exec();
}
