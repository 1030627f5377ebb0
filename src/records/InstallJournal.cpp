// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallJournal.h"

#include "DurableFile.h"
#include "package/TrackPackage.h"
#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString versionOf(const TrackPackage &package)
{
    return QStringLiteral("%1.%2.%3")
        .arg(int(package.pkgFileVerMaj()))
        .arg(int(package.pkgFileVerMin()))
        .arg(int(package.pkgFileVerRev()));
}

} // namespace

InstallJournal::InstallJournal(const RecordStore &store, const TrackPackage &package)
    : m_store(store)
{
    m_record.time = QDateTime::currentDateTimeUtc();
    m_record.id = RecordStore::newId(m_record.time);
    m_record.title = package.pkgTitle();
    m_record.author = package.pkgAuthor();
    m_record.version = versionOf(package);
    m_record.packageName = QFileInfo(package.pkgFilePath()).fileName();
    const QByteArray data = package.pkgFileData();
    m_record.packageHash = contentHash(data.constData(), size_t(data.size()));
    m_record.state = InstallRecord::State::Journal;
}

InstallJournal::~InstallJournal()
{
    close();
}

void InstallJournal::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool InstallJournal::append(const QByteArray &line)
{
    if (m_failed || m_fd < 0)
        return false;
    // O_APPEND and one write per line: the line is whole in the file or not there at all.
    const ssize_t written = ::write(m_fd, line.constData(), size_t(line.size()));
    if (written == line.size())
        return true;
    m_failed = true;
    Platform::current().log(QStringLiteral("Could not write the install record %1")
                                .arg(m_store.pathOf(m_record.id, InstallRecord::State::Journal)));
    return false;
}

bool InstallJournal::installBegins(const QString &installBase)
{
    m_record.installBase = installBase;
    const QString path = m_store.pathOf(m_record.id, InstallRecord::State::Journal);
    if (m_store.makeFolders())
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    m_contents = std::make_unique<ContentStore>(m_store.storeFolder());
    if (m_fd < 0 || !m_contents->isOpen() || !append(m_record.headerLines()) || ::fsync(m_fd) != 0
        || !DurableFile::syncFolder(m_store.recordsFolder())) {
        Platform::current().log(QStringLiteral("Could not keep a record of the install in %1").arg(m_store.folder()));
        if (m_fd >= 0)
            QFile::remove(path);
        close();
        m_failed = true;
        return false;
    }
    return true;
}

void InstallJournal::folderMade(const QString &path)
{
    ++m_changes;
    append(InstallRecord::folderLine(path));
}

bool InstallJournal::fileToBeWritten(const QString &path, qint64 size, const ContentHash &hash)
{
    ++m_changes;
    return append(InstallRecord::fileLine(path, size, hash));
}

void InstallJournal::fileFound(const QString &path)
{
    --m_changes;
    append(InstallRecord::foundLine(path));
}

bool InstallJournal::fileToBeReplaced(int folderFd, const QByteArray &name, const QString &path)
{
    if (m_failed)
        return false;
    ContentHash original;
    uint mode = 0;
    const ContentStore::Lock lock(*m_contents);
    if (!m_contents->keep(folderFd, name, &original, &mode))
        return false;
    ++m_changes;
    return append(InstallRecord::originalLine(path, original, mode)) && ::fdatasync(m_fd) == 0;
}

void InstallJournal::installEnds(int code)
{
    if (m_fd < 0)
        return;
    const bool ended = append(InstallRecord::endLine(code)) && ::fsync(m_fd) == 0;
    close();
    const QString journal = m_store.pathOf(m_record.id, InstallRecord::State::Journal);
    if (m_changes <= 0) {
        // Nothing was written: nothing to undo, and nothing to list.
        QFile::remove(journal);
        DurableFile::syncFolder(m_store.recordsFolder());
        return;
    }
    // A journal that could not be ended stays a journal: it can still be undone.
    m_kept = true;
    if (ended) {
        std::rename(QFile::encodeName(journal).constData(),
                    QFile::encodeName(m_store.pathOf(m_record.id, InstallRecord::State::Ended)).constData());
        DurableFile::syncFolder(m_store.recordsFolder());
    }
}
