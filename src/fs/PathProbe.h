// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

// What lies at a path, following symbolic links as the file manager does: a dangling link
// counts as nothing.
namespace PathProbe {
enum class Kind { Nothing, Folder, Other };
Kind kindAt(const QString &path);
Kind kindAt(const QByteArray &encodedPath);
} // namespace PathProbe
