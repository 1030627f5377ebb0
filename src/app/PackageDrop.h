// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

// Takes a package dropped onto a window and hands its path over, as the package chooser hands
// over the file chosen. Only a local file whose ending the chooser admits is taken; of several,
// the last one, as when the desktop hands several over. A drop is refused while opening a
// package is not offered.
class PackageDrop : public QObject
{
    Q_OBJECT

public:
    using Offered = std::function<bool()>;
    using Open = std::function<void(const QString &path)>;

    PackageDrop(QWidget *target, const QStringList &types, Offered offered, Open open);

    // The file such a drop would open; empty when it offers none.
    static QString packagePath(const QMimeData *data, const QStringList &types);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList m_types;
    Offered m_offered;
    Open m_open;
};
