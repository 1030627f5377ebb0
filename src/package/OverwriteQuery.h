// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMetaType>
#include <QString>

#include <functional>

// What to do with a file that already stands where an entry goes.
enum class OverwriteAnswer {
    Replace,    // this file; the next one is asked about again
    Keep,       // the file stays as it is (a kept track file is still the package's track file)
    ReplaceAll, // this file and every later one of the same install, without asking
};
// Tests queue answers as data.
Q_DECLARE_METATYPE(OverwriteAnswer)

// Asked, while asking is on, before an existing file is replaced; `relFilePath` names the file
// by its path inside the package. Whoever installs decides how the user is asked: the core
// only waits for the answer.
using OverwriteQuery = std::function<OverwriteAnswer(const QString &relFilePath)>;

// The question as the desktop program asks it: a beep, then the "File Already Exists" alert
// through the current platform (Yes replaces, No keeps, Yes To All replaces from here on).
OverwriteQuery platformOverwriteQuery();
