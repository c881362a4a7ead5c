// SPDX-License-Identifier: MIT
#include "ScriptFiles.h"

#include "DetachedStart.h"
#include "FileNames.h"
#include "Ownership.h"
#include "Platform.h"
#include "RuntimeDirectory.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

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

// The path with every link and "." or ".." resolved, or empty when it does not exist.
QString canonical(const QString &path)
{
    char resolved[PATH_MAX];
    return ::realpath(fileNameBytes(path).constData(), resolved) ? fileNameText(resolved) : QString();
}

QString parentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString problemOfDirectory(const QString &directory, uid_t user)
{
    return fileNameText(
        QByteArray::fromStdString(ownership::directoryProblem(fileNameBytes(directory).toStdString(), user)));
}

int lstatOf(const QString &path, struct stat &info)
{
    return ::lstat(fileNameBytes(path).constData(), &info);
}

// A new file of ours in directory, named after base and a random number; its name goes to
// temporary. O_EXCL on a random name: nothing planted in the directory can be opened in its place.
int createTemporaryBeside(const QString &directory, const QString &base, QByteArray &temporary)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary =
            fileNameBytes(QStringLiteral("%1/.%2.%3.tmp")
                              .arg(directory, base)
                              .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0')));
        const int fd =
            ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            fail(QStringLiteral("cannot create a file in"), directory, errno);
    }
    fail(QStringLiteral("cannot create a file in"), directory, EEXIST);
}

// Why program may not be started, or empty; missing names a program that is not there.
QString programRefusal(const QString &program, uid_t user, const QString &missing)
{
    const QString real = canonical(program);
    struct stat info {
    };
    if (real.isEmpty() || ::stat(fileNameBytes(real).constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(fileNameBytes(real).constData(), X_OK) != 0)
        return missing.arg(program);
    // The directory the name is looked up in, and that of the file it leads to: whoever could
    // change either could choose what runs.
    const QString named = canonical(parentOf(program));
    for (const QString &directory : {named, parentOf(real)}) {
        const QString problem = problemOfDirectory(directory, user);
        if (!problem.isEmpty())
            return QStringLiteral("will not start %1: %2").arg(program, problem);
    }
    if (lstatOf(real, info) != 0)
        return QStringLiteral("will not start %1: %2")
            .arg(program, QString::fromLocal8Bit(std::strerror(errno)));
    const std::string problem = ownership::problem(info, user, false);
    if (!problem.empty())
        return QStringLiteral("will not start %1: %2 %3").arg(program, real, QString::fromLocal8Bit(problem));
    return {};
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
    if (lstatOf(real, info) != 0)
        return QStringLiteral("%1: %2").arg(real, QString::fromLocal8Bit(std::strerror(errno)));
    // Root's directories are fine above it, but the script's own must be the user's.
    if (info.st_uid != policy.user)
        return QStringLiteral("%1 is not the user's own (it belongs to uid %2)").arg(real).arg(info.st_uid);
    return problemOfDirectory(real, policy.user);
}

QString interpreterRefusal(const QString &interpreter, uid_t user)
{
    return programRefusal(interpreter, user, QStringLiteral("no interpreter for scripts at %1"));
}

QString helperRefusal(const QString &helper, uid_t user)
{
    return programRefusal(helper, user, QStringLiteral("no helper at %1"));
}

void replaceFile(const QString &path, const QByteArray &content)
{
    // QSaveFile resolves a symbolic link and writes to its target, so the file is written by hand.
    const QString directory = parentOf(path);
    const QString base = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (base.isEmpty())
        throw PlatformError(QStringLiteral("not a file name: %1").arg(path).toStdString());

    QByteArray temporary;
    int fd = createTemporaryBeside(directory, base, temporary);
    const auto abandon = [&](const QString &what, int error) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.constData());
        fail(what, path, error);
    };
    if (!writeAll(fd, content))
        abandon(QStringLiteral("cannot write"), errno ? errno : EIO);
    // Synced before the rename, so a crash leaves the old file or the whole new one.
    if (::fsync(fd) != 0)
        abandon(QStringLiteral("cannot sync"), errno);
    const int closed = ::close(std::exchange(fd, -1));
    if (closed != 0)
        abandon(QStringLiteral("cannot write"), errno);
    // rename() replaces the name itself; a symbolic link there is dropped, its target untouched.
    if (::rename(temporary.constData(), fileNameBytes(path).constData()) != 0)
        abandon(QStringLiteral("cannot replace"), errno);

    // Best effort: make the rename itself durable.
    const int dirFd = ::open(fileNameBytes(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void writeScript(const QString &path, const QByteArray &content, const Policy &policy)
{
    // Into the directory that is checked, whatever a link on the way to it may point to later.
    const QString named = parentOf(path);
    const QString directory = canonical(named);
    const QString refusal = directoryRefusal(directory.isEmpty() ? named : directory, policy);
    if (!refusal.isEmpty())
        refuse(QStringLiteral("will not write %1: %2").arg(path, refusal));
    replaceFile(directory + QLatin1Char('/') + path.mid(path.lastIndexOf(QLatin1Char('/')) + 1), content);
}

void startInterpreter(const QString &interpreter, const QString &scriptPath, uid_t user)
{
    const QString refusal = interpreterRefusal(interpreter, user);
    if (!refusal.isEmpty())
        refuse(refusal);
    // An argument list, never a command line: the blank in "Shut down.bat" stays inside one argument.
    const QByteArray program = fileNameBytes(canonical(interpreter));
    const pid_t started = startDetached(program, {program, fileNameBytes(scriptPath)}, Streams::Inherited);
    if (started < 0)
        refuse(QStringLiteral("cannot start %1: %2")
                   .arg(interpreter, QString::fromLocal8Bit(std::strerror(-started))));
}

QString runtimeDirectory(const std::function<void(const QString &)> &remark)
{
    const ownership::RuntimeDirectory found = ownership::findRuntimeDirectory(::geteuid());
    if (!found.remark.empty() && remark)
        remark(fileNameText(QByteArray::fromStdString(found.remark)));
    if (found.path.empty())
        refuse(QStringLiteral("no runtime directory of the user's own can be had (%1)")
                   .arg(fileNameText(QByteArray::fromStdString(found.remark))));
    return fileNameText(QByteArray::fromStdString(found.path));
}

QString defaultInterpreter()
{
    return runningProgramDirectory() + QStringLiteral("/alarm-cmd");
}

} // namespace scriptfiles
