// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Developer traces: one line per call to the system log and to standard error. Written in
// English whatever the user's language, never through tr(): they end up in bug reports, read
// by whoever maintains the program.
namespace SystemLog {
// Control characters inside `line` are written as PlainText::oneLine shows them.
void write(const QString &line);
// The system log's half of write(), for a line already shown as PlainText::oneLine shows it.
void toSystemLog(const QString &shown);
} // namespace SystemLog
