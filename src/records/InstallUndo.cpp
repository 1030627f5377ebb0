// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallUndo.h"

#include "ContentStore.h"
#include "fs/DurableFile.h"
#include "fs/EntryFile.h"
#include "fs/Fd.h"
#include "fs/FileBytes.h"
#include "fs/InstallFolder.h"
#include "fs/DiskResult.h"
#include "fs/StopSignals.h"
#include "platform/FileName.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>

namespace {

// Whether the regular file `name` in `folderFd` holds `size` bytes hashing to `hash`.
bool holds(int folderFd, const QByteArray &name, qint64 size, const ContentHash &hash)
{
    const Fd fd(::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != size)
        return false;
    ContentHasher hasher;
    const int error = FileBytes::forEachChunk(fd.get(),
                                              [&hasher](const char *bytes, size_t count) { hasher.add(bytes, count); });
    return error == 0 && hasher.result() == hash;
}

bool exists(int folderFd, const QByteArray &name)
{
    struct stat info;
    return ::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

QByteArray nameOf(const QString &path)
{
    return FileName::encode(InstallFolder::lastComponentOf(path));
}

// Puts `bytes` back at `name` as what `mode` says: a symbolic link, or a regular file with
// its permissions. Whatever stands there is replaced at once, never written through. 0, or why
// not.
int putBack(int folderFd, const QByteArray &name, const QByteArray &bytes, uint mode)
{
    if (S_ISLNK(mode)) {
        const QByteArray temporary = EntryFile::temporaryName();
        if (::symlinkat(bytes.constData(), folderFd, temporary.constData()) != 0)
            return errno;
        if (::renameat(folderFd, temporary.constData(), folderFd, name.constData()) == 0)
            return 0;
        const int error = errno;
        ::unlinkat(folderFd, temporary.constData(), 0);
        return error;
    }
    if (exists(folderFd, name))
        return EntryFile::replace(folderFd, name, bytes.constData(), bytes.size(), mode).error;
    if (const DiskResult created = EntryFile::create(folderFd, name, bytes.constData(), bytes.size()); !created.ok())
        return created.error;
    return ::fchmodat(folderFd, name.constData(), mode & 0777, 0) == 0 ? 0 : errno;
}

// As `cp -p` does: the original's owner and group where the undoing user may give them (root);
// false when the file stays another's than the original's.
bool restoreOwner(int folderFd, const QByteArray &name, const FileOwner &owner)
{
    struct stat info;
    if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return (info.st_uid == owner.uid && info.st_gid == owner.gid)
           || ::fchownat(folderFd, name.constData(), owner.uid, owner.gid, AT_SYMLINK_NOFOLLOW) == 0;
}

// Every folder that holds one of the record's files, however deep.
QSet<QString> foldersHolding(const InstallRecord &record)
{
    QSet<QString> folders;
    for (const RecordedFile &file : record.files) {
        QString folder = InstallFolder::parentOf(file.path);
        // A folder met before has had its own folders added then.
        while (!folder.isEmpty() && !folders.contains(folder)) {
            folders.insert(folder);
            folder = InstallFolder::parentOf(folder);
        }
    }
    return folders;
}

} // namespace

QStringList InstallUndo::Outcome::causeTexts() const
{
    QStringList texts;
    for (const DiskResult &cause : causes)
        texts << cause.describe();
    return texts;
}

QStringList InstallUndo::Outcome::logLines() const
{
    QStringList lines;
    for (const DiskResult &cause : causes)
        lines << cause.logLine(QStringLiteral("Undo"), record.installBase);
    return lines;
}

InstallUndo::InstallUndo(const RecordStore &store)
    : m_store(store)
{
}

InstallUndo::Outcome InstallUndo::undo(const QString &id, bool dryRun, const QString &folderPath)
{
    Outcome outcome;
    if (!load(id, &outcome))
        return outcome;
    const StopSignals signals;
    const QString path = folderPath.isEmpty() ? outcome.record.installBase : folderPath;
    InstallFolder folder(path, InstallFolder::BasePath::ByLinkRule);
    // Read again under the lock: the install may have ended meanwhile.
    if (!reached(folder, path, &outcome) || !lock(folder, &outcome) || !load(id, &outcome) || !trusted(&outcome))
        return outcome;
    ContentStore contents(m_store.storeFolder());
    const QList<Step> steps = plan(folder, contents, &outcome);
    if (dryRun)
        outcome.foldersRemoved = outcome.record.foldersMade;
    Leftovers leftovers;
    if (dryRun || outcome.result != Result::Undone || !apply(folder, steps, &outcome, &leftovers))
        return outcome;
    commit(contents, leftovers, &outcome);
    return outcome;
}

bool InstallUndo::load(const QString &id, Outcome *outcome) const
{
    if (m_store.load(id, &outcome->record, &outcome->message))
        return true;
    outcome->result = Result::NotFound;
    return false;
}

// Whether `path` leads to the folder the install went into: else the undo would remove another
// install's files wherever a link put in its place leads.
bool InstallUndo::reached(const InstallFolder &folder, const QString &path, Outcome *outcome) const
{
    const InstallRecord &record = outcome->record;
    struct stat info;
    const bool opened = folder.isOpen() && ::fstat(folder.baseFd(), &info) == 0;
    QString why;
    if (!opened && folder.baseFailure().status == InstallFolder::Status::RefusedLink)
        why = QCoreApplication::translate(
                  "InstallUndo",
                  "The install folder %1 of the record %2 lies behind a link that another user owns (%3), "
                  "which an undo never follows; nothing was changed.")
                  .arg(path, record.id, folder.baseFailure().stoppedAt);
    else if (!opened)
        why = QCoreApplication::translate("InstallUndo", "The install folder %1 can't be opened.").arg(path);
    else if (record.baseIdentity
             && !record.baseIdentity->sameFolder(FolderIdentity{quint64(info.st_dev), quint64(info.st_ino)},
                                                 !folder.baseReachedThroughLink()))
        why = QCoreApplication::translate(
                  "InstallUndo", "%1 is not the folder that the install of the record %2 went into: it was moved or "
                                 "replaced since; nothing was changed.")
                  .arg(path, record.id);
    if (why.isEmpty())
        return true;
    outcome->result = Result::Refused;
    outcome->message = why;
    return false;
}

bool InstallUndo::lock(InstallFolder &folder, Outcome *outcome)
{
    const DiskResult locked = folder.lock(m_lockWaitHandler, m_lockWaitPause);
    if (!locked.ok()) {
        outcome->result = Result::Stopped;
        outcome->message = locked.failedWith(ECANCELED)
                               ? QCoreApplication::translate(
                                     "InstallUndo", "Stopped waiting for another install into %1; nothing was changed.")
                                     .arg(outcome->record.installBase)
                               : QCoreApplication::translate("InstallUndo",
                                                             "Stopped while waiting for another install into %1.")
                                     .arg(outcome->record.installBase);
        return false;
    }
    return true;
}

bool InstallUndo::trusted(Outcome *outcome) const
{
    const QString outside = outcome->record.pathOutside();
    if (outside.isNull())
        return true;
    outcome->result = Result::Refused;
    outcome->message = QCoreApplication::translate(
                           "InstallUndo", "The record of %1 names a path outside its install folder (%2): it has been "
                                          "tampered with, and is refused.")
                           .arg(outcome->record.id, outside);
    return false;
}

void InstallUndo::findLater(const InstallRecord &record)
{
    m_later.clear();
    for (const InstallRecord &other : m_store.records()) {
        if (other.sharesFolderWith(record) && other.isLaterThan(record) && other.pathOutside().isNull())
            m_later.prepend(other);
    }
    m_laterChanged = QList<bool>(m_later.size(), false);
    m_laterIndex.clear();
    for (const InstallRecord &later : std::as_const(m_later))
        m_laterIndex << later.fileIndex();
}

QList<InstallUndo::Step> InstallUndo::plan(InstallFolder &folder, const ContentStore &contents, Outcome *outcome)
{
    findLater(outcome->record);
    QList<Step> steps;
    for (int i = 0; i < outcome->record.files.size(); ++i) {
        const std::optional<Step> step = planFile(folder, contents, i, outcome);
        if (!step)
            return {};
        if (QStringList *said = listOf(step->action, outcome))
            *said << outcome->record.files.at(i).path;
        steps << *step;
    }
    if (!outcome->failed.isEmpty()) {
        outcome->result = Result::Refused;
        outcome->message = QCoreApplication::translate(
                               "InstallUndo", "%1 lies behind a link that an install may not follow, or in what is not "
                                              "a folder; nothing was changed.")
                               .arg(outcome->failed.first());
    }
    return steps;
}

std::optional<InstallUndo::Step> InstallUndo::planFile(InstallFolder &folder, const ContentStore &contents, int i,
                                                       Outcome *outcome)
{
    const RecordedFile &file = outcome->record.files.at(i);
    Step step;
    step.file = i;
    step.action = actionFor(folder, file, &step);
    if (step.action != Action::Restore)
        return step;
    const std::optional<QByteArray> original = contents.read(file.original);
    if (!original) {
        outcome->result = Result::Refused;
        outcome->message = QCoreApplication::translate("InstallUndo",
                                                       "The original of %1 kept at install time is missing or damaged; "
                                                       "nothing was changed.")
                               .arg(file.path);
        return std::nullopt;
    }
    step.original = *original;
    return step;
}

QStringList *InstallUndo::listOf(Action action, Outcome *outcome)
{
    switch (action) {
    case Action::Remove:
        return &outcome->removed;
    case Action::Restore:
        return &outcome->restored;
    case Action::Keep:
        return &outcome->kept;
    case Action::HandOn:
        return &outcome->handedOn;
    case Action::NotKept:
        return &outcome->notKept;
    case Action::Unreachable:
        return &outcome->failed;
    case Action::Gone:
        break;
    }
    return nullptr;
}

bool InstallUndo::apply(InstallFolder &folder, const QList<Step> &steps, Outcome *outcome, Leftovers *leftovers)
{
    // Filled again as the steps are done.
    outcome->removed.clear();
    outcome->restored.clear();
    // The record changes first: a data folder that takes no writes stops the undo before
    // anything else is touched.
    if (const DiskResult moved = m_store.move(outcome->record, InstallRecord::State::Undoing); !moved.ok()) {
        outcome->result = Result::Refused;
        outcome->message = QCoreApplication::translate("InstallUndo",
                                                       "The data folder %1 can't be written (%2); nothing was changed.")
                               .arg(m_store.folder(), QString::fromLocal8Bit(std::strerror(moved.error)));
        return false;
    }
    for (const Step &step : steps)
        applyStep(folder, step, outcome, leftovers);
    removeStaged(folder, outcome->record);
    removeFolders(folder, outcome, &leftovers->folders);
    return true;
}

void InstallUndo::applyStep(InstallFolder &folder, const Step &step, Outcome *outcome, Leftovers *leftovers)
{
    const RecordedFile &file = outcome->record.files.at(step.file);
    if (step.action == Action::HandOn) {
        handOn(step, file, &leftovers->dropped);
        return;
    }
    bool ownerRestored = true;
    if (const int error = carryOut(folder, file, step, &ownerRestored)) {
        const DiskResult failure{step.action == Action::Remove ? QStringLiteral("remove") : QStringLiteral("put back"),
                                 QString(), file.path, error};
        outcome->failed << file.path;
        outcome->causes << failure;
        leftovers->files << file;
        return;
    }
    if (step.action == Action::Remove)
        outcome->removed << file.path;
    else if (step.action == Action::Restore)
        outcome->restored << file.path;
    if (!ownerRestored)
        outcome->ownerNotRestored << file.path;
    if (file.replaced)
        leftovers->dropped << file.original;
}

void InstallUndo::commit(ContentStore &contents, const Leftovers &leftovers, Outcome *outcome)
{
    for (int i = 0; i < m_later.size(); ++i) {
        if (m_laterChanged.at(i) && !m_store.write(m_later.at(i)).ok())
            outcome->failed << QCoreApplication::translate("InstallUndo", "(the record %1)").arg(m_later.at(i).id);
    }
    InstallRecord &record = outcome->record;
    if (outcome->failed.isEmpty()) {
        m_store.remove(record);
        contents.removeUnreferenced(leftovers.dropped, m_store);
        return;
    }
    // What is left stays recorded, to be undone again.
    record.files = leftovers.files;
    record.foldersMade = leftovers.folders;
    m_store.write(record);
    outcome->result = Result::Failed;
    outcome->message = QCoreApplication::translate("InstallUndo", "Some files could not be removed or put back.");
}

InstallUndo::Action InstallUndo::actionFor(InstallFolder &folder, const RecordedFile &file, Step *step)
{
    // A later install that wrote the file owns it now. When it replaced what this one wrote, it
    // takes over what this one found there; otherwise this one's file had changed before.
    for (int i = 0; i < m_later.size(); ++i) {
        const int j = m_laterIndex.at(i).value(file.path, -1);
        if (j < 0)
            continue;
        const RecordedFile &later = m_later.at(i).files.at(j);
        if (!later.replaced || later.original != file.hash)
            return Action::Keep;
        step->later = i;
        step->laterFile = j;
        return Action::HandOn;
    }
    if (file.notKept)
        return Action::NotKept; // nothing to put back: what the install wrote stays
    const InstallFolder::Folder parent = folder.folder(InstallFolder::parentOf(file.path), false);
    if (parent.status != InstallFolder::Status::Ok && parent.status != InstallFolder::Status::Missing)
        return Action::Unreachable;
    const QByteArray name = nameOf(file.path);
    const bool present = parent.status == InstallFolder::Status::Ok && exists(parent.fd, name);
    if (!present || holds(parent.fd, name, file.size, file.hash))
        return file.replaced ? Action::Restore : present ? Action::Remove : Action::Gone;
    return Action::Keep;
}

void InstallUndo::handOn(const Step &step, const RecordedFile &file, QList<ContentHash> *dropped)
{
    RecordedFile &taker = m_later[step.later].files[step.laterFile];
    dropped->append(taker.original);
    // What this install found there becomes what the later one found.
    taker.replaced = file.replaced;
    taker.original = file.original;
    taker.originalMode = file.originalMode;
    taker.originalOwner = file.originalOwner;
    taker.notKept = file.notKept;
    m_laterChanged[step.later] = true;
}

int InstallUndo::carryOut(InstallFolder &folder, const RecordedFile &file, const Step &step, bool *ownerRestored)
{
    if (step.action != Action::Remove && step.action != Action::Restore)
        return 0;
    const InstallFolder::Folder parent = folder.folder(InstallFolder::parentOf(file.path),
                                                       step.action == Action::Restore);
    if (parent.status != InstallFolder::Status::Ok)
        return parent.error ? parent.error : ENOENT;
    const QByteArray name = nameOf(file.path);
    if (step.action == Action::Remove)
        return ::unlinkat(parent.fd, name.constData(), 0) == 0 || errno == ENOENT ? 0 : errno;
    const int error = putBack(parent.fd, name, step.original, file.originalMode);
    *ownerRestored = error != 0 || !file.originalOwner || restoreOwner(parent.fd, name, *file.originalOwner);
    return error;
}

// A killed install or undo can leave a file it was writing under a hidden name: a replacement in the
// instant before its rename, and any file where the file system has no unnamed files (FAT, exFAT,
// NTFS). Every such name belongs to an install or undo into this folder, and those hold its lock,
// as the caller does now: any found is a leftover.
int InstallUndo::removeStaged(InstallFolder &folder, const InstallRecord &record)
{
    int removed = 0;
    QSet<QString> folders(record.foldersMade.cbegin(), record.foldersMade.cend());
    for (const RecordedFile &file : record.files)
        folders.insert(InstallFolder::parentOf(file.path));
    for (const QString &path : std::as_const(folders)) {
        const InstallFolder::Folder found = folder.folder(path, false);
        DIR *listing = found.status == InstallFolder::Status::Ok ? ::fdopendir(::dup(found.fd)) : nullptr;
        if (!listing)
            continue;
        QList<QByteArray> staged;
        while (const dirent *entry = ::readdir(listing)) {
            if (qstrncmp(entry->d_name, EntryFile::TemporaryPrefix, sizeof EntryFile::TemporaryPrefix - 1) == 0)
                staged << QByteArray(entry->d_name);
        }
        ::closedir(listing);
        for (const QByteArray &name : std::as_const(staged)) {
            struct stat info;
            if (::fstatat(found.fd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
                && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)))
                removed += ::unlinkat(found.fd, name.constData(), 0) == 0;
        }
    }
    return removed;
}

void InstallUndo::removeFolders(InstallFolder &folder, Outcome *outcome, QStringList *left)
{
    QStringList folders = outcome->record.foldersMade;
    // The deepest first, so a folder is empty once the ones in it are gone.
    std::sort(folders.begin(), folders.end(), [](const QString &a, const QString &b) {
        return a.count(QLatin1Char('/')) != b.count(QLatin1Char('/'))
                   ? a.count(QLatin1Char('/')) > b.count(QLatin1Char('/'))
                   : a > b;
    });
    // Made when first needed: looking through every file for each folder would take time that
    // grows with their product.
    QList<std::optional<QSet<QString>>> laterFolders(m_later.size());
    for (const QString &path : std::as_const(folders)) {
        folder.forget(); // a folder kept open may be the one just removed
        const InstallFolder::Folder parent = folder.folder(InstallFolder::parentOf(path), false);
        if (parent.status == InstallFolder::Status::Missing)
            continue;
        const int error = parent.status != InstallFolder::Status::Ok                           ? parent.error
                          : ::unlinkat(parent.fd, nameOf(path).constData(), AT_REMOVEDIR) == 0 ? 0
                                                                                               : errno;
        if (error == 0 || error == ENOENT) {
            outcome->foldersRemoved << path;
            continue;
        }
        const bool notEmpty = error == ENOTEMPTY || error == EEXIST;
        // Still in use by a later install: it is that one's to remove.
        bool handedOn = false;
        for (int i = 0; notEmpty && !handedOn && i < m_later.size(); ++i) {
            InstallRecord &later = m_later[i];
            if (!laterFolders[i])
                laterFolders[i] = foldersHolding(later);
            handedOn = laterFolders[i]->contains(path);
            if (handedOn && !later.foldersMade.contains(path)) {
                later.foldersMade << path;
                m_laterChanged[i] = true;
            }
        }
        if (notEmpty)
            continue;
        left->append(path);
        const DiskResult failure{QStringLiteral("remove folder"), QString(), path, error};
        outcome->causes << failure;
    }
    folder.forget();
}
