// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/types.h>

// The file and process work behind DesktopPlatform's script operations, as free functions so tests
// can name the user, the system's directories and the interpreter, and never start the real one.
//
// A script that powers the machine off must run only as its user wrote it: it is written, and its
// interpreter started, only where no one but that user and root can change a thing.
namespace scriptfiles {

// Installed programs live here; a program in one of them never writes beside itself.
inline const QStringList kSystemDirectories = {
    QStringLiteral("/usr"),   QStringLiteral("/opt"),    QStringLiteral("/bin"),
    QStringLiteral("/sbin"),  QStringLiteral("/lib"),    QStringLiteral("/lib32"),
    QStringLiteral("/lib64"), QStringLiteral("/libx32"), QStringLiteral("/snap"),
};

// Whom the program acts for, and which directories are the system's.
struct Policy {
    uid_t user = 0;
    QStringList systemDirectories;

    // The running program's: its effective user and kSystemDirectories.
    static Policy current();
};

// Why no script may go into directory, or empty: it is "/" or lies in one of the system's
// directories, it is not the user's own, or someone other than the user and root could change it
// or a directory above it.
QString directoryRefusal(const QString &directory, const Policy &policy);

// Why interpreter may not be started, or empty: it is missing or not an executable file, or
// someone other than the user and root could change it, its directory or a directory above.
QString interpreterRefusal(const QString &interpreter, uid_t user);
// The same for a helper program beside the window's own.
QString helperRefusal(const QString &helper, uid_t user);

// Writes content to a fresh temporary file beside path, syncs it and renames it over path. A
// symbolic link at path is replaced, never followed; the file is never writable by group or others.
// Throws PlatformError; on failure no temporary file is left behind and path is untouched.
void replaceFile(const QString &path, const QByteArray &content);

// replaceFile, once the directory of path has passed directoryRefusal. Throws PlatformError.
void writeScript(const QString &path, const QByteArray &content, const Policy &policy);

// Starts interpreter with scriptPath as its only argument, detached, once it has passed
// interpreterRefusal. Throws PlatformError when it is refused or cannot be started.
void startInterpreter(const QString &interpreter, const QString &scriptPath, uid_t user);

// The user's runtime directory (ownership::findRuntimeDirectory). remark hears why XDG_RUNTIME_DIR
// was passed over, if it was. Throws PlatformError when there is none of the user's own to be had,
// rather than handing back a path that is not one.
QString runtimeDirectory(const std::function<void(const QString &)> &remark = {});

// alarm-cmd beside the running program. Throws PlatformError when the program's own directory
// cannot be read.
QString defaultInterpreter();

} // namespace scriptfiles
