// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// The one-line script that the command interpreter turns into a forced, immediate power-off.
inline const QByteArray kShutdownScript =
    QByteArrayLiteral("C:\\windows\\system32\\shutdown -s -f -t 00\r\n");

// The script's place in a directory. The directory text is used as it is, so the root directory
// gives "//Shut down.bat".
inline QString shutdownScriptPath(const QString &directory)
{
    return directory + QStringLiteral("/Shut down.bat");
}
