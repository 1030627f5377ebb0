// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Extraction: writes a loaded package's files under a folder.
#include "TrackPackage.h"

#include "InflateAhead.h"
#include "PackageCursor.h"
#include "PackageExtractor.h"
#include "ResultCodes.h"
#include "InstallSurvey.h"
#include "InstallFolder.h"
#include "InstallObserver.h"
#include "InstallSignals.h"
#include "PathProbe.h"
#include "platform/FileName.h"
#include "platform/Platform.h"

#include <QThread>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int LockPollMs = 50;

// The folder that holds the program "Ride!" starts: a track package never replaces it.
const QString SimulatorProgramFolder = QStringLiteral("ZoomcrestSimulator.app/Contents/MacOS/");

bool insideSimulatorProgram(const QString &relativePath)
{
    if (!relativePath.contains(QLatin1String("ZoomcrestSimulator.app")))
        return false; // the common case, without normalising the path
    return InstallFolder::normalised(relativePath).startsWith(SimulatorProgramFolder);
}

// No file system call takes a longer path, and deeper paths would make the checks before
// writing cost more than the install.
bool tooLong(const QString &installBase, const QString &relativePath)
{
    // A UTF-16 unit takes at most three bytes: most paths need no encoding to tell.
    if ((installBase.size() + 1 + relativePath.size()) * 3 < PATH_MAX)
        return false;
    return FileName::encode(installBase).size() + 1 + FileName::encode(relativePath).size() >= PATH_MAX;
}

// The longest name the file system at `installBase` takes, in bytes.
long longestName(const QString &installBase)
{
    const long longest = ::pathconf(FileName::encode(installBase).constData(), _PC_NAME_MAX);
    return longest > 0 ? longest : NAME_MAX;
}

// A component the file system can't take would fail part way, after other files were written.
bool nameTooLong(const QString &relativePath, long longest)
{
    if (relativePath.size() * 3 <= longest)
        return false; // the common case: no component can be that long
    const QStringList components = relativePath.split(QLatin1Char('/'));
    return std::any_of(components.cbegin(), components.cend(),
                       [longest](const QString &name) { return FileName::encode(name).size() > longest; });
}

bool climbsOut(const QString &relativePath)
{
    if (!relativePath.contains(QLatin1String("..")))
        return false; // the common case, without splitting the path
    const QStringList components = relativePath.split(QLatin1Char('/'));
    return components.contains(QStringLiteral(".."));
}

// The file system would cut a name at its first NUL, so the file written would not be the
// one that was checked.
bool holdsNul(const QString &relativePath)
{
    return relativePath.contains(QChar(u'\0'));
}

} // namespace

int TrackPackage::expandPackageTo(const QString &target)
{
    return expandPackageTo(target, true);
}

void TrackPackage::setOverwriteQuery(OverwriteQuery query)
{
    m_overwriteQuery = query ? std::move(query) : platformOverwriteQuery();
}

int TrackPackage::fail(int code, const DiskFailure &failure)
{
    m_failure = failure;
    Platform::current().log(failure.logLine(m_absoluteInstallPath));
    return code;
}

int TrackPackage::prepareInstallBase()
{
    const QString &base = m_absoluteInstallPath;
    switch (PathProbe::kindAt(base)) {
    case PathProbe::Kind::Other:
        return fail(InstallResult::BDIR, {QStringLiteral("use folder"), QString(), base, ENOTDIR});
    case PathProbe::Kind::Nothing:
        if (!createFoldersRecursivelyInPath(base)) {
            const int error = errno;
            Platform::current().log(QStringLiteral("Failed to create folder at %1").arg(base));
            return fail(InstallResult::BDIR, {QStringLiteral("create folder"), QStringLiteral("mkdir"), base, error});
        }
        break;
    case PathProbe::Kind::Folder:
        break;
    }
    return pathIsFolder(base) ? InstallResult::Success : InstallResult::BDIR;
}

int TrackPackage::refuseHostileEntries() const
{
    // Every entry is judged before the first file is written, so a refused package writes
    // nothing at all.
    const long longest = longestName(m_absoluteInstallPath);
    for (const ZLibCompFileMetaData &entry : m_compFileMetaData) {
        const QString relFilePath = entry.relFilePath();
        const qint64 dataOffset = qint64(m_baseOffset) + entry.baseRelOffset();
        if (entry.unCompSize() < 0 || entry.compSize() < 0
            || !PackageCursor::rangeIsInside(m_pkgFileData, dataOffset, entry.compSize()))
            return InstallResult::UCOMP;
        if (climbsOut(entry.relPath()) || climbsOut(relFilePath)) {
            Platform::current().log(QStringLiteral("Refused path outside the install folder: %1").arg(relFilePath));
            return InstallResult::FDIR;
        }
        if (holdsNul(relFilePath)) {
            Platform::current().log(QStringLiteral("Refused path with a NUL character: %1")
                                        .arg(QString(relFilePath).replace(QChar(u'\0'), u'?')));
            return InstallResult::FDIR;
        }
        if (insideSimulatorProgram(relFilePath)) {
            Platform::current().log(
                QStringLiteral("Refused entry in the simulator's program folder: %1").arg(relFilePath));
            return InstallResult::FDIR;
        }
        if (tooLong(m_absoluteInstallPath, relFilePath)) {
            Platform::current().log(QStringLiteral("Refused path too long to create: %1").arg(relFilePath));
            return InstallResult::FDIR;
        }
        if (nameTooLong(relFilePath, longest)) {
            Platform::current().log(QStringLiteral("Refused name too long to create: %1").arg(relFilePath));
            return InstallResult::FDIR;
        }
    }
    return InstallResult::Success;
}

int TrackPackage::waitForLock(InstallFolder &folder)
{
    if (folder.tryLock()) {
        if (folder.lockError())
            Platform::current().log(
                QStringLiteral("Installing into %1 without a lock (%2): another install "
                               "into it could run at the same time")
                    .arg(m_absoluteInstallPath, QString::fromLocal8Bit(std::strerror(folder.lockError()))));
        return InstallResult::Success;
    }
    if (m_lockWaitHandler)
        m_lockWaitHandler();
    const qint64 total = m_compFileMetaData.size();
    while (!folder.tryLock()) {
        if (InstallSignals::stopRequested())
            return InstallResult::Stopped;
        reportProgress(0, total); // keeps a window painted while it waits
        QThread::msleep(LockPollMs);
    }
    return InstallResult::Success;
}

int TrackPackage::expandPackageTo(const QString &target, bool askToOverwrite)
{
    m_absoluteInstallPath = resolvedPath(target);
    m_entriesDone = 0;
    m_failure = {};
    if (const int code = prepareInstallBase())
        return code;
    if (!versionIsAccepted())
        return InstallResult::MISC;
    if (const int code = refuseHostileEntries())
        return code;

    const InstallSignals signals;
    InstallFolder folder(m_absoluteInstallPath);
    if (!folder.isOpen())
        return fail(InstallResult::BDIR, {QStringLiteral("open folder"), QString(), m_absoluteInstallPath, errno});
    if (const int code = waitForLock(folder))
        return code;
    if (const int code = InstallSurvey(folder, m_absoluteInstallPath, !m_replacesNothing).survey(m_compFileMetaData))
        return code;
    if (m_installObserver)
        m_installObserver->installBegins(m_absoluteInstallPath);
    const int code = extractEntries(folder, askToOverwrite);
    if (m_installObserver)
        m_installObserver->installEnds(code);
    return code;
}

int TrackPackage::extractEntries(InstallFolder &folder, bool askToOverwrite)
{
    PackageExtractor extractor(m_absoluteInstallPath, folder, askToOverwrite, m_overwriteQuery, m_installObserver);
    // Every effect stays in this thread and in index order; workers only inflate (and hash, for
    // the record) ahead, and leaving this function (a failure, a stop) cancels them.
    InflateAhead inflated(m_pkgFileData, m_baseOffset, m_compFileMetaData, m_installObserver != nullptr);
    const qint64 total = m_compFileMetaData.size();
    for (qint64 i = 0; i < total; ++i) {
        // A stop is honoured between files, so none is left half written.
        if (InstallSignals::stopRequested())
            return InstallResult::Stopped;
        const char *bytes = inflated.take(i); // before its hash is asked for
        const PackageExtractor::Result result = extractor.extract(m_compFileMetaData.at(i), bytes,
                                                                  inflated.takenHash());
        if (result.code != InstallResult::Success) {
            m_failure = result.failure; // logged where it happened
            return result.code;
        }
        if (result.isTrackFile)
            m_absoluteTrackFilePath = result.outputPath;
        m_entriesDone = i + 1;
        reportProgress(i + 1, total);
    }
    return InstallResult::Success;
}
