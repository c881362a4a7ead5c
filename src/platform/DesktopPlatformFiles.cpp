// SPDX-License-Identifier: MIT
#include "DesktopPlatform.h"
#include "Ownership.h"
#include "ScriptFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scriptfiles {
namespace {

[[noreturn]] void refuse(const QString &message)
{
    throw PlatformError(message.toStdString());
}

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

bool isWithin(const QString &path, const QString &directory)
{
    return path == directory || path.startsWith(directory + QLatin1Char('/'));
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

QString problemOfDirectory(const QString &directory, uid_t user)
{
    return QString::fromLocal8Bit(
        ownership::directoryProblem(QFile::encodeName(directory).toStdString(), user));
}

} // namespace

Policy Policy::current()
{
    return {::geteuid(), kSystemDirectories};
}

QString directoryRefusal(const QString &directory, const Policy &policy)
{
    const QString real = canonical(directory);
    if (real.isEmpty())
        return QStringLiteral("%1 does not exist").arg(directory);
    if (real == QLatin1String("/"))
        return QStringLiteral("/ belongs to the system");
    for (const QString &system : policy.systemDirectories) {
        const QString realSystem = canonical(system);
        if (isWithin(real, system) || (!realSystem.isEmpty() && isWithin(real, realSystem)))
            return QStringLiteral("%1 belongs to the system").arg(real);
    }
    struct stat info {
    };
    if (::lstat(QFile::encodeName(real).constData(), &info) != 0)
        return QStringLiteral("%1: %2").arg(real, QString::fromLocal8Bit(std::strerror(errno)));
    // Root's directories are fine above it, but the script's own must be the user's.
    if (info.st_uid != policy.user)
        return QStringLiteral("%1 is not the user's own (it belongs to uid %2)").arg(real).arg(info.st_uid);
    return problemOfDirectory(real, policy.user);
}

QString interpreterRefusal(const QString &interpreter, uid_t user)
{
    const QString real = canonical(interpreter);
    const QFileInfo program(real);
    if (real.isEmpty() || !program.isFile() || !program.isExecutable())
        return QStringLiteral("no interpreter for scripts at %1").arg(interpreter);
    // The directory the name is looked up in, and that of the file it leads to: whoever could
    // change either could choose what runs.
    const QString named = canonical(QFileInfo(interpreter).absolutePath());
    for (const QString &directory : {named, program.absolutePath()}) {
        const QString problem = problemOfDirectory(directory, user);
        if (!problem.isEmpty())
            return QStringLiteral("will not start %1: %2").arg(interpreter, problem);
    }
    struct stat info {
    };
    if (::lstat(QFile::encodeName(real).constData(), &info) != 0)
        return QStringLiteral("will not start %1: %2")
            .arg(interpreter, QString::fromLocal8Bit(std::strerror(errno)));
    const std::string problem = ownership::problem(info, user, false);
    if (!problem.empty())
        return QStringLiteral("will not start %1: %2 %3")
            .arg(interpreter, real, QString::fromLocal8Bit(problem));
    return {};
}

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
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
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

void writeScript(const QString &path, const QByteArray &content, const Policy &policy)
{
    // Into the directory that is checked, whatever a link on the way to it may point to later.
    const QFileInfo info(path);
    const QString directory = canonical(info.path());
    const QString refusal = directoryRefusal(directory.isEmpty() ? info.path() : directory, policy);
    if (!refusal.isEmpty())
        refuse(QStringLiteral("will not write %1: %2").arg(path, refusal));
    replaceFile(directory + QLatin1Char('/') + info.fileName(), content);
}

void startInterpreter(const QString &interpreter, const QString &scriptPath, uid_t user)
{
    const QString refusal = interpreterRefusal(interpreter, user);
    if (!refusal.isEmpty())
        refuse(refusal);
    // An argument list, never a command line: the blank in "Shut down.bat" stays inside one argument.
    if (!QProcess::startDetached(canonical(interpreter), {scriptPath}))
        refuse(QStringLiteral("cannot start %1").arg(interpreter));
}

QString runtimeDirectory()
{
    // Qt turns down a directory that is not the user's and falls back to one in the temporary
    // directory; when that is taken as well it answers with nothing, which is no directory at all.
    const QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty())
        refuse(QStringLiteral("no runtime directory of the user's own can be had "
                              "(XDG_RUNTIME_DIR is unset or not the user's, and the one in %1 is taken)")
                   .arg(QDir::tempPath()));
    return directory;
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
    return scriptfiles::runtimeDirectory();
}

void DesktopPlatform::writeFile(const QString &path, const QByteArray &content)
{
    scriptfiles::writeScript(path, content, scriptfiles::Policy::current());
}

void DesktopPlatform::startScript(const QString &path)
{
    scriptfiles::startInterpreter(scriptfiles::defaultInterpreter(), path, ::geteuid());
}
