// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "DiskResult.h"
#include "Fd.h"

#include <QHashFunctions>
#include <QString>

#include <chrono>
#include <functional>
#include <unordered_map>

// The install base, opened once, and the folders under it, each reached from the one above
// through an open descriptor instead of by its full path. Reaching a folder costs the same at
// any depth, and a link swapped into the path after a check can't redirect a later write.
//
// A symbolic link to a folder is followed only when it belongs to the user running the
// install or to the owner of the folder it sits in: the rule the kernel applies in shared
// folders, here applied everywhere, so that a link planted by someone else can't lead an
// install outside the base while a link made on purpose (a scenery folder moved to a larger
// disk) keeps working.
class InstallFolder
{
public:
    enum class Status { Ok, Missing, NotAFolder, RefusedLink, Failed };

    struct Folder
    {
        Status status = Status::Ok;
        // The folder itself when Ok; otherwise the deepest folder that was reached.
        int fd = -1;
        // When not Ok: the relative path up to the component where the walk stopped, and why.
        QString stoppedAt;
        int error = 0;

        // The walk's failure, said as part of `operation`.
        DiskResult failure(const QString &operation, const char *step = "open folder") const
        {
            return DiskResult::failed(operation, step, error, stoppedAt);
        }
    };

    // How the base path itself is opened: as the user named it, every link on its way followed
    // as a file manager does; or by the link rule above, applied to each component from the
    // first, as whoever goes back to a folder chosen earlier must.
    enum class BasePath { AsNamed, ByLinkRule };
    explicit InstallFolder(const QString &basePath, BasePath opened = BasePath::AsNamed);
    ~InstallFolder();
    InstallFolder(const InstallFolder &) = delete;
    InstallFolder &operator=(const InstallFolder &) = delete;

    bool isOpen() const { return m_baseFd.isOpen(); }
    int baseFd() const { return m_baseFd.get(); }

    // An advisory lock on the base folder itself, held until this object goes; false only
    // while another process holds it. Where there are no such locks (some FUSE and network
    // file systems answer ENOLCK, and a folder that may be searched but not read can't be
    // locked), the install goes on without: waiting for one would never end.
    bool tryLock();
    // Why the last tryLock() went on without a lock; 0 when it took one or another holds it.
    int lockError() const { return m_lockError; }
    // Spends the pause between two looks at another process's lock, about `pause` long: a window
    // runs its event loop meanwhile, so that it goes on answering. False ends the wait.
    using LockPause = std::function<bool(std::chrono::milliseconds pause)>;
    // The pause of a program with nothing else to do: asleep.
    static bool sleepThrough(std::chrono::milliseconds pause);
    // Takes the lock as tryLock() does, waiting while another process holds it: `waitBegins`
    // is called once when the wait begins and `pause` between looks (sleepThrough() when
    // empty). A stop signal (StopSignals) ends the wait, and the result fails with EINTR; a
    // pause that ends it, with ECANCELED.
    DiskResult lock(const std::function<void()> &waitBegins = {}, const LockPause &pause = {});
    // Why the base folder could not be opened; 0 when it is open. Opened ByLinkRule, also where
    // the walk stopped and why (RefusedLink: a link the rule does not follow).
    int openError() const { return m_openError; }
    Folder baseFailure() const { return m_baseFailure; }
    // Opened ByLinkRule, whether a link on the way was followed.
    bool baseReachedThroughLink() const { return m_baseThroughLink; }

    // Opens the folder at `relativePath` (as normalised()) under the base, making missing
    // folders when `create` is set. The descriptor stays owned here and valid until the next
    // call.
    Folder folder(const QString &relativePath, bool create);

    // Closes every folder opened so far: one of them may have been removed meanwhile.
    void forget();
    // How many times folders were closed: a descriptor had from folder() stays valid while
    // this stays the same.
    quint64 closings() const { return m_closings; }

    // Called with the relative path of each folder that folder() makes, once it is made.
    using FolderMadeHandler = std::function<void(const QString &relativePath)>;
    void setFolderMadeHandler(FolderMadeHandler handler) { m_folderMade = std::move(handler); }

    // A relative path with empty components (doubled or final separators) and "." dropped:
    // one name for each folder, whatever way a package spells it.
    static QString normalised(const QString &relativePath);
    // The normalised path of the folder that holds `normalisedPath`, and the last component.
    static QString parentOf(const QString &normalisedPath);
    static QString lastComponentOf(const QString &normalisedPath);
    // Whether a file named `name` in `folder` lies directly in that folder, as in nearly every
    // package: then the folder's components are the file's, with no splitting of the path.
    static bool liesDirectlyIn(const QString &folder, const QString &name);

private:
    struct Child
    {
        Fd fd;
        Status status = Status::Ok;
        int error = 0;
        bool made = false;
        bool linked = false; // reached through a symbolic link
    };
    Child openChild(int parentFd, const QString &name, bool create) const;
    Fd openByLinkRule(const QString &basePath);
    bool mayFollow(int parentFd, const QByteArray &name) const;
    Folder walkFrom(int fd, qsizetype from, const QString &relativePath, bool create);
    void remember(const QString &key, Fd fd);

    Fd m_baseFd;
    struct KeyHash
    {
        size_t operator()(const QString &key) const noexcept { return qHash(key); }
    };
    std::unordered_map<QString, Fd, KeyHash> m_opened; // joined components → descriptor
    quint64 m_closings = 0;
    int m_lockError = 0;
    int m_openError = 0;
    Folder m_baseFailure;
    bool m_baseThroughLink = false;
    FolderMadeHandler m_folderMade;
};
