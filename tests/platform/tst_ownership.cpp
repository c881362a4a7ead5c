// SPDX-License-Identifier: MIT
// Where the shut-down script may be written, which interpreter may start it, and which runtime
// directory may take it: every case as root and as "nobody", in fresh directories, against files of
// "daemon". The interpreters here are stubs that only record their argument.
#include "DataRow.h"
#include "ScriptFiles.h"
#include "TwoUsers.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

namespace {

const QByteArray kScript = "C:\\windows\\system32\\shutdown -s -f -t 00\r\n";

// "ok" or the refusal, for comparing with a table; a refusal must contain the expected words.
void expect(const QString &outcome, const QString &expected, const LocalUser &runner)
{
    const QString context = QStringLiteral("as %1: %2").arg(runner.name, outcome);
    if (expected == QLatin1String("ok"))
        QVERIFY2(outcome == QLatin1String("ok"), qPrintable(context));
    else
        QVERIFY2(outcome.startsWith(QLatin1String("threw: ")) && outcome.contains(expected),
                 qPrintable(context));
}

struct stat statOf(const QString &path)
{
    struct stat info {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        info.st_mode = 0;
    return info;
}

} // namespace

class OwnershipTest : public QObject
{
    Q_OBJECT

    TwoUsers users;

private slots:
    void initTestCase()
    {
        if (!users.available())
            QSKIP("needs root, and the users nobody and daemon: every case takes two users");
    }

    // Beside the program only in a folder of the user's own that no one else can change and that
    // is not one of the system's; anywhere else the write is refused and nothing is left there.
    void scriptOnlyWhereNoOneElseCanChangeIt_data()
    {
        columns<QString>({"parent", "folder"});
        QTest::addColumn<bool>("system");
        columns<QString>({"asRoot", "asNobody"});
        row("own folder", "runner 0755", "runner 0700", false, "ok", "ok");
        row("root's folder", "root 0755", "root 0755", false, "ok", "not the user's own");
        row("another user's folder", "root 0755", "other 0755", false, "not the user's own",
            "not the user's own");
        row("folder anyone can write", "runner 0755", "runner 0777", false, "other users", "other users");
        row("sticky folder anyone can write", "runner 0755", "runner 01777", false, "other users",
            "other users");
        row("folder its group can write", "runner 0755", "runner 0775", false, "its group", "its group");
        row("in a folder anyone can write", "runner 0777", "runner 0755", false, "other users",
            "other users");
        row("in another user's folder", "other 0755", "runner 0755", false, "another user", "another user");
        row("in a sticky folder", "root 01777", "runner 0755", false, "ok", "ok");
        row("in a system directory", "runner 0755", "runner 0755", true, "belongs to the system",
            "belongs to the system");
    }
    void scriptOnlyWhereNoOneElseCanChangeIt()
    {
        QFETCH(QString, parent);
        QFETCH(QString, folder);
        QFETCH(bool, system);
        QFETCH(QString, asRoot);
        QFETCH(QString, asNobody);
        for (const LocalUser &runner : users.runners()) {
            const QString top = users.freshPlace() + "/parent";
            const QString directory = top + "/program";
            users.makeDirectory(top, parent, runner);
            users.makeDirectory(directory, folder, runner);
            const QString path = directory + "/Shut down.bat";
            const scriptfiles::Policy policy{runner.uid,
                                             system ? QStringList{top} : scriptfiles::kSystemDirectories};
            const QString outcome = asUser(runner, [&] {
                scriptfiles::writeScript(path, kScript, policy);
                return QStringLiteral("ok");
            });
            const QString expected = runner.uid == 0 ? asRoot : asNobody;
            expect(outcome, expected, runner);
            if (expected != "ok") {
                QVERIFY(QDir(directory).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
                continue;
            }
            QFile written(path);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.readAll(), kScript);
            QCOMPARE(statOf(path).st_uid, runner.uid);
            QCOMPARE(statOf(path).st_mode & 022, 0u);
        }
    }

    // The real places: an installed program's directory is the system's for root too, while a
    // build tree, like this test's own, takes the script beside itself.
    void installedProgramsAreTheSystems()
    {
        const scriptfiles::Policy policy = scriptfiles::Policy::current();
        for (const char *installed : {"/usr/bin", "/bin", "/usr/lib"})
            QVERIFY2(scriptfiles::directoryRefusal(installed, policy).contains("belongs to the system"),
                     installed);
        QCOMPARE(scriptfiles::directoryRefusal("/", policy), "/ belongs to the system");
        QCOMPARE(scriptfiles::directoryRefusal(QCoreApplication::applicationDirPath(), policy), QString());
    }

    // The interpreter, the folder it is named in and the folder it really lives in: whoever could
    // change any of them could choose what runs.
    void interpreterOnlyIfNoOneElseCanChangeIt_data()
    {
        columns<QString>({"linkFolder", "folder", "program", "asRoot", "asNobody"});
        row("own, in own folder", "", "runner 0755", "runner 0755", "ok", "ok");
        row("installed by root", "", "root 0755", "root 0755", "ok", "ok");
        row("another user's", "", "root 0755", "other 0755", "another user", "another user");
        row("anyone can change it", "", "root 0755", "root 0777", "other users", "other users");
        row("its group can change it", "", "runner 0755", "runner 0775", "its group", "its group");
        row("in a folder anyone can write", "", "runner 0777", "runner 0755", "other users", "other users");
        row("in a sticky folder", "", "root 01777", "runner 0755", "other users", "other users");
        row("in another user's folder", "", "other 0755", "runner 0755", "another user", "another user");
        row("linked from own folder", "runner 0755", "runner 0755", "runner 0755", "ok", "ok");
        row("linked from a folder anyone can write", "runner 0777", "root 0755", "root 0755", "other users",
            "other users");
        row("linked to a folder anyone can write", "runner 0755", "runner 0777", "runner 0755", "other users",
            "other users");
    }
    void interpreterOnlyIfNoOneElseCanChangeIt()
    {
        QFETCH(QString, linkFolder);
        QFETCH(QString, folder);
        QFETCH(QString, program);
        QFETCH(QString, asRoot);
        QFETCH(QString, asNobody);
        for (const LocalUser &runner : users.runners()) {
            const QString place = users.freshPlace();
            const QString record = place + "/record/argument";
            users.makeDirectory(place + "/record", "runner 0755", runner);
            users.makeDirectory(place + "/folder", folder, runner);
            QString interpreter = place + "/folder/alarm-cmd";
            users.makeFile(interpreter, "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.toUtf8() + "'\n",
                           program, runner);
            if (!linkFolder.isEmpty()) {
                users.makeDirectory(place + "/link", linkFolder, runner);
                QVERIFY(QFile::link(interpreter, place + "/link/alarm-cmd"));
                interpreter = place + "/link/alarm-cmd";
            }
            const QString outcome = asUser(runner, [&] {
                scriptfiles::startInterpreter(interpreter, "/nowhere/Shut down.bat", runner.uid);
                return QStringLiteral("ok");
            });
            const QString expected = runner.uid == 0 ? asRoot : asNobody;
            expect(outcome, expected, runner);
            if (expected == "ok") {
                QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(record).size() > 0, 10000);
                QFile argument(record);
                QVERIFY(argument.open(QIODevice::ReadOnly));
                QCOMPARE(argument.readAll(), QByteArray("/nowhere/Shut down.bat"));
            } else {
                QVERIFY(!QFileInfo::exists(record));
            }
        }
    }

    // A runtime directory that is not the user's own is never used, and when none can be had the
    // answer is a failure, never an empty path that would put the script at "/".
    void runtimeDirectoryIsTheUsersOwnOrNone_data()
    {
        columns<QString>({"fromEnvironment", "inTemporary", "expected"});
        row("own", "runner 0700", "", "environment");
        row("another user's, own in the temporary directory", "other 0700", "runner 0700", "temporary");
        row("another user's, none yet in the temporary directory", "other 0700", "", "temporary");
        row("unset, another user's in the temporary directory", "", "other 0700", "no runtime directory");
        row("both another user's", "other 0700", "other 0700", "no runtime directory");
    }
    void runtimeDirectoryIsTheUsersOwnOrNone()
    {
        QFETCH(QString, fromEnvironment);
        QFETCH(QString, inTemporary);
        QFETCH(QString, expected);
        for (const LocalUser &runner : users.runners()) {
            const QString place = users.freshPlace();
            const QString temporary = place + "/tmp";
            users.makeDirectory(temporary, "root 01777", runner);
            const QString environment = place + "/runtime";
            const QString fallback = temporary + "/runtime-" + runner.name;
            if (!fromEnvironment.isEmpty())
                users.makeDirectory(environment, fromEnvironment, runner);
            if (!inTemporary.isEmpty())
                users.makeDirectory(fallback, inTemporary, runner);
            const QString outcome = asUser(runner, [&] {
                qputenv("TMPDIR", QFile::encodeName(temporary));
                if (fromEnvironment.isEmpty())
                    qunsetenv("XDG_RUNTIME_DIR");
                else
                    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(environment));
                return scriptfiles::runtimeDirectory();
            });
            if (expected == "environment") {
                QCOMPARE(outcome, environment);
            } else if (expected == "temporary") {
                QCOMPARE(outcome, fallback);
                QCOMPARE(statOf(fallback).st_uid, runner.uid);
                QCOMPARE(statOf(fallback).st_mode & 077, 0u);
            } else {
                expect(outcome, expected, runner);
            }
        }
    }
};

QTEST_GUILESS_MAIN(OwnershipTest)
#include "tst_ownership.moc"
