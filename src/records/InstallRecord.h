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

// A file an install wrote: what it holds since, and the original it replaced, if any.
struct RecordedFile
{
    QString path; // relative to the install base, normalised
    qint64 size = 0;
    ContentHash hash;
    bool replaced = false;
    ContentHash original;  // the kept original, when replaced
    uint originalMode = 0; // its st_mode (type and permissions)
    // Something stood there and was replaced, but could not be kept (a FIFO, a file the user
    // may not read): an undo can't put it back, and says so.
    bool notKept = false;
};

// The record of one install, as kept in the data folder: the package, where and when it was
// installed, the folders it made and the files it wrote. It is one text format for the journal
// that an install appends to as it goes and for the ended record, one line each:
// a header ("title\t…"), then "D\tfolder", "F\tsize\thash\tpath" (a file about to be written),
// "E\tpath" (something stood there already), "O\thash\tmode\tpath" (its original kept, then
// replaced), "N\tpath" (replaced without its original, which could not be kept) and "end\tcode". Text fields are percent-encoded, so every line stays one line.
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
    QDateTime time;            // UTC
    std::optional<int> result; // the extraction's code, once it ended
    QStringList foldersMade;
    QList<RecordedFile> files; // files the install wrote; kept files are not among them
    State state = State::Ended;

    // Reads a record or journal; false with the reason when it is damaged. A journal cut short
    // in its last line (the install was killed while writing it) loses only that line.
    static bool parse(const QByteArray &text, InstallRecord *record, QString *error);
    // The record as it now stands, in the same format.
    QByteArray serialized() const;
    // Empty when every path lies inside the install folder; else the first that does not.
    QString pathOutside() const;

    // Each file's place in `files`, by its path: made once by whoever looks up many paths.
    QHash<QString, int> fileIndex() const;
    bool isLaterThan(const InstallRecord &other) const;

    // The journal's lines.
    QByteArray headerLines() const;
    static QByteArray folderLine(const QString &path);
    static QByteArray fileLine(const QString &path, qint64 size, const ContentHash &hash);
    static QByteArray foundLine(const QString &path);
    static QByteArray originalLine(const QString &path, const ContentHash &hash, uint mode);
    static QByteArray notKeptLine(const QString &path);
    static QByteArray endLine(int code);
};
