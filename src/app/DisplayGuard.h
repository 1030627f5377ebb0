// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

// The desktop program where no window can be shown (a server over ssh, a container, a missing
// platform plugin): one line that says so and points to the command-line tool, and exit status
// 1, instead of Qt's abort with a core dump and a page about plugins.
class DisplayGuard
{
public:
    // From here until the guard goes, Qt failing to reach the display or to load a platform
    // plugin ends the program that way. Qt's own messages about the window system are held
    // back meanwhile, and passed on once it came up after all.
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard &) = delete;
    DisplayGuard &operator=(const DisplayGuard &) = delete;

    // Ends the program at once when nothing names a display or a platform to use: Qt would
    // only find that out after loading its plugins.
    static void requireDisplay();

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
    [[noreturn]] static void noDisplay();
};
