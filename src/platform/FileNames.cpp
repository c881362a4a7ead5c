// SPDX-License-Identifier: MIT
#include "FileNames.h"

#include "Platform.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <unistd.h>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at the start of bytes, or 0. Overlong forms,
// encoded surrogates and code points past U+10FFFF are not well formed.
int sequenceLength(const unsigned char *bytes, qsizetype available)
{
    const unsigned char lead = bytes[0];
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (available < length || bytes[1] < low || bytes[1] > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if (!isContinuation(bytes[i]))
            return 0;
    }
    return length;
}

} // namespace

QString fileNameText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (qsizetype at = 0; at < bytes.size();) {
        const int length = sequenceLength(data + at, bytes.size() - at);
        if (length == 0) {
            text += QChar(char16_t(kEscapeBase + data[at]));
            ++at;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + at, length);
        at += length;
    }
    return text;
}

QByteArray fileNameBytes(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char16_t unit = text.at(at).unicode();
        if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            bytes += char(unit - kEscapeBase);
        } else if (QChar::isHighSurrogate(unit) && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
            bytes += text.mid(at, 2).toUtf8();
            ++at;
        } else {
            // A lone surrogate that no decoding here produced has no bytes; toUtf8 marks it.
            bytes += QString(QChar(unit)).toUtf8();
        }
    }
    return bytes;
}

QString runningProgramDirectory()
{
    std::vector<char> target(4096);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0)
            throw PlatformError(std::string("cannot find the program's own directory: ") +
                                std::strerror(errno));
        if (size_t(length) < target.size()) {
            const QByteArray path(target.data(), length);
            const qsizetype slash = path.lastIndexOf('/');
            if (slash < 0)
                throw PlatformError("cannot find the program's own directory: /proc/self/exe is no path");
            return fileNameText(slash == 0 ? QByteArray("/") : path.left(slash));
        }
        target.resize(target.size() * 2);
    }
}
