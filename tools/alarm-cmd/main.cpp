// SPDX-License-Identifier: MIT
// alarm-cmd: carries out the one shut-down command line the alarm window writes into its script.

#include "AppIdentity.h"
#include "CarryOut.h"
#include "LinuxSystemActions.h"
#include "ScriptParser.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace {

constexpr const char *helpText = R"(Usage: alarm-cmd [--dry-run] FILE
       alarm-cmd --help | --version

Carries out the shut-down command in the script FILE, for example
  C:\windows\system32\shutdown -s -f -t 00

FILE must hold exactly one command line (blank lines aside; CRLF or LF line ends)
that names a program called shutdown or shutdown.exe, in any directory and letter
case, followed by these switches, each written with - or / and given at most once:
  -s      power off
  -r      restart (exactly one of -s and -r is required)
  -f      force: running applications are not asked
  -t N    wait N seconds first (0 to 315360000)
Anything else is refused and nothing is run. No line is ever handed to a shell.
FILE is refused, unread, when it is a symbolic link, when anyone but you or root
owns it, or when someone else could write it or replace it through its directory.

The power action goes to systemd-logind over D-Bus, never asking for a password;
where logind cannot be reached, "systemctl poweroff|reboot --no-ask-password" is
used. One alarm-cmd at a time carries out a given FILE: while one waits for the
system to answer, others started for the same FILE end at once. When the action
is refused, the reason is printed on standard error every time and shown as a
desktop notification at most once a minute.

Options:
  --dry-run   check FILE and print the action it would take, without acting
  -h, --help  show this text
  --version   show the version

Exit status:
  0  the action was requested (with --dry-run: FILE is acceptable)
  1  the system refused the action or could not be reached
  2  wrong usage of alarm-cmd
  3  FILE was refused: unreadable, open to change by someone else, or not a
     shut-down command
  4  another alarm-cmd is still carrying out FILE (waiting for the system to
     answer); this one did nothing

Environment:
  ALARM_CMD_TEST_NEVER_ACT  when set, checks FILE but refuses to act (exit 1);
                            test suites set it as a safety net
)";

int usageError(const std::string &message)
{
    std::fprintf(stderr, "alarm-cmd: %s\nTry 'alarm-cmd --help'.\n", message.c_str());
    return alarmcmd::ExitUsage;
}

// What the command line asks for; nothing, after a usage error or --help, when the program is done.
struct Request {
    bool dryRun = false;
    std::string file;
};

std::optional<Request> readArguments(int argc, char **argv, int &exitCode)
{
    Request request;
    bool optionsEnded = false;
    bool fileGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::fputs(helpText, stdout);
            exitCode = alarmcmd::ExitDone;
            return std::nullopt;
        } else if (!optionsEnded && arg == "--version") {
            std::printf("alarm-cmd %s\n", kAppVersion);
            exitCode = alarmcmd::ExitDone;
            return std::nullopt;
        } else if (!optionsEnded && arg == "--dry-run") {
            request.dryRun = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            exitCode = usageError("unknown option '" + arg + "'");
            return std::nullopt;
        } else if (std::exchange(fileGiven, true)) {
            exitCode = usageError("only one script may be given");
            return std::nullopt;
        } else {
            request.file = arg;
        }
    }
    if (!fileGiven) {
        exitCode = usageError("no script given");
        return std::nullopt;
    }
    return request;
}

} // namespace

int main(int argc, char **argv)
{
    int exitCode = alarmcmd::ExitDone;
    const std::optional<Request> request = readArguments(argc, argv, exitCode);
    if (!request)
        return exitCode;

    const alarmcmd::ParseResult parsed = alarmcmd::readScript(request->file);
    if (!parsed) {
        std::fprintf(stderr, "alarm-cmd: %s: %s; nothing was run\n", request->file.c_str(),
                     parsed.error.c_str());
        return alarmcmd::ExitBadScript;
    }

    const std::string action = alarmcmd::describe(*parsed.command);
    if (request->dryRun) {
        std::printf("%s\n", action.c_str());
        return alarmcmd::ExitDone;
    }
    if (std::getenv("ALARM_CMD_TEST_NEVER_ACT")) {
        std::fprintf(stderr, "alarm-cmd: would %s, but ALARM_CMD_TEST_NEVER_ACT is set\n", action.c_str());
        return alarmcmd::ExitRefused;
    }

    // Qt is only started for the acting path: D-Bus and QProcess want an application object.
    QCoreApplication app(argc, argv);
    alarmcmd::LinuxSystemActions system(request->file);
    return alarmcmd::carryOut(*parsed.command, system);
}
