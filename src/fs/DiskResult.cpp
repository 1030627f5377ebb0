// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DiskResult.h"

#include <QCoreApplication>

#include <cstring>

namespace {

// The operations that failures name, for the catalog: describe() shows them in the user's
// language, logLine() as they stand, in English.
[[maybe_unused]] const char *const Operations[] = {
    QT_TRANSLATE_NOOP("DiskResult", "write"),         QT_TRANSLATE_NOOP("DiskResult", "replace"),
    QT_TRANSLATE_NOOP("DiskResult", "create folder"), QT_TRANSLATE_NOOP("DiskResult", "lock"),
    QT_TRANSLATE_NOOP("DiskResult", "remove"),        QT_TRANSLATE_NOOP("DiskResult", "put back"),
    QT_TRANSLATE_NOOP("DiskResult", "remove folder"), QT_TRANSLATE_NOOP("DiskResult", "make room"),
    QT_TRANSLATE_NOOP("DiskResult", "open folder"),   QT_TRANSLATE_NOOP("DiskResult", "read"),
    QT_TRANSLATE_NOOP("DiskResult", "rename"),        QT_TRANSLATE_NOOP("DiskResult", "sync"),
    QT_TRANSLATE_NOOP("DiskResult", "use folder"),    QT_TRANSLATE_NOOP("DiskResult", "follow link"),
};

QString reason(int error)
{
    return error ? QString::fromLocal8Bit(std::strerror(error)) : QStringLiteral("unknown error");
}

} // namespace

QString DiskResult::describe() const
{
    return QCoreApplication::translate("DiskResult", "cannot %1 '%2': %3")
        .arg(QCoreApplication::translate("DiskResult", operation.toUtf8().constData()), path, reason(error));
}

QString DiskResult::logLine(const QString &work, const QString &folder) const
{
    const QString at = step.isEmpty() || step == operation ? QString() : QStringLiteral(" (%1)").arg(step);
    return QStringLiteral("%1 into %2 failed: cannot %3 '%4'%5: %6")
        .arg(work, folder, operation, path, at, reason(error));
}
