// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstalledFileCheck.h"

#include "fs/Fd.h"
#include "fs/FileBytes.h"
#include "platform/FileName.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace InstalledFileCheck {

namespace {

// Paths by their own bytes: a folder named in Latin-1 would not be found through Qt's reading.
State stateOf(const QString &path, const RecordedFile &file)
{
    const QByteArray encoded = FileName::encode(path);
    struct stat info;
    if (::stat(encoded.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return ::lstat(encoded.constData(), &info) == 0 ? State::Changed : State::Gone;
    // A size that differs tells without reading: large files are the slow part.
    if (info.st_size != file.size)
        return State::Changed;
    const Fd fd(::open(encoded.constData(), O_RDONLY | O_CLOEXEC));
    ContentHasher hasher;
    const auto take = [&hasher](const char *bytes, size_t size) { hasher.add(bytes, size); };
    if (!fd || FileBytes::forEachChunk(fd.get(), take) != 0)
        return State::Changed;
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
