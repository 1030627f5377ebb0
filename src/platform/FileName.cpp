// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FileName.h"

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace FileName {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

// An escaped byte: a low surrogate in U+DC80..U+DCFF that does not complete a pair (U+10080
// and its like are U+D800 U+DC80 and must stay four bytes of UTF-8).
bool isEscapeAt(const char16_t *units, qsizetype at)
{
    return units[at] >= 0xDC80 && units[at] <= 0xDCFF && !(at > 0 && QChar::isHighSurrogate(units[at - 1]));
}

// The length of the valid UTF-8 sequence at `bytes`, of at most `left` bytes; 0 when none
// starts there. Overlong forms, surrogates and anything above U+10FFFF are not valid: decoded
// and encoded again they would come out as other bytes.
int sequenceLength(const uchar *bytes, qsizetype left)
{
    const uchar lead = bytes[0];
    if (lead < 0x80)
        return 1;
    int length;
    char32_t point, least;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        point = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        point = point << 6 | (bytes[i] & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QByteArray encode(const QString &name)
{
    const char16_t *units = QStringView(name).utf16();
    const qsizetype size = name.size();
    // Nearly every name holds no escape: Qt's encoder at its own speed, which an install asks
    // for once a file.
    qsizetype at = 0;
    while (at < size && !isEscapeAt(units, at))
        ++at;
    if (at == size)
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(size * 3);
    qsizetype runStart = 0;
    for (; at < size; ++at) {
        if (!isEscapeAt(units, at))
            continue;
        bytes += QStringView(units + runStart, at - runStart).toUtf8();
        bytes += char(units[at] - EscapeBase);
        runStart = at + 1;
    }
    bytes += QStringView(units + runStart, size - runStart).toUtf8();
    return bytes;
}

QString decode(const QByteArray &bytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    QString name;
    name.reserve(size);
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < size;) {
        if (const int length = sequenceLength(data + at, size - at)) {
            at += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + runStart, at - runStart);
        name += QChar(char16_t(EscapeBase + data[at]));
        runStart = ++at;
    }
    name += QString::fromUtf8(bytes.constData() + runStart, size - runStart);
    return name;
}

QString absolute(const QString &path)
{
    if (path.startsWith(QLatin1Char('/')))
        return path;
    const std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
    if (!folder)
        return path; // the working folder is gone: nothing to make it absolute with
    QString base = decode(QByteArray(folder.get()));
    if (path.isEmpty())
        return base;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + path;
}

QString asText(const QString &name)
{
    const auto isLone = [&name](qsizetype at) {
        const QChar c = name.at(at);
        if (QChar::isHighSurrogate(c.unicode()))
            return at + 1 == name.size() || !name.at(at + 1).isLowSurrogate();
        return c.isLowSurrogate() && (at == 0 || !name.at(at - 1).isHighSurrogate());
    };
    QString text = name;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text.at(at).isSurrogate() && isLone(at))
            text[at] = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace FileName
