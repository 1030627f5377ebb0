// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstalledFileCheck.h"

#include <QFile>
#include <QFileInfo>

namespace InstalledFileCheck {

namespace {

State stateOf(const QString &path, const RecordedFile &file)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return info.exists() || info.isSymLink() ? State::Changed : State::Gone;
    // A size that differs tells without reading: large files are the slow part.
    if (info.size() != file.size)
        return State::Changed;
    QFile content(path);
    if (!content.open(QIODevice::ReadOnly))
        return State::Changed;
    ContentHasher hasher;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 got; (got = content.read(chunk.data(), chunk.size())) > 0;)
        hasher.add(chunk.constData(), size_t(got));
    return hasher.result() == file.hash ? State::Unchanged : State::Changed;
}

} // namespace

QList<State> check(const InstallRecord &record)
{
    QList<State> states;
    states.reserve(record.files.size());
    for (const RecordedFile &file : record.files)
        states << stateOf(record.installBase + QLatin1Char('/') + file.path, file);
    return states;
}

} // namespace InstalledFileCheck
