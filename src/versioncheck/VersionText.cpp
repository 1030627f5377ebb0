// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "VersionText.h"

#include <QStringList>
#include <QCoreApplication>

namespace VersionText {

const QString OwnVersion = QStringLiteral("1.1");

namespace {
const QString DefaultSite = QStringLiteral("https://cratewright.zoomcrest.org");

QUrl atPath(const QString &path)
{
    QString site = qEnvironmentVariable("CRATEWRIGHT_SITE", DefaultSite);
    while (site.endsWith(QLatin1Char('/')))
        site.chop(1);
    return QUrl(site + path);
}
} // namespace

QUrl siteUrl()
{
    return atPath(QString());
}

QUrl versionCheckUrl()
{
    return atPath(QStringLiteral("/maczccratewright/versioncheck.txt"));
}

QUrl documentationUrl()
{
    return atPath(QStringLiteral("/maczccratewright/"));
}

QString messageFor(const std::optional<QString> &text)
{
    // An empty body is no version text either: a server that answers nothing has told us nothing.
    if (!text || text->isEmpty())
        return QCoreApplication::translate("VersionText", "Error Retrieving Version Information");
    const QStringList lines = text->split(QLatin1Char('\n'));
    const QString newest = lines.value(0);
    if (newest == OwnVersion)
        return QCoreApplication::translate("VersionText", "Latest Version: %1\n\nYou are up to date.").arg(newest);
    return QCoreApplication::translate("VersionText", "New Version: %1\n\nDownload & More Information:\n%2")
        .arg(newest, lines.value(1));
}

} // namespace VersionText
