// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "package/ContentHash.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Who a file belongs to, as its st_uid and st_gid.
struct FileOwner
{
    uint uid = 0;
    uint gid = 0;
};

// A file an install wrote: what it holds since, and the original it replaced, if any.
struct RecordedFile
{
    QString path; // relative to the install base, normalised
    qint64 size = 0;
    ContentHash hash;
    bool replaced = false;
    ContentHash original;  // the kept original, when replaced
    uint originalMode = 0; // its st_mode (type and permissions)
    // Its owner and group; unknown in records made before they were kept.
    std::optional<FileOwner> originalOwner;
    // Something stood there and was replaced, but could not be kept (a FIFO, a file the user
    // may not read): an undo can't put it back, and says so.
    bool notKept = false;
};

// A folder as the file system knows it, whatever path leads to it.
struct FolderIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FolderIdentity &other) const { return device == other.device && inode == other.inode; }
    bool operator!=(const FolderIdentity &other) const { return !(*this == other); }
    // A disk mounted again may get another device number (a USB drive plugged in after another,
    // every FUSE mount): where the path to the folder crosses no link, its inode tells enough.
    bool sameFolder(const FolderIdentity &found, bool reachedWithoutLinks) const
    {
        return inode == found.inode && (device == found.device || reachedWithoutLinks);
    }
};

// The record of one install, as kept in the data folder: the package, where and when it was
// installed, the folders it made and the files it wrote. It is one text format for the journal
// that an install appends to as it goes and for the ended record, one line each:
// a header ("title\t…"), then "D\tfolder", "F\tsize\thash\tpath" (a file about to be written),
// "E\tpath" (something stood there already), "O\thash\tmode\tuid\tgid\tpath" (its original kept,
// then replaced; older records have no owner and group), "N\tpath" (replaced without its
// original, which could not be kept) and "end\tcode". Text fields are percent-encoded, so every
// line stays one line.
class InstallRecord
{
public:
    enum class State { Journal, Ended, Undoing };

    QString id;
    QString title;
    QString author;
    QString version;
    QString packageName;
    ContentHash packageHash;
    QString installBase;
    QDateTime time; // UTC, taken before the install waited for its folder
    // The install folder as the install opened it, and the install's place among all installs,
    // taken under that folder's lock; neither is known in records made before they were kept.
    std::optional<FolderIdentity> baseIdentity;
    std::optional<quint64> sequence;
    std::optional<int> result; // the extraction's code, once it ended
    QStringList foldersMade;
    QList<RecordedFile> files; // files the install wrote; kept files are not among them
    QString lastNoted;         // the path of the last file line: in a journal, the file in progress
    State state = State::Ended;

    // Reads a record or journal; false with the reason when it is damaged. A journal cut short
    // in its last line (the install was killed while writing it) loses only that line.
    static bool parse(const QByteArray &text, InstallRecord *record, QString *error);
    // The record as it now stands, in the same format.
    QByteArray serialized() const;
    // Empty when every path lies inside the install folder; else the first that does not.
    QString pathOutside() const;
    // The track file the install left, relative to the install base: the last file it wrote
    // that carries a track file's mark, as the install itself chose it; empty when none did.
    QString trackFile() const;

    // Each file's place in `files`, by its path: made once by whoever looks up many paths.
    QHash<QString, int> fileIndex() const;
    // By the order in which the installs took their folder's lock: that is the order of their
    // writes. Records made before that order was kept come before all others, by their time.
    bool isLaterThan(const InstallRecord &other) const;
    // Whether `other` went into the same folder: the same path, and the same folder where both
    // know it.
    bool sharesFolderWith(const InstallRecord &other) const;

    // The journal's lines.
    QByteArray headerLines() const;
    static QByteArray folderLine(const QString &path);
    static QByteArray fileLine(const QString &path, qint64 size, const ContentHash &hash);
    // The same line appended to `line`, whose space is reused from one file to the next.
    static void appendFileLine(QByteArray *line, const QString &path, qint64 size, const ContentHash &hash);
    static QByteArray foundLine(const QString &path);
    static QByteArray originalLine(const QString &path, const ContentHash &hash, uint mode,
                                   const std::optional<FileOwner> &owner);
    static QByteArray notKeptLine(const QString &path);
    static QByteArray endLine(int code);
};
