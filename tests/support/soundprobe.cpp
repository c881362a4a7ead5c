// SPDX-License-Identifier: MIT
// Drives the real sound path as the window does and reports when each call began and returned,
// on the monotonic clock, so that a test recording the sink can set the calls beside the sound.
//   soundprobe ACTION...   with ACTION one of
//     melody           the eight ringing tones, one call each
//     beep:F:MS        one tone
//     speak:TEXT       one announcement through a new voice
//     at:MS            wait until MS milliseconds after the start (a ringing tick)
//     check            what sound would be heard through, as at the alarm's arming
// Prints one line per call: "beep F START END [error]" or "speak - START END [error]", seconds;
// "check OUTPUT/MUTED/PERCENT/STREAMMUTED/STREAMPERCENT START END [error]" for a check.
#include "DesktopPlatform.h"
#include "plans/Melody.h"

#include <QCoreApplication>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

double seconds(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

void report(const char *what, const QString &argument, const std::function<void()> &call)
{
    const auto start = std::chrono::steady_clock::now();
    QString error;
    try {
        call();
    } catch (const PlatformError &e) {
        error = QString::fromUtf8(e.what());
    }
    const auto end = std::chrono::steady_clock::now();
    std::printf("%s %s %.6f %.6f %s\n", what, qPrintable(argument), seconds(start), seconds(end),
                qPrintable(error));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    DesktopPlatform platform;
    const auto begin = std::chrono::steady_clock::now();
    for (const QString &action : app.arguments().mid(1)) {
        const QStringList parts = action.split(QLatin1Char(':'));
        if (parts[0] == QLatin1String("melody")) {
            for (const Tone &tone : kMelody)
                report("beep", QString::number(tone.frequencyHz),
                       [&] { platform.beep(tone.frequencyHz, tone.durationMs); });
        } else if (parts[0] == QLatin1String("beep") && parts.size() == 3) {
            report("beep", parts[1], [&] { platform.beep(parts[1].toInt(), parts[2].toInt()); });
        } else if (parts[0] == QLatin1String("speak")) {
            const QString text = action.mid(6);
            report("speak", QStringLiteral("-"), [&] { platform.createVoice("en")->Speak(text); });
        } else if (parts[0] == QLatin1String("check")) {
            SoundCheck check;
            report("check", QStringLiteral("-"), [&] { check = platform.checkSound(); });
            std::printf("found %d/%d/%d/%d/%d 0 0\n", int(check.output), int(check.outputMuted),
                        check.outputPercent, int(check.streamMuted), check.streamPercent);
        } else if (parts[0] == QLatin1String("at") && parts.size() == 2) {
            // The event loop runs meanwhile, as it does between the window's handlers.
            QCoreApplication::processEvents();
            std::this_thread::sleep_until(begin + std::chrono::milliseconds(parts[1].toInt()));
        } else {
            std::fprintf(stderr, "unknown action %s\n", qPrintable(action));
            return 2;
        }
    }
    // Whatever is still to be heard is heard before the program ends.
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return 0;
}
