// SPDX-License-Identifier: MIT
#include "DataRow.h"
#include "ScriptParser.h"
#include "TwoUsers.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using alarmcmd::Action;
using alarmcmd::ShutdownCommand;

Q_DECLARE_METATYPE(ShutdownCommand)

namespace {

const QByteArray windowScript = "C:\\windows\\system32\\shutdown -s -f -t 00\r\n";

alarmcmd::ParseResult parse(const QByteArray &bytes)
{
    return alarmcmd::parseScript(std::string_view(bytes.constData(), size_t(bytes.size())));
}

// The largest script accepted: the command after as many blank lines as fit.
QByteArray paddedTo(std::size_t size)
{
    const QByteArray line = "shutdown -s\r\n";
    return QByteArray(qsizetype(size) - line.size(), '\n') + line;
}

} // namespace

class TestScriptParser : public QObject
{
    Q_OBJECT

private slots:
    void accepts_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<ShutdownCommand>("expected");
        const auto accepts = [](const char *name, const QByteArray &script, ShutdownCommand expected) {
            row(name, script, expected);
        };
        using enum Action;
        accepts("window script", windowScript, {PowerOff, true, 0});
        accepts("slashes, no newline", "shutdown /s /f /t 0", {PowerOff, true, 0});
        accepts("case, .exe, LF", "c:/WINDOWS/System32/SHUTDOWN.EXE -R -T 30\n", {Restart, false, 30});
        accepts("padded, any order", "..\\shutdown -t 000000000000000000060 /F -s\n", {PowerOff, true, 60});
        accepts("longest delay", "shutdown -r -t 315360000\n", {Restart, false, 315360000});
        accepts("blank lines and blanks", "\r\n \t\r\n\t shutdown \t-s   -f \t\r\n\n\n", {PowerOff, true, 0});
        accepts("largest size", paddedTo(alarmcmd::maxScriptBytes), {PowerOff, false, 0});
    }

    void accepts()
    {
        QFETCH(QByteArray, script);
        QFETCH(ShutdownCommand, expected);
        const auto result = parse(script);
        QVERIFY2(result, result.error.c_str());
        QCOMPARE(*result.command, expected);
    }

    void refuses_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("reason");
        const auto refuses = [](const char *name, const QByteArray &script, const char *reason) {
            row(name, script, QString(reason));
        };
        refuses("other program", "C:\\windows\\system32\\calc.exe -s\r\n", "not the shutdown");
        refuses("shutdown.exe.bat", "C:\\evil\\shutdown.exe.bat -s -f\r\n", "not the shutdown");
        refuses("longer name", "xshutdown -s\n", "not the shutdown");
        refuses("switch glued to name", "shutdown/s\n", "not the shutdown");
        refuses("&", "shutdown -s & del C:\\x\r\n", "operator '&'");
        refuses("&&", "shutdown -s&&calc\r\n", "operator '&'");
        refuses("|", "shutdown -s | more\r\n", "operator '|'");
        refuses(">", "shutdown -s > out.txt\r\n", "operator '>'");
        refuses("second line", "shutdown -s\r\ncalc\r\n", "line 2: a second command");
        refuses("second shutdown", "shutdown -s\r\n\r\nshutdown -r\r\n", "line 3: a second");
        refuses("quotes", "\"C:\\windows\\shutdown\" -s\n", "character '\"'");
        refuses("variable", "shutdown -s -t %DELAY%\n", "character '%'");
        refuses("echo off", "@shutdown -s\n", "character '@'");
        refuses("unknown switch", "shutdown -s -h\n", "unknown switch");
        refuses("combined switches", "shutdown -sf\n", "unknown switch");
        refuses("bare argument", "shutdown -s now\n", "unknown switch");
        refuses("no action", "shutdown -f -t 0\n", "neither -s");
        refuses("both actions", "shutdown -s -r\n", "cannot be combined");
        refuses("repeated action", "shutdown -s /S\n", "'/S' is given more than once");
        refuses("repeated delay", "shutdown -s -t 1 -t 1\n", "more than once");
        refuses("delay missing", "shutdown -s -t\n", "needs a delay");
        refuses("delay is a switch", "shutdown -t -s\n", "not a number");
        refuses("delay too long", "shutdown -s -t 315360001\n", "out of range");
        refuses("delay beyond 64 bits", "shutdown -s -t 99999999999999999999999\n", "out of range");
        refuses("empty", "", "empty");
        refuses("blank lines only", "\r\n \t \r\n\n", "holds no command");
        refuses("NUL byte", QByteArray("shutdown -s\0 -r\n", 16), "NUL byte at offset 11");
        refuses("ELF", "\177ELF\x02\x01\x01", "non-text byte 0x7f");
        refuses("UTF-8 BOM", "\xef\xbb\xbfshutdown -s\n", "0xef");
        refuses("stray carriage return", "shutdown -s\r-r\r\n", "carriage return");
        refuses("one byte too large", paddedTo(alarmcmd::maxScriptBytes + 1), "larger than");
    }

    void refuses()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, reason);
        const auto result = parse(script);
        QVERIFY2(!result,
                 qPrintable("accepted: " + QString::fromStdString(alarmcmd::describe(*result.command))));
        QVERIFY2(QString::fromStdString(result.error).contains(reason), result.error.c_str());
    }

    void readsOnlyRegularFiles()
    {
        QTemporaryDir dir;
        const auto errorFor = [](const QString &path) {
            const auto result = alarmcmd::readScript(QFile::encodeName(path).toStdString());
            return result ? QString("accepted") : QString::fromStdString(result.error);
        };
        const auto write = [&](const QString &name, const QByteArray &content) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        };

        write("Shut down.bat", windowScript);
        QCOMPARE(errorFor(dir.filePath("Shut down.bat")), "accepted");
        write("huge.bat", QByteArray(1 << 20, 'A'));
        QVERIFY(errorFor(dir.filePath("huge.bat")).contains("larger than"));
        QVERIFY(errorFor(dir.filePath("missing.bat")).contains("cannot open"));
        QVERIFY(errorFor(dir.path()).contains("not a regular file"));
        // A FIFO with no writer would block a plain open; it must be refused at once.
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.bat")).constData(), 0600), 0);
        QVERIFY(errorFor(dir.filePath("fifo.bat")).contains("not a regular file"));
    }

    // Whoever could have replaced or changed the script would choose what runs: tried as root and
    // as "nobody", against files of "daemon".
    void refusesScriptsSomeoneElseCouldHaveChosen_data()
    {
        columns<QString>({"folder", "script", "expected"});
        row("own, in own folder", "runner 0700", "runner 0644", "accepted");
        row("root's, in root's folder", "root 0755", "root 0644", "accepted");
        row("own, in a sticky folder", "root 01777", "runner 0644", "accepted");
        row("another user's", "runner 0755", "other 0644", "belongs to another user");
        row("anyone can change it", "runner 0755", "runner 0666", "can be changed by other users");
        row("its group can change it", "runner 0755", "runner 0664", "can be changed by its group");
        row("in a folder anyone can write", "runner 0777", "runner 0644", "could have been replaced");
        row("in another user's folder", "other 0755", "runner 0644", "could have been replaced");
        row("a symbolic link to an own script", "runner 0755", "link", "symbolic link");
    }
    void refusesScriptsSomeoneElseCouldHaveChosen()
    {
        QFETCH(QString, folder);
        QFETCH(QString, script);
        QFETCH(QString, expected);
        TwoUsers users;
        if (!users.available())
            QSKIP("needs root, and the users nobody and daemon: every case takes two users");
        for (const LocalUser &runner : users.runners()) {
            const QString place = users.freshPlace();
            users.makeDirectory(place + "/folder", folder, runner);
            const QString path = place + "/folder/Shut down.bat";
            if (script == "link") {
                users.makeFile(place + "/own.bat", windowScript, "runner 0644", runner);
                QVERIFY(QFile::link(place + "/own.bat", path));
            } else {
                users.makeFile(path, windowScript, script, runner);
            }
            const QString outcome = asUser(runner, [&] {
                const auto result = alarmcmd::readScript(QFile::encodeName(path).toStdString());
                return result ? QStringLiteral("accepted") : QString::fromStdString(result.error);
            });
            QVERIFY2(outcome.contains(expected), qPrintable(runner.name + ": " + outcome));
        }
    }
};

QTEST_APPLESS_MAIN(TestScriptParser)
#include "tst_script_parser.moc"
