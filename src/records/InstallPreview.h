// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "RecordStore.h"
#include "package/InstallOutcome.h"
#include "package/PackageContents.h"
#include "package/ResultCodes.h"

#include <QList>
#include <QString>

// What installing a package into a folder would do to each of its files, found out without
// writing anything: no folder made, no lock taken, no record begun, nothing repaired. Each
// entry is judged by the install's own rules (EntryPathRule) and its folder reached by the
// install's own walk (InstallFolder, links and all), so that what this says is refused is what
// the install refuses.
class InstallPreview
{
public:
    enum class Action { New, Replaces, Identical, Refused };

    struct File
    {
        // As the install's record keeps it; a refused entry's as the package spells it.
        QString path;
        Action action = Action::New;
        // Replaces: the recorded install whose file stands there unchanged, the newest first;
        // empty when no recorded install wrote what stands there.
        QString recordId;
        QString recordTitle;
        InstallOutcome::Refusal refusal = InstallOutcome::Refusal::None; // Refused: why
    };

    struct Result
    {
        // What the install would come to before it writes a file: Success, or the code of a
        // folder it can't use (`cause` says why) or of an entry it refuses.
        InstallResult code = InstallResult::Success;
        DiskResult cause;
        QList<File> files; // in the package's order; none when the folder can't be used
    };

    explicit InstallPreview(const RecordStore &store);

    // The action as a fixed word ("new", "replaces", "identical", "refused"), the same in every
    // language for what reads it by machine; actionText() is that word in the user's language.
    // detailText() is what the user needs beside it (who wrote the file to be replaced, why an
    // entry is refused; empty otherwise).
    static QString actionName(Action action);
    static QString actionText(Action action);
    static QString detailText(const File &file);

    // `installBase`: resolved, as TrackPackage::resolvedPath() gives it.
    Result preview(const PackageContents &package, const QString &installBase) const;

private:
    const RecordStore &m_store;
};
