// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "UserDefaults.h"

#include <QSettings>

UserDefaults &UserDefaults::standardUserDefaults()
{
    static UserDefaults defaults;
    return defaults;
}

void UserDefaults::registerDefaults(const QVariantMap &defaults)
{
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_registeredDefaults.insert(it.key(), it.value());
}

QVariant UserDefaults::objectForKey(const QString &key) const
{
    // A QSettings per call: it shares Qt's cached copy of the file, and every write is on its
    // way to disk when the call returns, also in short-lived command-line runs.
    const QSettings settings;
    const QVariant stored = settings.value(key);
    return stored.isValid() ? stored : m_registeredDefaults.value(key);
}

void UserDefaults::setObjectForKey(const QVariant &value, const QString &key)
{
    QSettings settings;
    settings.setValue(key, value);
}

bool UserDefaults::setObjectsForKeys(const QVariantMap &values)
{
    QSettings settings;
    QVariantMap before;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        before.insert(it.key(), settings.value(it.key()));
        settings.setValue(it.key(), it.value());
    }
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    // Qt keeps what it could not write and hands it to every later reader in this process.
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.value().isValid())
            settings.setValue(it.key(), it.value());
        else
            settings.remove(it.key());
    }
    return false;
}

QString UserDefaults::storeFileName() const
{
    return QSettings().fileName();
}

QString UserDefaults::stringForKey(const QString &key) const
{
    return objectForKey(key).toString();
}

bool UserDefaults::boolForKey(const QString &key) const
{
    return boolValue(objectForKey(key));
}

bool UserDefaults::boolValue(const QVariant &value)
{
    // A flag the program wrote itself comes back from the file as the text "true" or "false".
    const QString text = value.toString();
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    while (i < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    if (i == text.size())
        return false;
    const QChar first = text.at(i);
    return first == QLatin1Char('Y') || first == QLatin1Char('y') || first == QLatin1Char('T')
           || first == QLatin1Char('t') || (first >= QLatin1Char('1') && first <= QLatin1Char('9'));
}

bool UserDefaults::hasStoredValueForKey(const QString &key) const
{
    const QSettings settings;
    return settings.contains(key);
}
