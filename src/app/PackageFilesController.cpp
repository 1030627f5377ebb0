// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PackageFilesController.h"

#include "package/TrackPackage.h"
#include "records/InstallPreview.h"
#include "ui_PackageFiles.h"

#include <QDialog>
#include <QPushButton>

PackageFilesController::PackageFilesController(QObject *parent)
    : WindowController(parent)
{
}

PackageFilesController::~PackageFilesController() = default;

QWidget *PackageFilesController::makeWindow()
{
    // A dialog, so that Escape closes it as the button does.
    auto *window = new QDialog(nullptr, Qt::Window);
    m_ui = std::make_unique<Ui::PackageFiles>();
    m_ui->setupUi(window);
    m_ui->filesTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_ui->filesTable->horizontalHeader()->setStretchLastSection(true);
    m_ui->buttonBox->button(QDialogButtonBox::Close)->setAccessibleName(tr("Close"));
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, [this] { close(); });
    return window;
}

QTableWidget *PackageFilesController::filesTable()
{
    window();
    return m_ui->filesTable;
}

void PackageFilesController::showFiles(const TrackPackage &package, const QString &installFolder)
{
    window();
    const QString installBase = TrackPackage::resolvedPath(installFolder);
    const RecordStore records;
    const InstallPreview::Result result = InstallPreview(records).preview(package.contents(), installBase);
    QTableWidget *table = m_ui->filesTable;
    table->setRowCount(int(result.files.size()));
    for (int row = 0; row < table->rowCount(); ++row) {
        const InstallPreview::File &file = result.files.at(row);
        // Items show plain text: a path from a package is never markup.
        table->setItem(row, 0, new QTableWidgetItem(file.path));
        table->setItem(row, 1, new QTableWidgetItem(InstallPreview::actionText(file.action)));
        table->setItem(row, 2, new QTableWidgetItem(InstallPreview::detailText(file)));
    }
    // Said above the list: an install that would fail writes none of what it lists, or not all.
    QString summary = tr("What installing \u201c%1\u201d into %2 would do:").arg(package.pkgTitle(), installBase);
    if (result.code != InstallResult::Success)
        summary += QLatin1Char(' ') + InstallText::statusText(result.code);
    if (!result.cause.ok())
        summary += QLatin1Char(' ') + result.cause.describe();
    m_ui->summaryLabel->setText(summary);
}
