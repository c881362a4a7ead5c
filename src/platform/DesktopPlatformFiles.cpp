// SPDX-License-Identifier: MIT
#include "DesktopPlatform.h"

#include <QCoreApplication>
#include <QStandardPaths>

QString DesktopPlatform::programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString DesktopPlatform::runtimeDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

void DesktopPlatform::writeFile(const QString &, const QByteArray &)
{
    throw PlatformError("writing files is not available yet");
}

void DesktopPlatform::startScript(const QString &)
{
    throw PlatformError("starting scripts is not available yet");
}
