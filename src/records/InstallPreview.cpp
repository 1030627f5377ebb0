// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallPreview.h"

#include "fs/FileBytes.h"
#include "fs/InstallFolder.h"
#include "fs/PathProbe.h"
#include "fs/SpaceSurvey.h"
#include "fs/UnnamedFile.h"
#include "package/ContentHash.h"
#include "package/EntryInflater.h"
#include "package/EntryPathRule.h"
#include "package/InflateAhead.h"
#include "package/PackageExtractor.h"
#include "package/PackageInstaller.h"
#include "platform/FileName.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <QCoreApplication>

namespace {

using Refusal = InstallOutcome::Refusal;

// What stands at a file's place, as the install would meet it.
struct Standing
{
    enum class Kind { Nothing, Folder, File, Other } kind = Kind::Nothing;
    qint64 size = 0;
    std::optional<ContentHash> hash; // of a regular file that could be read
};

Standing standingAt(int folderFd, const QByteArray &name)
{
    Standing found;
    uint mode = 0;
    switch (PackageExtractor::existingAt(folderFd, name, &mode)) {
    case PackageExtractor::Existing::Nothing:
        return found;
    case PackageExtractor::Existing::Folder:
        found.kind = Standing::Kind::Folder;
        return found;
    case PackageExtractor::Existing::File:
        break;
    }
    found.kind = S_ISREG(mode) ? Standing::Kind::File : Standing::Kind::Other;
    if (found.kind == Standing::Kind::Other)
        return found;
    struct stat info;
    const Fd fd(::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return found; // unreadable: it differs, as far as anyone here can tell
    ContentHasher hasher;
    if (FileBytes::forEachChunk(fd.get(), [&hasher](const char *bytes, size_t count) { hasher.add(bytes, count); })
        == 0) {
        found.size = info.st_size;
        found.hash = hasher.result();
    }
    return found;
}

// Where an entry's file goes: the folder the install makes for it, and the folder and name
// its whole path names, which differ only when the name holds a separator.
struct Place
{
    QString entryFolder;
    QString fileFolder;
    QString name;
    QString recordedPath; // as the install's record keeps it
};

Place placeOf(const ZLibCompFileMetaData &entry)
{
    Place place;
    place.entryFolder = InstallFolder::normalised(entry.relPath());
    place.recordedPath = PackageExtractor::recordedPath(entry, place.entryFolder);
    if (InstallFolder::liesDirectlyIn(entry.relPath(), entry.filename())) {
        place.fileFolder = place.entryFolder;
        place.name = entry.filename();
        return place;
    }
    place.fileFolder = InstallFolder::parentOf(place.recordedPath);
    place.name = InstallFolder::lastComponentOf(place.recordedPath);
    return place;
}

// The install's code for a refusal it meets while it writes, in the package's order.
InstallResult codeOf(Refusal refusal)
{
    return refusal == Refusal::FolderInTheWay ? InstallResult::FLDROW : InstallResult::FDIR;
}

class Previewer
{
public:
    Previewer(const RecordStore &store, const PackageContents &package, const QString &installBase)
        : m_store(store)
        , m_package(package)
        , m_installBase(installBase)
    {
    }

    InstallPreview::Result run();

private:
    bool entriesAreInside() const;
    void judgePaths(InstallPreview::Result *result) const;
    void lookAtFiles(InstallFolder &folder, InstallPreview::Result *result);
    void lookForRoom(InstallFolder &folder, InstallPreview::Result *result) const;
    // Refusal::None when the folder can be reached or is yet to be made; `fd` then holds it,
    // or -1 when it doesn't exist yet.
    Refusal reach(InstallFolder &folder, const QString &key, int *fd) const;
    // `standing` is met in the folder `folderFd`.
    void compare(const ZLibCompFileMetaData &entry, const Standing &standing, int folderFd, InstallPreview::File *file);
    bool holdsEntry(const ZLibCompFileMetaData &entry, const ContentHash &hash, int folderFd);
    void nameWriter(const QString &path, const ContentHash &hash, InstallPreview::File *file);

    const RecordStore &m_store;
    const PackageContents &m_package;
    const QString m_installBase;
    std::optional<QList<InstallRecord>> m_records; // of this folder, newest first, read once needed
    std::unique_ptr<EntryInflater> m_inflater;
};

bool Previewer::entriesAreInside() const
{
    const QList<ZLibCompFileMetaData> &entries = m_package.compFileMetaData;
    return std::all_of(entries.cbegin(), entries.cend(), [this](const ZLibCompFileMetaData &entry) {
        return PackageInstaller::dataIsInside(m_package, entry);
    });
}

void Previewer::judgePaths(InstallPreview::Result *result) const
{
    const EntryPathRule rule(m_installBase);
    for (const ZLibCompFileMetaData &entry : m_package.compFileMetaData) {
        InstallPreview::File file;
        file.refusal = rule.judge(entry.relPath(), entry.relFilePath());
        if (file.refusal != Refusal::None) {
            file.action = InstallPreview::Action::Refused;
            file.path = entry.relFilePath();
            result->code = InstallResult::FDIR; // judged before anything is written
        } else {
            file.path = placeOf(entry).recordedPath;
        }
        result->files.append(file);
    }
}

Refusal Previewer::reach(InstallFolder &folder, const QString &key, int *fd) const
{
    const InstallFolder::Folder found = folder.folder(key, false);
    *fd = -1;
    switch (found.status) {
    case InstallFolder::Status::Ok:
        *fd = found.fd;
        return Refusal::None;
    case InstallFolder::Status::Missing:
        return Refusal::None;
    case InstallFolder::Status::RefusedLink:
        return Refusal::OtherUsersLink;
    case InstallFolder::Status::NotAFolder:
    case InstallFolder::Status::Failed:
        break;
    }
    return Refusal::FolderNotMade;
}

void Previewer::nameWriter(const QString &path, const ContentHash &hash, InstallPreview::File *file)
{
    if (!m_records) {
        m_records.emplace();
        for (const InstallRecord &record : m_store.records())
            if (record.installBase == m_installBase)
                m_records->append(record);
    }
    for (const InstallRecord &record : std::as_const(*m_records)) {
        for (const RecordedFile &recorded : record.files) {
            if (recorded.path == path && recorded.hash == hash) {
                file->recordId = record.id;
                file->recordTitle = record.title;
                return;
            }
        }
    }
}

// A large entry is inflated as the install inflates it: into an unnamed file beside the one it
// is compared with, not into memory of our own, which it may not fit (there is no visible
// effect: the file is gone with its descriptor). Where there are no unnamed files, as the
// install, into memory.
bool Previewer::holdsEntry(const ZLibCompFileMetaData &entry, const ContentHash &hash, int folderFd)
{
    if (!m_inflater)
        m_inflater = std::make_unique<EntryInflater>();
    const qint64 capacity = EntryInflater::outputBufferCapacity(entry.unCompSize());
    const std::unique_ptr<UnnamedFile> scratch = capacity >= InflateAhead::WatchedSize
                                                     ? UnnamedFile::make(folderFd, capacity)
                                                     : nullptr;
    QByteArray buffer(scratch ? 0 : capacity, Qt::Uninitialized);
    char *const out = scratch ? scratch->data() : buffer.data();
    const char *stored = m_package.pkgFileData.constData() + m_package.baseOffset + entry.baseRelOffset();
    return m_inflater->inflate(stored, entry.compSize(), entry.unCompSize(), out)
           && (!scratch || scratch->finish(entry.unCompSize())) && contentHash(out, size_t(entry.unCompSize())) == hash;
}

void Previewer::compare(const ZLibCompFileMetaData &entry, const Standing &standing, int folderFd,
                        InstallPreview::File *file)
{
    switch (standing.kind) {
    case Standing::Kind::Nothing:
        file->action = InstallPreview::Action::New;
        return;
    case Standing::Kind::Folder:
        file->action = InstallPreview::Action::Refused;
        file->refusal = Refusal::FolderInTheWay;
        return;
    case Standing::Kind::File:
    case Standing::Kind::Other:
        break;
    }
    file->action = InstallPreview::Action::Replaces;
    if (!standing.hash)
        return;
    if (standing.size == entry.unCompSize() && holdsEntry(entry, *standing.hash, folderFd))
        file->action = InstallPreview::Action::Identical;
    else
        nameWriter(file->path, *standing.hash, file);
}

void Previewer::lookAtFiles(InstallFolder &folder, InstallPreview::Result *result)
{
    InstallResult firstWriteRefusal = InstallResult::Success;
    bool linkRefused = false;
    for (qsizetype i = 0; i < result->files.size(); ++i) {
        InstallPreview::File &file = result->files[i];
        if (file.action == InstallPreview::Action::Refused)
            continue;
        const ZLibCompFileMetaData &entry = m_package.compFileMetaData.at(i);
        const Place place = placeOf(entry);
        int fd = -1;
        file.refusal = reach(folder, place.entryFolder, &fd);
        if (file.refusal == Refusal::None && fd >= 0 && place.fileFolder != place.entryFolder)
            file.refusal = reach(folder, place.fileFolder, &fd);
        if (file.refusal == Refusal::None && place.recordedPath.isEmpty())
            file.refusal = Refusal::FolderInTheWay; // the install folder itself
        if (file.refusal == Refusal::None)
            compare(entry, fd >= 0 ? standingAt(fd, FileName::encode(place.name)) : Standing(), fd, &file);
        else
            file.action = InstallPreview::Action::Refused;
        // The survey before the install refuses a link at once; the rest are met in order.
        linkRefused = linkRefused || file.refusal == Refusal::OtherUsersLink;
        if (file.refusal != Refusal::None && firstWriteRefusal == InstallResult::Success)
            firstWriteRefusal = codeOf(file.refusal);
    }
    // A refused path stops the install before any of this.
    if (result->code == InstallResult::Success)
        result->code = linkRefused ? InstallResult::FDIR : firstWriteRefusal;
}

// The install surveys the room before it writes a file and stops there when the files won't
// fit: a preview that said "new" of each would promise an install that fails.
void Previewer::lookForRoom(InstallFolder &folder, InstallPreview::Result *result) const
{
    const QList<ZLibCompFileMetaData> &entries = m_package.compFileMetaData;
    const DiskResult surveyed = SpaceSurvey(folder).survey(entries.size(), [&entries](qsizetype i) {
        const ZLibCompFileMetaData &entry = entries.at(i);
        return SpaceSurvey::PlannedFile{entry.relPath(), entry.filename(), entry.unCompSize()};
    });
    if (surveyed.failedWith(ENOSPC)) {
        result->code = InstallResult::WRITE;
        result->cause = surveyed;
    }
}

InstallPreview::Result Previewer::run()
{
    InstallPreview::Result result;
    const PathProbe::Kind base = PathProbe::kindAt(m_installBase);
    if (base == PathProbe::Kind::Other) {
        result.code = InstallResult::BDIR;
        result.cause = DiskResult::failed(QStringLiteral("use folder"), "", ENOTDIR, m_installBase);
        return result;
    }
    if (!m_package.versionIsAccepted()) {
        result.code = InstallResult::MISC;
        return result;
    }
    if (!entriesAreInside()) {
        result.code = InstallResult::UCOMP;
        return result;
    }
    judgePaths(&result);
    if (base == PathProbe::Kind::Nothing)
        return result; // every file the rules let through is new
    InstallFolder folder(m_installBase);
    if (!folder.isOpen()) {
        result.code = InstallResult::BDIR;
        result.cause = DiskResult::failed(QStringLiteral("open folder"), "", folder.openError(), m_installBase);
        result.files.clear();
        return result;
    }
    lookAtFiles(folder, &result);
    if (result.code == InstallResult::Success)
        lookForRoom(folder, &result);
    return result;
}

} // namespace

InstallPreview::InstallPreview(const RecordStore &store)
    : m_store(store)
{
}

namespace {

// By Action, in its order: what --json prints as it stands, and what people read translated.
const struct
{
    const char *source, *comment;
} ActionNames[] = {
    QT_TRANSLATE_NOOP3("InstallPreview", "new", "what an install does to a file"),
    QT_TRANSLATE_NOOP3("InstallPreview", "replaces", "what an install does to a file"),
    QT_TRANSLATE_NOOP3("InstallPreview", "identical", "what an install does to a file"),
    QT_TRANSLATE_NOOP3("InstallPreview", "refused", "what an install does to a file"),
};

} // namespace

QString InstallPreview::actionName(Action action)
{
    return QLatin1String(ActionNames[int(action)].source);
}

QString InstallPreview::actionText(Action action)
{
    const auto &name = ActionNames[int(action)];
    return QCoreApplication::translate("InstallPreview", name.source, name.comment);
}

QString InstallPreview::detailText(const File &file)
{
    if (file.action == Action::Replaces)
        return file.recordId.isEmpty()
                   ? QCoreApplication::translate("InstallPreview", "not from a recorded install")
                   : QCoreApplication::translate("InstallPreview", "written by the install %1 of \"%2\"")
                         .arg(file.recordId, file.recordTitle);
    if (file.action != Action::Refused)
        return QString();
    switch (file.refusal) {
    case Refusal::None:
    case Refusal::NoRoom: // not said of one file
        break;
    case Refusal::OutsideFolder:
        return QCoreApplication::translate("InstallPreview", "outside the install folder");
    case Refusal::NulCharacter:
        return QCoreApplication::translate("InstallPreview", "a NUL character in its path");
    case Refusal::SimulatorProgram:
        return QCoreApplication::translate("InstallPreview", "in the simulator's program folder");
    case Refusal::PathTooLong:
        return QCoreApplication::translate("InstallPreview", "path too long to create");
    case Refusal::NameTooLong:
        return QCoreApplication::translate("InstallPreview", "name too long to create");
    case Refusal::OtherUsersLink:
        return QCoreApplication::translate("InstallPreview", "behind a link owned by another user");
    case Refusal::FolderInTheWay:
        return QCoreApplication::translate("InstallPreview", "a folder stands there");
    case Refusal::FolderNotMade:
        return QCoreApplication::translate("InstallPreview", "its folder can't be made");
    }
    return QString();
}

InstallPreview::Result InstallPreview::preview(const PackageContents &package, const QString &installBase) const
{
    return Previewer(m_store, package, installBase).run();
}
