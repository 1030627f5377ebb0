// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PackageDrop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

PackageDrop::PackageDrop(QWidget *target, const QStringList &types, Offered offered, Open open)
    : QObject(target)
    , m_types(types)
    , m_offered(std::move(offered))
    , m_open(std::move(open))
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

QString PackageDrop::packagePath(const QMimeData *data, const QStringList &types)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return QString();
    const QUrl url = data->urls().constLast();
    if (!url.isLocalFile())
        return QString();
    const QFileInfo file(url.toLocalFile());
    // The chooser's types list both cases because its filter minds them; a name from a file
    // manager may be in any.
    if (file.isDir() || !types.contains(file.suffix(), Qt::CaseInsensitive))
        return QString();
    return file.filePath();
}

bool PackageDrop::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);

    auto *drop = static_cast<QDropEvent *>(event);
    const QString path = m_offered() ? packagePath(drop->mimeData(), m_types) : QString();
    // Copied, never moved: a file manager would otherwise remove the user's package.
    if (path.isEmpty() || !(drop->possibleActions() & Qt::CopyAction)) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        // Loading may alert and close the window: not while the desktop still waits for the
        // drop to end.
        QMetaObject::invokeMethod(
            this,
            [this, path] {
                if (m_offered())
                    m_open(path);
            },
            Qt::QueuedConnection);
    }
    return true;
}
