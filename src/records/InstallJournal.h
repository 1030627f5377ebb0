// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ContentStore.h"
#include "InstallRecord.h"
#include "RecordStore.h"
#include "fs/Fd.h"
#include "package/InstallObserver.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class TrackPackage;

// Keeps the record of one install as it goes: a journal in the data folder, appended to
// before each change, so that an install that failed or was killed can be undone too, and
// renamed into place as the record when the install ends. Originals are kept in the store
// before they are replaced. An install that wrote nothing leaves no record.
//
// A record never costs the user an install: where the data folder can't be used, or one
// original can't be kept (a FIFO, a file the user may not read), the install goes on, the
// record says which file can't be put back, and undoNotes() says what can't be undone.
//
// Each line is in the file before the change it announces: a killed process loses none of
// them. Lines are copied into space reserved ahead and mapped shared, so an install of many
// tiny files costs no system call per line; the page cache keeps what a killed process copied.
// The journal is synced when it begins, before each replacement (the original must be found
// after a crash) and when it ends.
class InstallJournal : public InstallObserver
{
public:
    InstallJournal(const RecordStore &store, const TrackPackage &package);
    ~InstallJournal() override;
    InstallJournal(const InstallJournal &) = delete;
    InstallJournal &operator=(const InstallJournal &) = delete;

    // The id of the record kept; empty when the install wrote nothing or never began.
    QString recordId() const { return m_kept ? m_record.id : QString(); }
    // What of the install can't be undone, and why, one line each; empty when all of it can.
    QStringList undoNotes() const { return m_notes; }
    // Those notes as the log's lines, for whoever ran the install to write.
    QStringList logLines() const;

    void installBegins(const QString &installBase, int baseFd) override;
    void folderMade(const QString &path) override;
    void fileToBeWritten(const QString &path, qint64 size, const ContentHash &hash) override;
    void fileFound(const QString &path) override;
    void fileToBeReplaced(int folderFd, const QByteArray &name, const QString &path) override;
    void fileNotWritten(const QString &path) override;
    void installEnds(InstallResult code) override;

private:
    bool append(const QByteArray &line);
    void recordFails(const QString &why);
    bool reserve(qint64 bytes);
    bool trim();
    void unmap();
    void close();
    // Opens the journal and writes its header: 0, or the errno of the step that failed.
    int begin(const QString &path);

    const RecordStore &m_store;
    InstallRecord m_record;
    std::unique_ptr<ContentStore> m_contents;
    Fd m_fd;
    // The mapped window of the journal: file offsets [m_mapStart, m_mapEnd) at m_map; lines end
    // at m_used. Where space can't be reserved ahead (no fallocate), each line is written.
    char *m_map = nullptr;
    qint64 m_mapStart = 0;
    qint64 m_mapEnd = 0;
    qint64 m_used = 0;
    bool m_writeEachLine = false;
    QByteArray m_line; // a file's line, its space kept for the next
    bool m_failed = false;
    bool m_kept = false;
    QStringList m_notes;
    QStringList m_otherLogLines; // what the log is told beside the notes
    // Whether anything may have been written: an announced file not found there, a replacement
    // or a folder made.
    qint64 m_changes = 0;
    // The original kept for the replacement under way, and those of replacements that failed:
    // nobody may refer to them when the install leaves no record.
    std::optional<ContentHash> m_keptForReplacement;
    QList<ContentHash> m_keptInVain;
};
