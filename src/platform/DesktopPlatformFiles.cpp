// SPDX-License-Identifier: MIT
#include "DesktopPlatform.h"
#include "FileNames.h"
#include "ScriptFiles.h"

#include <unistd.h>

QString DesktopPlatform::programDirectory()
{
    return runningProgramDirectory();
}

QString DesktopPlatform::runtimeDirectory()
{
    // Asked at every attempt of a failing shut-down: why XDG_RUNTIME_DIR was passed over is told once.
    return scriptfiles::runtimeDirectory([this](const QString &remark) { printErrorOnce(remark); });
}

void DesktopPlatform::writeFile(const QString &path, const QByteArray &content)
{
    scriptfiles::writeScript(path, content, scriptfiles::Policy::current());
}

void DesktopPlatform::startScript(const QString &path)
{
    scriptfiles::startInterpreter(scriptfiles::defaultInterpreter(), path, ::geteuid());
}
