// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// The version check without its panel: where the version text and the documentation live,
// and what to tell the user about a fetched text. Shared by the panel and the command-line tool.
namespace VersionText {

// The program's own version, compared character for character with the first line.
extern const QString OwnVersion;

// The site serving the version text and the documentation: CRATEWRIGHT_SITE when set (for
// tests and mirrors), otherwise the project's own site.
QUrl siteUrl();
QUrl versionCheckUrl();
QUrl documentationUrl();

// The message for a fetched version text, or for no text at all. Lines are split at line
// feeds only; nothing is trimmed, so "1.1\r" is a different version.
QString messageFor(const std::optional<QString> &text);

} // namespace VersionText
