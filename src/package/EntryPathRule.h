// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "InstallOutcome.h"

#include <QString>

// Which entry paths an install refuses before it writes anything: a path that climbs out of
// the install folder, one the file system would cut at a NUL, one into the simulator's program
// folder, and one too long for the file system to create.
class EntryPathRule
{
public:
    explicit EntryPathRule(const QString &installBase);

    // None for a path that may be written.
    InstallOutcome::Refusal judge(const QString &relPath, const QString &relFilePath) const;

    // Whether a relative path lies in the folder that holds the program "Ride!" starts, which
    // neither an install nor an undo may change.
    static bool insideSimulatorProgram(const QString &relativePath);

private:
    const QString m_installBase;
    const long m_longestName; // in bytes, on the file system that holds the install base
};
