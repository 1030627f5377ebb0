// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PackageExtractor.h"

#include "InstallObserver.h"
#include "ResultCodes.h"
#include "fs/EntryFile.h"
#include "fs/InstallFolder.h"
#include "platform/FileName.h"

#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>

PackageExtractor::Existing PackageExtractor::existingAt(int folderFd, const QByteArray &name, uint *mode)
{
    struct stat info;
    *mode = 0;
    if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Existing::Nothing;
    if (S_ISDIR(info.st_mode))
        return Existing::Folder;
    if (S_ISREG(info.st_mode))
        *mode = info.st_mode;
    struct stat target;
    if (S_ISLNK(info.st_mode) && ::fstatat(folderFd, name.constData(), &target, 0) == 0 && S_ISDIR(target.st_mode))
        return Existing::Folder;
    return Existing::File;
}

PackageExtractor::PackageExtractor(const QString &installBase, InstallFolder &folder, bool askToOverwrite,
                                   OverwriteQuery overwriteQuery, InstallObserver *observer)
    : m_installBase(installBase)
    , m_folder(folder)
    , m_askToOverwrite(askToOverwrite)
    , m_overwriteQuery(std::move(overwriteQuery))
    , m_observer(observer)
{
    if (m_observer)
        m_folder.setFolderMadeHandler([observer](const QString &path) { observer->folderMade(path); });
}

bool PackageExtractor::carriesTrackFileMark(const QString &outputPath)
{
    return outputPath.endsWith(QLatin1String(".zctrack"), Qt::CaseInsensitive)
           || outputPath.endsWith(QLatin1String(".ZCT"), Qt::CaseInsensitive);
}

bool PackageExtractor::marksTrackFile(const ZLibCompFileMetaData &entry)
{
    // The output path ends as the entry's path does, and a mark never takes in the separator
    // before it: a name as long as the longest mark tells alone, without joining paths.
    const QString name = entry.filename();
    return carriesTrackFileMark(name.size() >= 8 ? name : entry.relFilePath());
}

bool PackageExtractor::namesFolder(const ZLibCompFileMetaData &entry)
{
    const QString name = entry.filename();
    return (name.isEmpty() ? entry.relPath() : name).endsWith(QLatin1Char('/'));
}

QString PackageExtractor::outputPath(const ZLibCompFileMetaData &entry) const
{
    return m_installBase + QLatin1Char('/') + entry.relFilePath();
}

const QString &PackageExtractor::folderKey(const QString &relPath)
{
    if (relPath != m_lastRelPath || m_lastRelPath.isNull()) {
        m_lastRelPath = relPath;
        m_lastFolderKey = InstallFolder::normalised(relPath);
    }
    return m_lastFolderKey;
}

PackageExtractor::Attempt PackageExtractor::makeFolder(const ZLibCompFileMetaData &entry, int *folderFd, Result *result)
{
    const QString relPath = entry.relPath();
    // The folder of the entry before, while none has been closed since.
    if (m_lastFolderFd >= 0 && m_folder.closings() == m_lastClosings && relPath == m_lastRelPath) {
        *folderFd = m_lastFolderFd;
        return Attempt::Done;
    }
    const InstallFolder::Folder folder = m_folder.folder(folderKey(relPath), true);
    *folderFd = folder.fd;
    m_lastFolderFd = -1;
    switch (folder.status) {
    case InstallFolder::Status::Ok:
        m_lastFolderFd = folder.fd;
        m_lastClosings = m_folder.closings();
        return Attempt::Done;
    case InstallFolder::Status::Missing: // a folder on the way was removed since it was opened
        return Attempt::FolderGone;
    case InstallFolder::Status::RefusedLink:
        result->refuse(InstallResult::FDIR, InstallOutcome::Refusal::OtherUsersLink, folder.stoppedAt);
        return Attempt::Done;
    case InstallFolder::Status::NotAFolder:
    case InstallFolder::Status::Failed:
        break;
    }
    result->refuse(InstallResult::FDIR, InstallOutcome::Refusal::FolderNotMade,
                   m_installBase + QLatin1Char('/') + entry.relPath());
    result->cause = folder.failure(QStringLiteral("create folder"), "mkdir");
    return Attempt::Done;
}

// The entry's path as the install's record keeps it: normalised, as the install folder reaches it.
QString PackageExtractor::recordedPath(const ZLibCompFileMetaData &entry, const QString &folderKey)
{
    if (!InstallFolder::liesDirectlyIn(entry.relPath(), entry.filename()))
        return InstallFolder::normalised(entry.relFilePath());
    return folderKey.isEmpty() ? entry.filename() : folderKey + QLatin1Char('/') + entry.filename();
}

// Joined in place: an install with a record asks for this once a file.
const QString &PackageExtractor::recordedPath(const ZLibCompFileMetaData &entry)
{
    const QString &folder = folderKey(entry.relPath());
    if (folder.isEmpty() || !InstallFolder::liesDirectlyIn(entry.relPath(), entry.filename())) {
        m_recordedPath = recordedPath(entry, folder);
        return m_recordedPath;
    }
    m_recordedPath.resize(0);
    return m_recordedPath.append(folder).append(QLatin1Char('/')).append(entry.filename());
}

bool PackageExtractor::fileFolder(const ZLibCompFileMetaData &entry, int madeFd, int *folderFd, QByteArray *name,
                                  Result *result)
{
    if (InstallFolder::liesDirectlyIn(entry.relPath(), entry.filename())) {
        *folderFd = madeFd;
        *name = FileName::encode(entry.filename());
        return true;
    }
    const QString path = InstallFolder::normalised(entry.relFilePath());
    if (path.isEmpty()) { // the output path is the install base itself
        refuseFolderOverwrite(entry, result);
        return false;
    }
    *name = FileName::encode(InstallFolder::lastComponentOf(path));
    const InstallFolder::Folder folder = m_folder.folder(InstallFolder::parentOf(path), false);
    *folderFd = folder.fd;
    if (folder.status == InstallFolder::Status::Ok)
        return true;
    // A name holding a separator leads into a folder the package doesn't make.
    if (folder.status == InstallFolder::Status::RefusedLink) {
        result->refuse(InstallResult::FDIR, InstallOutcome::Refusal::OtherUsersLink, folder.stoppedAt);
        return false;
    }
    result->code = InstallResult::WRITE;
    result->cause = folder.failure(QStringLiteral("write"));
    return false;
}

void PackageExtractor::failedWrite(const ZLibCompFileMetaData &entry, const DiskResult &written, Result *result)
{
    result->code = InstallResult::WRITE;
    result->cause = written.at(InstallFolder::normalised(entry.relFilePath()));
}

void PackageExtractor::refuseFolderOverwrite(const ZLibCompFileMetaData &entry, Result *result)
{
    result->refuse(InstallResult::FLDROW, InstallOutcome::Refusal::FolderInTheWay, outputPath(entry));
}

PackageExtractor::Overwrite PackageExtractor::decideOverwrite(const ZLibCompFileMetaData &entry)
{
    if (!m_askToOverwrite)
        return Overwrite::Write;
    switch (m_overwriteQuery(entry.relFilePath())) {
    case OverwriteAnswer::Keep:
        return Overwrite::Keep;
    case OverwriteAnswer::ReplaceAll:
        m_askToOverwrite = false;
        break;
    case OverwriteAnswer::Replace:
        break;
    }
    return Overwrite::Write;
}

PackageExtractor::Attempt PackageExtractor::place(const ZLibCompFileMetaData &entry, const EntryFile::Content &content,
                                                  const ContentHash &hash, Result *result)
{
    int folderFd = -1;
    if (makeFolder(entry, &folderFd, result) == Attempt::FolderGone)
        return Attempt::FolderGone;
    QByteArray name;
    if (!result->isOk() || !fileFolder(entry, folderFd, &folderFd, &name, result))
        return Attempt::Done;
    // A path ending in a separator names a folder: no file can be written there.
    if (namesFolder(entry)) {
        uint mode = 0;
        if (existingAt(folderFd, name, &mode) == Existing::Folder)
            refuseFolderOverwrite(entry, result);
        else
            failedWrite(entry, DiskResult::failed(QStringLiteral("write"), "", EISDIR), result);
        return Attempt::Done;
    }
    return write(entry, folderFd, name, content, hash, result);
}

PackageExtractor::Attempt PackageExtractor::write(const ZLibCompFileMetaData &entry, int folderFd,
                                                  const QByteArray &name, const EntryFile::Content &content,
                                                  const ContentHash &hash, Result *result)
{
    static const QString unrecorded;
    const QString &path = m_observer ? recordedPath(entry) : unrecorded;
    if (m_observer)
        m_observer->fileToBeWritten(path, entry.unCompSize(), hash);
    // Most entries are new files: create the file first, and look at what stands at the name
    // only when that fails, which saves a lookup per entry in installs of many files.
    const DiskResult created = EntryFile::create(folderFd, name, content, m_writeSteps);
    if (!created.ok() && !created.failedWith(EEXIST) && m_observer)
        m_observer->fileNotWritten(path);
    if (created.failedWith(ENOENT))
        return Attempt::FolderGone;
    if (!created.ok() && !created.failedWith(EEXIST))
        failedWrite(entry, created, result);
    if (!created.failedWith(EEXIST))
        return Attempt::Done;
    uint mode = 0;
    const Existing existing = existingAt(folderFd, name, &mode);
    if (existing == Existing::Nothing) // gone again since: make it as a new file
        return Attempt::FolderGone;
    if (m_observer)
        m_observer->fileFound(path);
    if (existing == Existing::Folder) {
        refuseFolderOverwrite(entry, result);
        return Attempt::Done;
    }
    if (decideOverwrite(entry) == Overwrite::Keep)
        return Attempt::Done; // kept; a kept track file is still the track file
    if (m_observer)
        m_observer->fileToBeReplaced(folderFd, name, path);
    const DiskResult replaced = EntryFile::replace(folderFd, name, content, mode, m_writeSteps);
    if (!replaced.ok() && m_observer)
        m_observer->fileNotWritten(path);
    if (!replaced.ok())
        failedWrite(entry, replaced, result);
    return Attempt::Done;
}

PackageExtractor::Result PackageExtractor::extract(const ZLibCompFileMetaData &entry, const char *bytes,
                                                   const ContentHash &hash, int file)
{
    Result result;
    if (!bytes) {
        result.code = InstallResult::UCOMP;
        return result;
    }
    result.isTrackFile = marksTrackFile(entry);
    if (result.isTrackFile)
        result.outputPath = outputPath(entry);
    // A folder made earlier in this install may have been removed meanwhile (while a question
    // was open, say): it is made again, as the first time.
    const EntryFile::Content content{bytes, entry.unCompSize(), file};
    if (place(entry, content, hash, &result) == Attempt::FolderGone) {
        m_folder.forget();
        if (place(entry, content, hash, &result) == Attempt::FolderGone)
            failedWrite(entry, DiskResult::failed(QStringLiteral("write"), "create", ENOENT), &result);
    }
    return result;
}
