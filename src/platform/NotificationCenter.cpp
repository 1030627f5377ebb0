// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "NotificationCenter.h"

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void *observer, const QString &name, Handler handler)
{
    m_registrations.append({observer, name, std::move(handler)});
}

void NotificationCenter::removeObserver(const void *observer)
{
    m_registrations.removeIf([observer](const Registration &r) { return r.observer == observer; });
}

void NotificationCenter::postNotificationName(const QString &name, const void *object)
{
    const Notification notification{name, object};
    // A copy, so that an observer may add or remove registrations while it is being called.
    const QList<Registration> registrations = m_registrations;
    for (const Registration &registration : registrations) {
        if (registration.name == name)
            registration.handler(notification);
    }
}
