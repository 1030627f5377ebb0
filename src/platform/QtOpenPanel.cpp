// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "QtOpenPanel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {
// A start folder that isn't there (the stock one names a folder that few systems have) opens
// the chooser at its nearest existing parent, and at the home folder rather than at "/".
QString nearestExistingFolder(const QString &directory)
{
    QString candidate = QDir::cleanPath(directory);
    while (!candidate.isEmpty() && candidate != QLatin1String("/") && !QFileInfo(candidate).isDir())
        candidate = QFileInfo(candidate).path();
    if (candidate.isEmpty() || candidate == QLatin1String("/") || candidate == QLatin1String("."))
        return QFileInfo(directory).isDir() ? directory : QDir::homePath();
    return candidate;
}
} // namespace

QtOpenPanel::~QtOpenPanel()
{
    if (m_dialog)
        m_dialog->deleteLater();
}

void QtOpenPanel::beginSheetForDirectory(const QString &directory, const QString &file, const QStringList &types,
                                         QWidget *window, DidEnd didEnd)
{
    auto *dialog = new QFileDialog(window);
    m_dialog = dialog;
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    if (canChooseDirectories() && !canChooseFiles()) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        dialog->setWindowTitle(QObject::tr("Choose a Folder"));
    } else {
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setWindowTitle(QObject::tr("Open"));
    }
    if (!types.isEmpty()) {
        QStringList patterns;
        for (const QString &type : types)
            patterns.append(QStringLiteral("*.") + type);
        dialog->setNameFilters(
            {QObject::tr("Track packages (%1)").arg(patterns.join(QLatin1Char(' '))), QObject::tr("All files (*)")});
    }
    dialog->setDirectory(nearestExistingFolder(directory));
    if (!file.isEmpty())
        dialog->selectFile(file);

    m_keepAlive = shared_from_this();
    QObject::connect(dialog, &QFileDialog::finished, dialog, [this, didEnd](int result) {
        const std::shared_ptr<QtOpenPanel> self = std::move(m_keepAlive);
        const int returnCode = result == QDialog::Accepted ? 1 : 0;
        m_filename = returnCode && m_dialog ? m_dialog->selectedFiles().value(0) : QString();
        if (didEnd)
            didEnd(this, returnCode);
    });
    dialog->open();
}

void QtOpenPanel::close()
{
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
    }
}
