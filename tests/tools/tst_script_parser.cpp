// SPDX-License-Identifier: MIT
#include "ShutdownScript.h"
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
        QTest::newRow("window script") << windowScript << ShutdownCommand{Action::PowerOff, true, 0};
        QTest::newRow("slashes, no newline")
            << QByteArray("shutdown /s /f /t 0") << ShutdownCommand{Action::PowerOff, true, 0};
        QTest::newRow("case, .exe, LF") << QByteArray("c:/WINDOWS/System32/SHUTDOWN.EXE -R -T 30\n")
                                        << ShutdownCommand{Action::Restart, false, 30};
        QTest::newRow("any order, padded delay")
            << QByteArray("..\\shutdown -t 000000000000000000060 /F -s\n")
            << ShutdownCommand{Action::PowerOff, true, 60};
        QTest::newRow("longest delay")
            << QByteArray("shutdown -r -t 315360000\n") << ShutdownCommand{Action::Restart, false, 315360000};
        QTest::newRow("blank lines and blanks") << QByteArray("\r\n \t\r\n\t shutdown \t-s   -f \t\r\n\n\n")
                                                << ShutdownCommand{Action::PowerOff, true, 0};
        QTest::newRow("largest size")
            << paddedTo(alarmcmd::maxScriptBytes) << ShutdownCommand{Action::PowerOff, false, 0};
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
        QTest::newRow("other program")
            << QByteArray("C:\\windows\\system32\\calc.exe -s\r\n") << "not the shutdown";
        QTest::newRow("shutdown.exe.bat")
            << QByteArray("C:\\evil\\shutdown.exe.bat -s -f\r\n") << "not the shutdown";
        QTest::newRow("longer name") << QByteArray("xshutdown -s\n") << "not the shutdown";
        QTest::newRow("switch glued to name") << QByteArray("shutdown/s\n") << "not the shutdown";
        QTest::newRow("&") << QByteArray("shutdown -s & del C:\\x\r\n") << "operator '&'";
        QTest::newRow("&&") << QByteArray("shutdown -s&&calc\r\n") << "operator '&'";
        QTest::newRow("|") << QByteArray("shutdown -s | more\r\n") << "operator '|'";
        QTest::newRow(">") << QByteArray("shutdown -s > out.txt\r\n") << "operator '>'";
        QTest::newRow("second line") << QByteArray("shutdown -s\r\ncalc\r\n") << "line 2: a second command";
        QTest::newRow("second shutdown")
            << QByteArray("shutdown -s\r\n\r\nshutdown -r\r\n") << "line 3: a second";
        QTest::newRow("quotes") << QByteArray("\"C:\\windows\\shutdown\" -s\n") << "character '\"'";
        QTest::newRow("variable") << QByteArray("shutdown -s -t %DELAY%\n") << "character '%'";
        QTest::newRow("echo off") << QByteArray("@shutdown -s\n") << "character '@'";
        QTest::newRow("unknown switch") << QByteArray("shutdown -s -h\n") << "unknown switch";
        QTest::newRow("combined switches") << QByteArray("shutdown -sf\n") << "unknown switch";
        QTest::newRow("bare argument") << QByteArray("shutdown -s now\n") << "unknown switch";
        QTest::newRow("no action") << QByteArray("shutdown -f -t 0\n") << "neither -s";
        QTest::newRow("both actions") << QByteArray("shutdown -s -r\n") << "cannot be combined";
        QTest::newRow("repeated action") << QByteArray("shutdown -s /S\n") << "'/S' is given more than once";
        QTest::newRow("repeated delay") << QByteArray("shutdown -s -t 1 -t 1\n") << "more than once";
        QTest::newRow("delay missing") << QByteArray("shutdown -s -t\n") << "needs a delay";
        QTest::newRow("delay is a switch") << QByteArray("shutdown -t -s\n") << "not a number";
        QTest::newRow("delay too long") << QByteArray("shutdown -s -t 315360001\n") << "out of range";
        QTest::newRow("delay beyond 64 bits")
            << QByteArray("shutdown -s -t 99999999999999999999999\n") << "out of range";
        QTest::newRow("empty") << QByteArray() << "empty";
        QTest::newRow("blank lines only") << QByteArray("\r\n \t \r\n\n") << "holds no command";
        QTest::newRow("NUL byte") << QByteArray("shutdown -s\0 -r\n", 16) << "NUL byte at offset 11";
        QTest::newRow("ELF") << QByteArray("\x7f"
                                           "ELF\x02\x01\x01")
                             << "non-text byte 0x7f";
        QTest::newRow("UTF-8 BOM") << QByteArray("\xef\xbb\xbfshutdown -s\n") << "0xef";
        QTest::newRow("stray carriage return") << QByteArray("shutdown -s\r-r\r\n") << "carriage return";
        QTest::newRow("one byte too large") << paddedTo(alarmcmd::maxScriptBytes + 1) << "larger than";
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
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *folder, const char *script, const char *expected) {
            QTest::newRow(name) << QString(folder) << QString(script) << QString(expected);
        };
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
