// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PlainText.h"

namespace PlainText {

namespace {
QString escaped(const QString &text, bool keepLineFeeds)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            result += keepLineFeeds ? QString(c) : QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            result += QLatin1String("\\r");
        else if (c.category() == QChar::Other_Control && c != QLatin1Char('\t'))
            result += QChar(QChar::ReplacementCharacter);
        else
            result += c;
    }
    return result;
}
} // namespace

QString oneLine(const QString &text)
{
    return escaped(text, false);
}

QString lines(const QString &text)
{
    return escaped(text, true);
}

} // namespace PlainText
