// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "TestFiles.h"

#include "records/InstallUndo.h"
#include "records/RecordStore.h"

// What an undo did and what it left, as the install-and-undo tables compare them (the
// "outcome" notation in CONTRIBUTING.md). For the tests that link the records library.
namespace UndoSummary {

// Its result, then -removed +restored =kept >handed on !its original not kept, each cause in
// brackets and its message in parentheses.
inline QString of(const InstallUndo::Outcome &done)
{
    const char *results[] = {"Undone", "NotFound", "Refused", "Failed", "Stopped"};
    QString said = QString::fromLatin1(results[int(done.result)]);
    for (const auto &[mark, paths] :
         {std::pair(u'-', done.removed), std::pair(u'+', done.restored), std::pair(u'=', done.kept),
          std::pair(u'>', done.handedOn), std::pair(u'!', done.notKept)})
        for (const QString &path : paths)
            said += QStringLiteral(" %1%2").arg(QChar(mark), path);
    for (const QString &cause : done.causeTexts())
        said += QStringLiteral(" [") + cause + u']';
    return done.message.isEmpty() ? said : said + QStringLiteral(" (") + done.message + u')';
}

// Whether `said` is what `outcome` wants; an outcome ending in "…" gives only how it begins.
inline bool matches(const QString &said, const QString &outcome)
{
    return outcome.endsWith(u'…') ? said.startsWith(outcome.chopped(1)) : said == outcome;
}

// What the data folder still holds: nothing once every install is undone, neither a record
// nor an original nobody refers to.
inline QStringList leftIn(const RecordStore &store)
{
    return TestFiles::describeTree(store.recordsFolder()) + TestFiles::describeTree(store.storeFolder());
}

} // namespace UndoSummary
