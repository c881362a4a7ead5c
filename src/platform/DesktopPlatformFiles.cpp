// SPDX-License-Identifier: MIT
#include "DesktopPlatform.h"
#include "ScriptFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace scriptfiles {
namespace {

[[noreturn]] void fail(const QString &what, const QString &path, int error)
{
    throw PlatformError(QStringLiteral("%1 %2: %3")
                            .arg(what, path, QString::fromLocal8Bit(std::strerror(error)))
                            .toStdString());
}

bool writeAll(int fd, const QByteArray &content)
{
    const char *data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

void replaceFile(const QString &path, const QByteArray &content)
{
    // QSaveFile resolves a symbolic link and writes to its target, so the file is written by hand.
    const QFileInfo info(path);
    const QString directory = info.path();
    const QString base = info.fileName();
    if (base.isEmpty())
        throw PlatformError(QStringLiteral("not a file name: %1").arg(path).toStdString());

    // O_EXCL on a random name: nothing planted in the directory can be opened in place of ours.
    QString temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = QStringLiteral("%1/.%2.%3.tmp")
                        .arg(directory, base)
                        .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
        fd = ::open(QFile::encodeName(temporary).constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            fail(QStringLiteral("cannot create a file in"), directory, errno);
    }
    if (fd < 0)
        fail(QStringLiteral("cannot create a file in"), directory, EEXIST);

    const QByteArray temporaryName = QFile::encodeName(temporary);
    const auto abandon = [&](const QString &what, int error) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporaryName.constData());
        fail(what, path, error);
    };

    if (!writeAll(fd, content))
        abandon(QStringLiteral("cannot write"), errno ? errno : EIO);
    // Synced before the rename, so a crash leaves the old file or the whole new one.
    if (::fsync(fd) != 0)
        abandon(QStringLiteral("cannot sync"), errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        abandon(QStringLiteral("cannot write"), errno);
    // rename() replaces the name itself; a symbolic link there is dropped, its target untouched.
    if (::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0)
        abandon(QStringLiteral("cannot replace"), errno);

    // Best effort: make the rename itself durable.
    const int dirFd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void startInterpreter(const QString &interpreter, const QString &scriptPath)
{
    const QFileInfo program(interpreter);
    if (!program.isFile() || !program.isExecutable())
        throw PlatformError(
            QStringLiteral("no interpreter for scripts at %1").arg(interpreter).toStdString());
    // An argument list, never a command line: the blank in "Shut down.bat" stays inside one argument.
    if (!QProcess::startDetached(interpreter, {scriptPath}))
        throw PlatformError(QStringLiteral("cannot start %1").arg(interpreter).toStdString());
}

QString defaultInterpreter()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/alarm-cmd");
}

} // namespace scriptfiles

QString DesktopPlatform::programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString DesktopPlatform::runtimeDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

void DesktopPlatform::writeFile(const QString &path, const QByteArray &content)
{
    scriptfiles::replaceFile(path, content);
}

void DesktopPlatform::startScript(const QString &path)
{
    scriptfiles::startInterpreter(scriptfiles::defaultInterpreter(), path);
}
