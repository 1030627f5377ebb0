// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "InstallRecord.h"
#include "fs/Fd.h"
#include "package/ContentHash.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class RecordStore;

// The originals that installs replaced, each stored once by its content hash (the file's name
// is the hash), however many records refer to it. An original is hard-linked in where the file
// system allows and it has no other name (a change made through that name would reach the kept
// copy), else copied; either way it is synced and renamed into place before the record names
// it. A symbolic link is kept as its target.
class ContentStore
{
public:
    explicit ContentStore(const QString &folder);
    ~ContentStore();
    ContentStore(const ContentStore &) = delete;
    ContentStore &operator=(const ContentStore &) = delete;

    bool isOpen() const { return m_fd.isOpen(); }
    // Why the store's folder could not be opened; 0 when it is open.
    int openError() const { return m_openError; }

    // Keeps what stands at `name` in `folderFd` (a regular file or a symbolic link): its hash,
    // st_mode and owner come back. Otherwise why it can't be kept ("Permission denied", "it is not a
    // regular file").
    QString keep(int folderFd, const QByteArray &name, ContentHash *hash, uint *mode, FileOwner *owner);
    // A kept original, checked against its hash; nothing when it is missing or damaged.
    std::optional<QByteArray> read(const ContentHash &hash) const;
    void remove(const ContentHash &hash);
    // Removes those of `candidates` that no record in `records` refers to, or none of them while
    // one can't be read. Takes the lock.
    void removeUnreferenced(const QList<ContentHash> &candidates, const RecordStore &records);

    // Held while an original is kept and its record line written, and while originals nobody
    // refers to any more are removed, so that a removal never takes one just being referred to.
    class Lock
    {
    public:
        explicit Lock(const ContentStore &store);
        ~Lock();
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;

    private:
        int m_fd;
    };

private:
    int storeBytes(const ContentHash &hash, const QByteArray &bytes, int linkFd);

    Fd m_fd;
    int m_openError = 0;
};
