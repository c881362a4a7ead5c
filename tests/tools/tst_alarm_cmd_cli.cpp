// SPDX-License-Identifier: MIT
// Runs the built alarm-cmd as a process. Every run that names a script passes --dry-run, and the
// environment also carries ALARM_CMD_TEST_NEVER_ACT, so no run here can reach a power action.
#include "DataRow.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runAlarmCmd(const QStringList &arguments, const QString &workingDirectory = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ALARM_CMD_TEST_NEVER_ACT", "1");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(ALARM_CMD_PATH), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class TestAlarmCmdCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void dryRunPrintsTheAction_data()
    {
        columns<QByteArray>({"script", "output"});
        const auto prints = [](const char *name, const QByteArray &script, const QByteArray &output) {
            row(name, script, output);
        };
        prints("window script", "C:\\windows\\system32\\shutdown -s -f -t 00\r\n", "power off now, forced\n");
        prints("restart later", "shutdown /r /t 60\n", "restart in 60 s\n");
        prints("plain", "\r\nSHUTDOWN.EXE -s", "power off now\n");
    }

    void dryRunPrintsTheAction()
    {
        QFETCH(QByteArray, script);
        QFETCH(QByteArray, output);
        const QString path = write("Shut down.bat", script);
        const Run run = runAlarmCmd({"--dry-run", path});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, output);
        QCOMPARE(run.err, QByteArray());
    }

    void refusedScriptsRunNothing_data()
    {
        columns<QByteArray>({"script", "reason"});
        const auto refuses = [](const char *name, const QByteArray &script, const QByteArray &reason) {
            row(name, script, reason);
        };
        refuses("chained command", "shutdown -s -f & rd /s /q C:\\\r\n", "'&'");
        refuses("other program", "C:\\evil\\shutdown.exe.bat -s\r\n", "not the shutdown program");
        refuses("second line", "shutdown -s\r\nshutdown -r\r\n", "second");
        refuses("empty", "", "empty");
        refuses("missing", "<missing>", "cannot open");
        refuses("symbolic link", "<link>", "symbolic link");
    }

    void refusedScriptsRunNothing()
    {
        QFETCH(QByteArray, script);
        QFETCH(QByteArray, reason);
        QString path = script == "<missing>" ? m_dir.filePath("missing.bat") : write("Shut down.bat", script);
        if (script == "<link>") {
            // Another user's line, reached through a link where the script should be.
            path = m_dir.filePath("link.bat");
            QFile::remove(path);
            QVERIFY(QFile::link(write("theirs.bat", "shutdown -r -t 315360000\r\n"), path));
        }
        const Run run = runAlarmCmd({"--dry-run", path});
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.err.contains(reason), run.err.constData());
        QVERIFY2(run.err.contains("nothing was run"), run.err.constData());
    }

    void usageErrors()
    {
        const QString path = write("ok.bat", "shutdown -s\r\n");
        QCOMPARE(runAlarmCmd({}).exitCode, 2);
        QCOMPARE(runAlarmCmd({"--dry-run"}).exitCode, 2);
        QCOMPARE(runAlarmCmd({"--dry-run", "--force", path}).exitCode, 2);
        QCOMPARE(runAlarmCmd({"--dry-run", path, path}).exitCode, 2);
    }

    void scriptNamesMayStartWithADash()
    {
        write("-s.bat", "shutdown -r\n");
        const Run run = runAlarmCmd({"--dry-run", "--", "-s.bat"}, m_dir.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("restart now\n"));
    }

    void helpExplainsDryRunAndExitCodes()
    {
        const Run run = runAlarmCmd({"--help"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("--dry-run"));
        QVERIFY(run.out.contains("Exit status"));
        for (const char *code : {"  0  ", "  1  ", "  2  ", "  3  ", "  4  "})
            QVERIFY2(run.out.contains(code), code);

        const Run version = runAlarmCmd({"--version"});
        QCOMPARE(version.exitCode, 0);
        QVERIFY2(version.out.startsWith("alarm-cmd ") && version.out.count('.') == 2, version.out);
    }

private:
    QString write(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestAlarmCmdCli)
#include "tst_alarm_cmd_cli.moc"
