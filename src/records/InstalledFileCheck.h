// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "InstallRecord.h"

#include <QList>

// Whether each file an install wrote still holds what it wrote, read back and hashed. It only
// informs the user before an undo (which checks again, through its folder's rules, as it
// works), so it reads by path; it touches nothing, and may run on any thread.
namespace InstalledFileCheck {

enum class State { Unchanged, Changed, Gone };

// One state for each of the record's files, in their order.
QList<State> check(const InstallRecord &record);

} // namespace InstalledFileCheck
