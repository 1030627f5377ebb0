// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMetaType>
#include <QString>

// One alert as the user sees it. An empty label means that button is absent; every field
// starts empty, so a report names its title, message and one button and nothing more.
struct Alert
{
    // Most alerts ask about, or report, something that went wrong; a report that all went well
    // says so with the information icon.
    enum class Icon { Warning, Information };

    QString title{};
    QString message{};
    QString defaultButton{};
    QString alternateButton{};
    QString otherButton{};
    Icon icon = Icon::Warning;
    // The default button is listed first and answers Default, but where it destroys something a
    // stray Enter must not press it: Enter then takes the alternate button.
    bool enterTakesAlternate = false;
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
