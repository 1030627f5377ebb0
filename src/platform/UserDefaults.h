// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// The user's settings store. Registered defaults are fallback values read while the user has
// stored nothing under a key; they are never written. The store itself is QSettings under the
// organisation and application names that main() sets, and persists on its own schedule.
class UserDefaults
{
public:
    static UserDefaults &standardUserDefaults();

    void registerDefaults(const QVariantMap &defaults);
    QVariant objectForKey(const QString &key) const;
    void setObjectForKey(const QVariant &value, const QString &key);
    // Stores every value and writes the store to its file at once; false when that failed (the
    // file or its folder can't be written, the disk is full). The values are then taken back,
    // so this run doesn't go on with settings that the next one won't have.
    bool setObjectsForKeys(const QVariantMap &values);
    // The file the store lives in, for messages.
    QString storeFileName() const;
    QString stringForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    // A stored value read as a flag, the way the settings file has always been read: true when
    // its text, after blanks and then an optional sign with leading zeros, starts with Y, y,
    // T, t or a digit 1-9. So "no", "off" and "0" are false, "yes", "true" and "2" are true.
    static bool boolValue(const QVariant &value);
    // Whether the user has stored a value of their own under `key`.
    bool hasStoredValueForKey(const QString &key) const;

private:
    QVariantMap m_registeredDefaults;
};
