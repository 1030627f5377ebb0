// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMetaType>
#include <QString>

// One alert as the user sees it. An empty label means that button is absent; every field
// starts empty, so a report names its title, message and one button and nothing more.
struct Alert
{
    QString title{};
    QString message{};
    QString defaultButton{};
    QString alternateButton{};
    QString otherButton{};
};

// The button that answered an alert. The numbers are the ones callers have always compared
// with, kept so that a value read back as a number still means the same button.
enum class AlertAnswer : int {
    Default = 1,
    Alternate = 0,
    Other = -1,
};
// Tests queue answers as data.
Q_DECLARE_METATYPE(AlertAnswer)
