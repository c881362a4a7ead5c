// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <QTime>
#include <QtGlobal>

#include <optional>

// What a command line asks of ALARM. Qt's own options (-platform, -display, -style, ...) are left
// to Qt and asked nothing of here.
struct CommandRequest {
    enum Kind {
        Open,     // no plan given: open the window, or bring the running one forward
        Help,     // --help
        Version,  // --version
        Alarm,    // --alarm TIME
        Shutdown, // --shutdown TIME
        Off,      // --off
        Status,   // --status
    };
    Kind kind = Open;
    QTime time; // for Alarm and Shutdown
    // Qt's own options as given, for an ALARM started to carry the request out.
    QStringList toolkitArguments = {};
};

// Either a request or why the command line is wrong, never both.
struct ParsedCommandLine {
    std::optional<CommandRequest> request;
    QString error;
    // The error is about the options themselves, so the usage goes with it.
    bool showUsage = false;
};

// arguments without the program's name.
ParsedCommandLine parseCommandLine(const QStringList &arguments);

// A time as a person types it: "7:30pm", "7:30 PM", "07:30PM", or on the 24-hour clock "19:30".
std::optional<QTime> parseClockTime(const QString &text);
// What parseClockTime takes, for messages.
inline constexpr char kTimeForms[] =
    QT_TRANSLATE_NOOP("CommandLine", "a time such as 7:30pm, 7:30 PM, 07:30PM or 19:30");

QString usageText();
