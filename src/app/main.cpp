// SPDX-License-Identifier: MIT
#include "Alarm.h"
#include "AppIdentity.h"
#include "CommandLine.h"
#include "DecoratedFrame.h"
#include "DesktopPlatform.h"
#include "RemoteControl.h"
#include "RepeatFilter.h"
#include "SessionInstance.h"
#include "Translation.h"

#include <QApplication>
#include <QHash>
#include <QIcon>
#include <QTimer>

#include <QScreen>
#include <QStyle>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

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

// Whether Qt will look for an X display: its default platform here, or the one asked for with
// -platform or QT_QPA_PLATFORM.
bool usesX11(const QStringList &toolkitArguments)
{
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    for (qsizetype i = 0; i < toolkitArguments.size(); ++i) {
        const QString &argument = toolkitArguments.at(i);
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform"))
            platform = toolkitArguments.value(i + 1);
        else if (argument.startsWith(QLatin1String("-platform=")) ||
                 argument.startsWith(QLatin1String("--platform=")))
            platform = argument.mid(argument.indexOf(QLatin1Char('=')) + 1);
    }
    return platform.isEmpty() || platform.startsWith(QLatin1String("xcb"));
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

// Shows the window, greeting first; under Wayland inside a frame of ALARM's own.
void showWindow(Alarm &window, std::unique_ptr<DecoratedFrame> &frame)
{
    if (!DecoratedFrame::needed()) {
        window.show();
        return;
    }
    frame = std::make_unique<DecoratedFrame>(&window);
    window.show(); // greets first, then appears with the frame
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        frame->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frame->size(),
                                               screen->availableGeometry()));
    frame->show();
}

// Hands a request to the ALARM that holds the session's name; prints what --status asks for.
int forward(SessionInstance &session, const CommandRequest &request)
{
    static const QHash<CommandRequest::Kind, QString> methods = {
        {CommandRequest::Alarm, QStringLiteral("ArmAlarm")},
        {CommandRequest::Shutdown, QStringLiteral("ArmShutdown")},
        {CommandRequest::Off, QStringLiteral("Cancel")},
        {CommandRequest::Status, QStringLiteral("GetState")},
    };
    QVariantList arguments;
    if (request.kind == CommandRequest::Alarm || request.kind == CommandRequest::Shutdown)
        arguments << request.time.toString(QStringLiteral("HH:mm"));
    QString error;
    const std::optional<QVariantList> answer =
        session.call(methods.value(request.kind, QStringLiteral("Show")), arguments, &error);
    if (!answer) {
        std::fprintf(stderr, "alarm: %s\n", qPrintable(error));
        return EXIT_FAILURE;
    }
    if (request.kind == CommandRequest::Status)
        std::printf("%s\n", qPrintable(RemoteControl::statusLine(answer->value(0).toString(),
                                                                 answer->value(1).toString())));
    return EXIT_SUCCESS;
}

// A request for the ALARM that runs, which is started first for a plan. Without one running there
// is nothing to cancel, and its state is idle.
int askTheRunningAlarm(SessionInstance &session, const CommandRequest &request)
{
    if (!session.running()) {
        if (request.kind == CommandRequest::Status)
            std::printf("idle\n");
        if (request.kind == CommandRequest::Status || request.kind == CommandRequest::Off)
            return EXIT_SUCCESS;
        QString reason;
        if (!session.startInBackground(request.toolkitArguments, &reason)) {
            std::fprintf(stderr, "alarm: %s\n", qPrintable(reason));
            return EXIT_FAILURE;
        }
    }
    return forward(session, request);
}

// The window of this session's one ALARM, or the request handed to the one that runs.
int run(const CommandRequest &request)
{
    SessionInstance session;
    QString busTrouble;
    const bool onBus = session.joined(&busTrouble);
    if (request.kind != CommandRequest::Open) {
        if (onBus)
            return askTheRunningAlarm(session, request);
        if (request.kind == CommandRequest::Off || request.kind == CommandRequest::Status) {
            std::fprintf(stderr, "alarm: cannot reach a running ALARM: %s\n", qPrintable(busTrouble));
            return EXIT_FAILURE;
        }
        std::fprintf(stderr, "alarm: %s; this ALARM arms the plan itself and runs until it is closed\n",
                     qPrintable(busTrouble));
    }

    DesktopPlatform platform;
    // Before the window, so that the window, its child there, goes first when run returns.
    std::unique_ptr<DecoratedFrame> frame;
    Alarm window(platform);
    RemoteControl control(window);
    if (onBus && !session.claim(control))
        return forward(session, CommandRequest{});
    if (request.kind == CommandRequest::Alarm || request.kind == CommandRequest::Shutdown)
        // Armed as soon as the event loop runs, while the greeting box is still open.
        QTimer::singleShot(0, &control, [&control, request] {
            control.arm(request.kind == CommandRequest::Alarm ? RemoteControl::Plan::Alarm
                                                              : RemoteControl::Plan::Shutdown,
                        request.time);
        });
    showWindow(window, frame);
    return QApplication::exec();
}

// Help, version and usage errors need no display.
std::optional<int> answerAtOnce(const ParsedCommandLine &parsed)
{
    if (!parsed.request) {
        std::fprintf(stderr, "alarm: %s\n%s", qPrintable(parsed.error),
                     parsed.showUsage
                         ? qPrintable(usageText())
                         : qPrintable(translation::text(
                               "CommandLine", QT_TRANSLATE_NOOP("CommandLine", "Try 'alarm --help'.\n"))));
        return 2;
    }
    if (parsed.request->kind == CommandRequest::Help) {
        std::fputs(qPrintable(usageText()), stdout);
        return EXIT_SUCCESS;
    }
    if (parsed.request->kind == CommandRequest::Version) {
        std::printf("alarm %s\n", kAppVersion);
        return EXIT_SUCCESS;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    translation::load(QLocale());
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (const std::optional<int> status = answerAtOnce(parsed))
        return *status;

    if (usesX11(parsed.request->toolkitArguments) && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "alarm: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; %s\n",
                     kHowToRun);
        return EXIT_FAILURE;
    }
    g_qtHandler = qInstallMessageHandler(reportUnreachableDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(tellOnce);
    translation::load(QLocale()); // now handed to the application as well

    app.setApplicationName(QStringLiteral("alarm"));
    // The menu entry is installed under the application id; shells match windows to it by this.
    app.setDesktopFileName(QString::fromLatin1(kAppId));
    app.setWindowIcon(applicationIcon());
    return run(*parsed.request);
}
