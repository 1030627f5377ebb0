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

QString UserDefaults::stringForKey(const QString &key) const
{
    return objectForKey(key).toString();
}

bool UserDefaults::boolForKey(const QString &key) const
{
    return objectForKey(key).toBool();
}

bool UserDefaults::hasStoredValueForKey(const QString &key) const
{
    const QSettings settings;
    return settings.contains(key);
}
