// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// A file name is bytes; the rest of the program handles paths as text. The file system may name a
// folder in bytes that are not UTF-8 (a Latin-1 "café" from an old archive, say), which the usual
// decoding turns into replacement characters, a path that no longer exists. Here each such byte
// becomes one code unit of its own (U+DC80 to U+DCFF, lone surrogates no valid text contains) and
// goes back to the very same byte, so every path survives the trip through text unchanged.
QString fileNameText(const QByteArray &bytes);
QByteArray fileNameBytes(const QString &text);

// The directory that holds the running program, read from the kernel as bytes. Throws
// PlatformError when it cannot be read, rather than handing back an empty path, which would put
// the program's own files at "/".
QString runningProgramDirectory();
