// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include "Translation.h"

#include <QRegularExpression>

namespace {

// Qt's own options that take a value in the next argument, and those that stand alone. They are
// Qt's to read; here they are only stepped over.
const QStringList kToolkitOptionsWithValue = {
    QStringLiteral("platform"),
    QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("geometry"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("icon"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("title"),
    QStringLiteral("session"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
    QStringLiteral("display"),
    QStringLiteral("name"),
    QStringLiteral("visual"),
    QStringLiteral("ncols"),
    QStringLiteral("cmap"),
    QStringLiteral("im"),
};
const QStringList kToolkitFlags = {
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
    QStringLiteral("dograb"),  QStringLiteral("sync"),
};

// The option's name without its dashes and without a "=value" part.
QString optionName(const QString &argument)
{
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    return name.left(name.indexOf(QLatin1Char('=')));
}

// How many arguments a toolkit option at arguments[i] takes up (with its value); 0 when it is none.
int toolkitOptionLength(const QStringList &arguments, qsizetype i)
{
    const QString &argument = arguments.at(i);
    const QString name = optionName(argument);
    if (kToolkitFlags.contains(name) || name.startsWith(QLatin1String("qmljsdebugger")))
        return 1;
    if (!kToolkitOptionsWithValue.contains(name))
        return 0;
    return argument.contains(QLatin1Char('=')) || i + 1 >= arguments.size() ? 1 : 2;
}

// The command line answers in the session's language, before the application object exists.
QString said(const char *source)
{
    return translation::text("CommandLine", source);
}

ParsedCommandLine wrong(const QString &why, bool showUsage = false)
{
    return {std::nullopt, why, showUsage};
}

// The value of an option that needs one: "--alarm=7:30pm" or "--alarm 7:30pm".
std::optional<QString> valueOf(const QStringList &arguments, qsizetype &i)
{
    const QString &argument = arguments.at(i);
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (equals >= 0)
        return argument.mid(equals + 1);
    if (i + 1 >= arguments.size())
        return std::nullopt;
    return arguments.at(++i);
}

const QHash<QString, CommandRequest::Kind> kOptions = {
    {QStringLiteral("help"), CommandRequest::Help},   {QStringLiteral("version"), CommandRequest::Version},
    {QStringLiteral("alarm"), CommandRequest::Alarm}, {QStringLiteral("shutdown"), CommandRequest::Shutdown},
    {QStringLiteral("off"), CommandRequest::Off},     {QStringLiteral("status"), CommandRequest::Status},
};

} // namespace

std::optional<QTime> parseClockTime(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,2}):(\\d{2})\\s*([AaPp][Mm])?\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    int hour = match.captured(1).toInt();
    const int minute = match.captured(2).toInt();
    const QString marker = match.captured(3).toUpper();
    if (!marker.isEmpty()) {
        // On the 12-hour clock the hours run 1 to 12, and 12 AM is midnight.
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (marker == QLatin1String("PM") ? 12 : 0);
    }
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return QTime(hour, minute);
}

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    CommandRequest request;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("-h"))
            return {CommandRequest{CommandRequest::Help, {}}, {}};
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
            return wrong(said(QT_TRANSLATE_NOOP("CommandLine", "unexpected argument '%1'")).arg(argument),
                         true);
        const auto option = kOptions.constFind(optionName(argument));
        if (!argument.startsWith(QLatin1String("--")) || option == kOptions.cend()) {
            const int length = toolkitOptionLength(arguments, i);
            if (length == 0)
                return wrong(said(QT_TRANSLATE_NOOP("CommandLine", "unknown option '%1'")).arg(argument),
                             true);
            request.toolkitArguments += arguments.mid(i, length);
            i += length - 1;
            continue;
        }
        if (request.kind != CommandRequest::Open && *option != CommandRequest::Help &&
            *option != CommandRequest::Version)
            return wrong(
                said(QT_TRANSLATE_NOOP("CommandLine",
                                       "only one of --alarm, --shutdown, --off and --status may be given")),
                true);
        if (*option == CommandRequest::Help || *option == CommandRequest::Version)
            return {CommandRequest{*option, {}}, {}};
        request.kind = *option;
        if (*option != CommandRequest::Alarm && *option != CommandRequest::Shutdown)
            continue;
        const std::optional<QString> value = valueOf(arguments, i);
        const std::optional<QTime> time = value ? parseClockTime(*value) : std::nullopt;
        if (!time)
            return wrong(
                value
                    ? said(QT_TRANSLATE_NOOP("CommandLine", "'%1' is not %2")).arg(*value, said(kTimeForms))
                    : said(QT_TRANSLATE_NOOP("CommandLine", "%1 needs %2")).arg(argument, said(kTimeForms)));
        request.time = *time;
    }
    return {request, {}};
}

QString usageText()
{
    return said(QT_TRANSLATE_NOOP(
        "CommandLine",
        "Usage: alarm [OPTION]\n"
        "An alarm clock and shut-down timer in one small window. Without an option it opens the\n"
        "window, or brings forward the one that is already open.\n"
        "\n"
        "  --alarm TIME     arm the alarm for TIME (replaces any plan armed)\n"
        "  --shutdown TIME  arm a forced shut-down of the computer for TIME (likewise)\n"
        "  --off            cancel the armed or ringing plan\n"
        "  --status         print what ALARM is doing: idle, alarm at TIME, ringing,\n"
        "                   or shut-down at TIME\n"
        "  -h, --help       show this text\n"
        "  --version        show the version\n"
        "\n"
        "TIME is a clock time: 7:30pm, 7:30 PM, 07:30PM, or 19:30 on the 24-hour clock. The\n"
        "plan is armed in the running ALARM, which is started first when none runs; the\n"
        "command returns once the plan is armed.\n"
        "Qt's own options, such as -platform and -display, are taken as well.\n"
        "\n"
        "Exit status: 0 done, 1 ALARM could not be reached or started, 2 wrong usage.\n"));
}
