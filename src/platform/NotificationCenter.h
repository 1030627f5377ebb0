// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QString>

#include <functional>

struct Notification
{
    QString name;
    const void *object = nullptr; // the poster
};

// The process-wide notification centre: posting calls every observer of that name
// synchronously, in the order in which they were added, before it returns.
class NotificationCenter
{
public:
    using Handler = std::function<void(const Notification &)>;

    static NotificationCenter &defaultCenter();

    // `observer` only identifies the registration for removeObserver().
    void addObserver(const void *observer, const QString &name, Handler handler);
    void removeObserver(const void *observer);
    void postNotificationName(const QString &name, const void *object);

private:
    struct Registration
    {
        const void *observer;
        QString name;
        Handler handler;
    };
    QList<Registration> m_registrations;
};
