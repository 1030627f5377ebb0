// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "RecordCheck.h"

#include "records/InstallRecord.h"

#include <QList>

#include <algorithm>
#include <utility>

namespace {

bool sameFile(const RecordedFile &a, const RecordedFile &b)
{
    return a.path == b.path && a.size == b.size && a.hash == b.hash && a.replaced == b.replaced
           && a.original == b.original && a.originalMode == b.originalMode && a.notKept == b.notKept;
}

// The first part in which two records differ; empty when they are the same record. A time is
// the same only with the same offset too, since the record shows it as it was written.
QString difference(const InstallRecord &a, const InstallRecord &b)
{
    const QList<std::pair<const char *, bool>> parts = {
        {"id", a.id == b.id},
        {"title", a.title == b.title},
        {"author", a.author == b.author},
        {"version", a.version == b.version},
        {"package", a.packageName == b.packageName},
        {"packageHash", a.packageHash == b.packageHash},
        {"installBase", a.installBase == b.installBase},
        {"time", a.time == b.time && a.time.offsetFromUtc() == b.time.offsetFromUtc()},
        {"end", a.result == b.result},
        {"folders", a.foldersMade == b.foldersMade},
        {"files", std::equal(a.files.cbegin(), a.files.cend(), b.files.cbegin(), b.files.cend(), sameFile)},
    };
    for (const auto &[name, same] : parts) {
        if (!same)
            return QString::fromLatin1(name);
    }
    return QString();
}

} // namespace

RecordCheck checkRecord(const QByteArray &text)
{
    RecordCheck check;
    InstallRecord record;
    QString error;
    check.parsed = InstallRecord::parse(text, &record, &error);
    if (!check.parsed) {
        if (error.isEmpty())
            check.fault = QStringLiteral("refused without a reason");
        return check;
    }
    const QByteArray written = record.serialized();
    InstallRecord reread;
    if (!InstallRecord::parse(written, &reread, &error))
        check.fault = QStringLiteral("its own text is refused: %1").arg(error);
    else if (const QString part = difference(record, reread); !part.isEmpty())
        check.fault = QStringLiteral("read back with another %1").arg(part);
    return check;
}
