// SPDX-License-Identifier: MIT
#include "DesktopPlatform.h"
#include "FileNames.h"
#include "ScriptFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray windowScript = "C:\\windows\\system32\\shutdown -s -f -t 00\r\n";

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void put(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The same by a path in bytes, which QFile would take as UTF-8.
QByteArray contentOfBytes(const QByteArray &path)
{
    QFile file;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return "<unreadable>";
    return file.readAll();
}

void putBytes(const QByteArray &path, const QByteArray &content)
{
    QFile file;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || !file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) ||
        file.write(content) != content.size())
        qFatal("cannot write %s", path.constData());
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_dir.setPath(m_tmp->path());
    }

    void writesExactlyTheBytesOverAnyOldFile()
    {
        const QString path = m_dir.filePath("Shut down.bat");
        m_platform.writeFile(path, windowScript);
        QCOMPARE(contentOf(path), windowScript);
        put(path, QByteArray(10000, 'x'));
        m_platform.writeFile(path, windowScript);
        QCOMPARE(contentOf(path), windowScript);
        QCOMPARE(entries(m_dir.path()), QStringList({"Shut down.bat"}));
    }

    void readerOfTheOldFileNeverSeesTheNewOne()
    {
        // An interpreter that opened the script before the rewrite reads the old bytes to the end.
        const QString path = m_dir.filePath("Shut down.bat");
        const QByteArray old = "shutdown -r -t 60\r\n";
        put(path, old);
        QFile reader(path);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        m_platform.writeFile(path, windowScript);
        QCOMPARE(reader.readAll(), old);
        QCOMPARE(contentOf(path), windowScript);
    }

    void replacesASymbolicLinkWithoutFollowingIt()
    {
        const QString target = m_dir.filePath("precious.txt");
        put(target, "do not touch");
        const QString path = m_dir.filePath("Shut down.bat");
        QVERIFY(QFile::link(target, path));

        m_platform.writeFile(path, windowScript);
        QVERIFY(!QFileInfo(path).isSymLink());
        QCOMPARE(contentOf(path), windowScript);
        QCOMPARE(contentOf(target), QByteArray("do not touch"));

        // A dangling link must not make the write create its target either.
        const QString missing = m_dir.filePath("created-through-link");
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::link(missing, path));
        m_platform.writeFile(path, windowScript);
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(contentOf(path), windowScript);
    }

    void failureThrowsAndLeavesNothingBehind()
    {
        // A directory at the name: the temporary file is written, then the rename fails.
        const QString occupied = m_dir.filePath("Shut down.bat");
        QVERIFY(QDir().mkdir(occupied));
        put(occupied + "/inside", "x");
        QVERIFY_THROWS_EXCEPTION(PlatformError, m_platform.writeFile(occupied, windowScript));
        QCOMPARE(entries(m_dir.path()), QStringList({"Shut down.bat"}));

        QVERIFY_THROWS_EXCEPTION(
            PlatformError, m_platform.writeFile(m_dir.filePath("no/such/dir/Shut down.bat"), windowScript));
        QVERIFY_THROWS_EXCEPTION(PlatformError,
                                 m_platform.writeFile(occupied + "/inside/Shut down.bat", windowScript));
        QCOMPARE(entries(occupied), QStringList({"inside"}));
    }

    void unwritableDirectoryThrows()
    {
        if (::geteuid() == 0)
            QSKIP("permission bits do not bind root; the other failure test covers the clean-up");
        const QString locked = m_dir.filePath("locked");
        QVERIFY(QDir().mkdir(locked));
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY_THROWS_EXCEPTION(PlatformError,
                                 m_platform.writeFile(locked + "/Shut down.bat", windowScript));
        QVERIFY(entries(locked).isEmpty());
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void startsTheInterpreterWithThePathAsOneArgument()
    {
        // A stand-in interpreter that only records what it was given.
        const QString stub = m_dir.filePath("stub-interpreter");
        put(stub, "#!/bin/sh\n"
                  "out=\"$(dirname \"$0\")/arguments\"\n"
                  "{ echo \"$#\"; for a in \"$@\"; do echo \"[$a]\"; done; } > \"$out.part\"\n"
                  "mv \"$out.part\" \"$out\"\n");
        QVERIFY(QFile::setPermissions(stub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        const QString script = m_dir.filePath("Shut down.bat");
        scriptfiles::startInterpreter(stub, script, ::geteuid());
        const QString recorded = m_dir.filePath("arguments");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(recorded), 10000);
        QCOMPARE(contentOf(recorded), "1\n[" + QFile::encodeName(script) + "]\n");
    }

    void missingInterpreterThrows()
    {
        QVERIFY_THROWS_EXCEPTION(
            PlatformError, scriptfiles::startInterpreter(m_dir.filePath("nothing-here"), "x", ::geteuid()));
        const QString notExecutable = m_dir.filePath("plain-file");
        put(notExecutable, "#!/bin/sh\n");
        QVERIFY_THROWS_EXCEPTION(PlatformError,
                                 scriptfiles::startInterpreter(notExecutable, "x", ::geteuid()));
        QVERIFY_THROWS_EXCEPTION(PlatformError,
                                 scriptfiles::startInterpreter(m_dir.path(), "x", ::geteuid()));
    }

    // Names as bytes: whatever the file system holds comes back as the same bytes, and text that is
    // valid stays as it reads.
    void fileNamesKeepEveryByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8") << QByteArray("/home/zo\xc3\xab/\xe2\x8f\xb0 \xf0\x9f\x95\x96");
        QTest::newRow("Latin-1") << QByteArray("/srv/caf\xe9/na\xefve");
        QTest::newRow("an overlong slash") << QByteArray("/a\xc0\xaf/b");
        QTest::newRow("an encoded surrogate") << QByteArray("/a\xed\xa0\x80");
        QTest::newRow("cut short") << QByteArray("/a\xe2\x8f");
        QTest::newRow("past U+10FFFF") << QByteArray("/a\xf4\x90\x80\x80\xff");
    }
    void fileNamesKeepEveryByte()
    {
        QFETCH(QByteArray, bytes);
        const QString text = fileNameText(bytes);
        QCOMPARE(fileNameBytes(text), bytes);
        if (QString::fromUtf8(bytes).toUtf8() == bytes)
            QCOMPARE(text, QString::fromUtf8(bytes));
        else
            QVERIFY(!text.contains(QChar::ReplacementCharacter));
    }

    // A folder named in Latin-1 takes the script and starts the interpreter like any other.
    void aFolderNamedInLatin1WorksLikeAnyOther()
    {
        const QByteArray folder = QFile::encodeName(m_dir.path()) + "/caf\xe9";
        QCOMPARE(::mkdir(folder.constData(), 0700), 0);
        // QTemporaryDir could not remove what it cannot name.
        const auto removeFolder = qScopeGuard([&] {
            for (const char *name : {"/Shut down.bat", "/alarm-cmd", "/argument"})
                ::unlink((folder + name).constData());
            ::rmdir(folder.constData());
        });
        const QString script = fileNameText(folder) + "/Shut down.bat";
        m_platform.writeFile(script, windowScript);
        QCOMPARE(contentOfBytes(folder + "/Shut down.bat"), windowScript);

        const QByteArray stub = folder + "/alarm-cmd";
        const QByteArray recorded = folder + "/argument";
        putBytes(stub, "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/argument.part\"\n"
                       "mv \"$(dirname \"$0\")/argument.part\" \"$(dirname \"$0\")/argument\"\n");
        QCOMPARE(::chmod(stub.constData(), 0700), 0);
        scriptfiles::startInterpreter(fileNameText(stub), script, ::geteuid());
        QTRY_VERIFY_WITH_TIMEOUT(::access(recorded.constData(), R_OK) == 0, 10000);
        QCOMPARE(contentOfBytes(recorded), folder + "/Shut down.bat");
    }

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QDir m_dir;
    DesktopPlatform m_platform;
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
