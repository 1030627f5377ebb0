// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PackageInstaller.h"

#include "EntryPathRule.h"
#include "InflateAhead.h"
#include "InstallObserver.h"
#include "PackageCursor.h"
#include "PackageExtractor.h"
#include "TrackPackage.h"
#include "fs/InstallFolder.h"
#include "fs/PathProbe.h"
#include "fs/SpaceSurvey.h"
#include "fs/StopSignals.h"

#include <cerrno>

PackageInstaller::PackageInstaller(const PackageContents &package, Settings settings)
    : m_package(package)
    , m_settings(std::move(settings))
{
}

void PackageInstaller::reportProgress(qint64 done) const
{
    if (m_settings.progress)
        m_settings.progress(done, m_totalBytes);
}

qint64 PackageInstaller::contentSize(const QList<ZLibCompFileMetaData> &entries)
{
    qint64 bytes = 0;
    for (const ZLibCompFileMetaData &entry : entries)
        bytes += entry.unCompSize(); // never negative once refuseHostileEntries() let them by
    return bytes;
}

bool PackageInstaller::prepareInstallBase(InstallOutcome *outcome) const
{
    const QString &base = m_installBase;
    outcome->code = InstallResult::BDIR;
    switch (PathProbe::kindAt(base)) {
    case PathProbe::Kind::Other:
        outcome->cause = DiskResult::failed(QStringLiteral("use folder"), "", ENOTDIR, base);
        return false;
    case PathProbe::Kind::Nothing:
        if (!TrackPackage::createFoldersRecursivelyInPath(base)) {
            outcome->cause = DiskResult::failed(QStringLiteral("create folder"), "mkdir", errno, base);
            outcome->refusal = InstallOutcome::Refusal::FolderNotMade;
            outcome->refusedPath = base;
            return false;
        }
        break;
    case PathProbe::Kind::Folder:
        break;
    }
    if (!TrackPackage::pathIsFolder(base))
        return false;
    outcome->code = InstallResult::Success;
    return true;
}

bool PackageInstaller::dataIsInside(const PackageContents &package, const ZLibCompFileMetaData &entry)
{
    const qint64 dataOffset = qint64(package.baseOffset) + entry.baseRelOffset();
    return entry.unCompSize() >= 0 && entry.compSize() >= 0
           && PackageCursor::rangeIsInside(package.pkgFileData, dataOffset, entry.compSize());
}

bool PackageInstaller::refuseHostileEntries(InstallOutcome *outcome) const
{
    // Every entry is judged before the first file is written, so a refused package writes
    // nothing at all.
    const EntryPathRule rule(m_installBase);
    for (const ZLibCompFileMetaData &entry : m_package.compFileMetaData) {
        if (!dataIsInside(m_package, entry)) {
            outcome->code = InstallResult::UCOMP;
            return false;
        }
        const QString relFilePath = entry.relFilePath();
        if (const InstallOutcome::Refusal refusal = rule.judge(entry.relPath(), relFilePath);
            refusal != InstallOutcome::Refusal::None) {
            outcome->code = InstallResult::FDIR;
            outcome->refusal = refusal;
            outcome->refusedPath = relFilePath;
            return false;
        }
    }
    return true;
}

bool PackageInstaller::lockAndSurvey(InstallFolder &folder, InstallOutcome *outcome) const
{
    // Progress goes on while it waits, which keeps a bar drawn.
    const DiskResult locked = folder.lock(m_settings.lockWaitBegins, [this](std::chrono::milliseconds pause) {
        reportProgress(0);
        return m_settings.lockWaitPause ? m_settings.lockWaitPause(pause) : InstallFolder::sleepThrough(pause);
    });
    if (!locked.ok()) {
        outcome->code = InstallResult::Stopped;
        return false;
    }
    outcome->lockError = folder.lockError();
    const QList<ZLibCompFileMetaData> &entries = m_package.compFileMetaData;
    const DiskResult surveyed =
        SpaceSurvey(folder, !m_settings.replacesNothing).survey(entries.size(), [&entries](qsizetype i) {
            const ZLibCompFileMetaData &entry = entries.at(i);
            return SpaceSurvey::PlannedFile{entry.relPath(), entry.filename(), entry.unCompSize()};
        });
    if (surveyed.ok())
        return true;
    const bool noRoom = surveyed.failedWith(ENOSPC);
    outcome->code = noRoom ? InstallResult::WRITE : InstallResult::FDIR;
    outcome->refusal = noRoom ? InstallOutcome::Refusal::NoRoom : InstallOutcome::Refusal::OtherUsersLink;
    outcome->refusedPath = surveyed.path;
    return false;
}

InstallOutcome PackageInstaller::install(const QString &installBase, bool askToOverwrite)
{
    m_installBase = installBase;
    InstallOutcome outcome;
    if (!prepareInstallBase(&outcome))
        return outcome;
    if (!m_package.versionIsAccepted()) {
        outcome.code = InstallResult::MISC;
        return outcome;
    }
    if (!refuseHostileEntries(&outcome))
        return outcome;

    const StopSignals signals;
    m_totalBytes = contentSize(m_package.compFileMetaData);
    InstallFolder folder(m_installBase);
    if (!folder.isOpen()) {
        outcome.code = InstallResult::BDIR;
        outcome.cause = DiskResult::failed(QStringLiteral("open folder"), "", folder.openError(), m_installBase);
        return outcome;
    }
    if (!lockAndSurvey(folder, &outcome))
        return outcome;
    if (m_settings.observer)
        m_settings.observer->installBegins(m_installBase, folder.baseFd());
    extractEntries(folder, askToOverwrite, &outcome);
    if (m_settings.observer)
        m_settings.observer->installEnds(outcome.code);
    return outcome;
}

void PackageInstaller::extractEntries(InstallFolder &folder, bool askToOverwrite, InstallOutcome *outcome) const
{
    PackageExtractor extractor(m_installBase, folder, askToOverwrite, m_settings.overwriteQuery, m_settings.observer);
    // Every effect stays in this thread and in index order; workers only inflate (and hash, for
    // the record) ahead, and leaving this function (a failure, a stop) cancels them.
    const QList<ZLibCompFileMetaData> &entries = m_package.compFileMetaData;
    InflateAhead inflated(m_package, m_settings.observer != nullptr, folder.baseFd());
    qint64 bytesDone = 0;
    // A stop is noticed between files, while this thread waits for an entry's bytes, and
    // between the steps of a large file's write, which abandons that file: a stop comes
    // within a fraction of a second, and never leaves a file half written.
    inflated.setWaiting([this, &bytesDone] {
        reportProgress(bytesDone);
        return !StopSignals::stopRequested();
    });
    extractor.setWriteSteps([this, &bytesDone](qint64 written) {
        reportProgress(bytesDone + written);
        return !StopSignals::stopRequested();
    });
    const qint64 total = entries.size();
    for (qint64 i = 0; i < total; ++i) {
        if (StopSignals::stopRequested()) {
            outcome->code = InstallResult::Stopped;
            return;
        }
        const char *bytes = inflated.take(i); // before its hash is asked for
        if (!bytes && inflated.gaveUp()) {
            outcome->code = InstallResult::Stopped;
            return;
        }
        const PackageExtractor::Result result = extractor.extract(entries.at(i), bytes, inflated.takenHash(),
                                                                  inflated.takenFile());
        if (!result.isOk() && StopSignals::stopRequested()) {
            outcome->code = InstallResult::Stopped; // the file given up is no failure of its own
            return;
        }
        if (!result.isOk()) {
            outcome->code = result.code;
            outcome->cause = result.cause;
            outcome->refusal = result.refusal;
            outcome->refusedPath = result.refusedPath;
            return;
        }
        if (result.isTrackFile)
            outcome->trackFile = result.outputPath;
        outcome->filesDone = i + 1;
        bytesDone += entries.at(i).unCompSize();
        reportProgress(bytesDone);
    }
}
