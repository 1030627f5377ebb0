// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Text that comes from a package or a server, made safe to show in a log or on a terminal: it
// can neither start a line that passes for another entry nor drive the terminal. Line feed and
// carriage return are shown as the two characters \n and \r, every other control character
// (C0, DEL, C1; tab excepted) as U+FFFD.
namespace PlainText {
QString oneLine(const QString &text);
// The same, but line feeds stay: for texts that are several lines by design (comments,
// messages).
QString lines(const QString &text);
} // namespace PlainText
