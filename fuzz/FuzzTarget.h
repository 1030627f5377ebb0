// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

// What every fuzz target shares: how it stops on a fault, and quiet.
namespace FuzzTarget {

// Stops the fuzzer, which keeps the input that got here.
[[noreturn]] inline void fail(const QString &what)
{
    std::fprintf(stderr, "cratewright fuzz: %s\n", qPrintable(what));
    std::abort();
}

// Qt warns once per run about some hostile input (a NUL byte in a path); the fuzzer's own
// report is what matters, so only fatal messages get through.
inline void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        fail(message);
}

} // namespace FuzzTarget
