// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

// File names as Linux has them, bytes, held in a QString without losing any. Qt's own mapping
// (QFile::encodeName, QCoreApplication::arguments, QFileInfo) decodes as UTF-8 and turns every
// byte that isn't into U+FFFD, so a folder named in Latin-1 comes back as another name, and
// writing to it makes a new folder beside the real one.
//
// Valid UTF-8 decodes as usual. Each byte of a sequence that is not valid UTF-8 (a stray
// continuation byte, a cut-short, overlong or surrogate sequence, anything above U+10FFFF)
// becomes the lone surrogate U+DC00 + byte, U+DC80..U+DCFF, which valid text never holds;
// encoding turns those back into their byte and everything else into UTF-8, as Python's
// "surrogateescape" does. So encode(decode(bytes)) == bytes for any bytes, and a name
// decoded here can be taken apart and joined with others as any QString.
//
// Qt's file classes must never see such a name: they encode it their own way, and the escapes
// would come out as U+FFFD (or "?"). Paths go to the system through encode() and POSIX calls.
namespace FileName {

QByteArray encode(const QString &name);
QString decode(const QByteArray &bytes);

// `path` made absolute against the working folder, as the system names it (QDir::currentPath
// would decode it the lossy way); not cleaned. An absolute or empty path comes back as it is.
QString absolute(const QString &path);

// The name as text that every reader takes: each escaped byte and any other lone surrogate
// shown as U+FFFD, as Qt's decoding would show it. For output that must be valid Unicode.
QString asText(const QString &name);

} // namespace FileName
