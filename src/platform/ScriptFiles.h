// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// The file and process work behind DesktopPlatform::writeFile and startScript, as free functions so
// tests can name the interpreter and never start the real one.
namespace scriptfiles {

// Writes content to a fresh temporary file beside path, syncs it and renames it over path. A
// symbolic link at path is replaced, never followed. Throws PlatformError; on failure no temporary
// file is left behind and path is untouched.
void replaceFile(const QString &path, const QByteArray &content);

// Starts interpreter with scriptPath as its only argument, detached. Throws PlatformError when the
// interpreter is missing, not executable or cannot be started.
void startInterpreter(const QString &interpreter, const QString &scriptPath);

// alarm-cmd beside the running program.
QString defaultInterpreter();

} // namespace scriptfiles
