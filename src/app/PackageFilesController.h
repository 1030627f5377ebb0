// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/WindowController.h"

#include <memory>

class QTableWidget;
class TrackPackage;
namespace Ui {
class PackageFiles;
}

// The Package Files window: each file of the loaded package and what installing it into the
// simulator folder would do to it (InstallPreview), read-only; nothing is written to find out.
class PackageFilesController : public WindowController
{
    Q_OBJECT

public:
    explicit PackageFilesController(QObject *parent = nullptr);
    ~PackageFilesController() override;

    // Looks again at the package and the folder: files come and go between two looks.
    void showFiles(const TrackPackage &package, const QString &installFolder);

    QTableWidget *filesTable();

protected:
    QWidget *makeWindow() override;

private:
    std::unique_ptr<Ui::PackageFiles> m_ui;
};
