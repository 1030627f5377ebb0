// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstalledTracksController.h"

#include "platform/Platform.h"
#include "records/InstallRepair.h"
#include "records/RecordStore.h"
#include "ui_InstalledTracks.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {

const QString AutosaveName = QStringLiteral("InstalledTracks");
const QString OkButton = QStringLiteral("OK");
constexpr int IdRole = Qt::UserRole;

QString listed(const QStringList &paths)
{
    QStringList lines;
    for (const QString &path : paths)
        lines << QStringLiteral("  ") + path;
    return lines.join(QLatin1Char('\n'));
}

} // namespace

InstalledTracksController::InstalledTracksController(QObject *parent)
    : WindowController(parent)
{
    setWindowFrameAutosaveName(AutosaveName);
}

InstalledTracksController::~InstalledTracksController() = default;

QWidget *InstalledTracksController::makeWindow()
{
    auto *window = new QWidget(nullptr, Qt::Window);
    m_ui = std::make_unique<Ui::InstalledTracks>();
    m_ui->setupUi(window);
    m_ui->installsList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_ui->installsList, &QTreeWidget::itemSelectionChanged, this, [this] { selectionChanged(); });
    connect(m_ui->uninstallButton, &QPushButton::clicked, this, [this] { uninstallSelected(m_ui->uninstallButton); });
    connect(m_ui->closeButton, &QPushButton::clicked, this, [this] { close(); });
    return window;
}

void InstalledTracksController::windowDidLoad()
{
    reload();
}

QTreeWidget *InstalledTracksController::installsList()
{
    window();
    return m_ui->installsList;
}

QPushButton *InstalledTracksController::uninstallButton()
{
    window();
    return m_ui->uninstallButton;
}

void InstalledTracksController::reload()
{
    QTreeWidget *list = installsList();
    list->clear();
    const RecordStore store;
    repairInterrupted(store);
    DiskResult listed;
    const QList<InstallRecord> records = store.records(nullptr, &listed);
    // An empty list would say that nothing is recorded, of installs that may well be.
    m_ui->problemLabel->setText(
        listed.ok() ? QString() : QStringLiteral("The recorded installs can't be listed: %1.").arg(listed.describe()));
    m_ui->problemLabel->setVisible(!listed.ok());
    list->setVisible(listed.ok());
    for (const InstallRecord &record : records) {
        // Package text is untrusted; QTreeWidget items show it as plain text.
        auto *item = new QTreeWidgetItem(list, {record.title, record.author, record.installBase,
                                                record.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                                QString::number(record.files.size())});
        item->setData(0, IdRole, record.id);
        item->setToolTip(0, record.id);
    }
    if (list->topLevelItemCount() > 0)
        list->setCurrentItem(list->topLevelItem(0));
    selectionChanged();
}

void InstalledTracksController::selectionChanged()
{
    m_ui->uninstallButton->setEnabled(!m_ui->installsList->selectedItems().isEmpty());
}

Alert InstalledTracksController::confirmationAlert(const InstallUndo::Outcome &planned)
{
    QString message = QStringLiteral("Uninstalling \u201c%1\u201d from %2 removes %3 file(s) it installed")
                          .arg(planned.record.title, planned.record.installBase)
                          .arg(planned.removed.size());
    message += planned.restored.isEmpty()
                   ? QStringLiteral(".")
                   : QStringLiteral(" and puts back %1 file(s) it replaced.").arg(planned.restored.size());
    if (!planned.kept.isEmpty())
        message += QStringLiteral("\n\nThese changed since the install and will be kept:\n") + listed(planned.kept);
    if (!planned.handedOn.isEmpty())
        message += QStringLiteral("\n\nThese were replaced by a later install and stay as they are:\n")
                   + listed(planned.handedOn);
    if (!planned.notKept.isEmpty())
        message += QStringLiteral("\n\nThese replaced files whose originals could not be kept, and stay as they are:\n")
                   + listed(planned.notKept);
    return Alert{QStringLiteral("Uninstall Track"), message, QStringLiteral("Uninstall"), QStringLiteral("Cancel")};
}

Alert InstalledTracksController::reportAlert(const InstallUndo::Outcome &done)
{
    if (done.result == InstallUndo::Result::Undone) {
        QString message = QStringLiteral("\u201c%1\u201d was uninstalled.").arg(done.record.title);
        if (!done.kept.isEmpty())
            message += QStringLiteral("\n\nKept because they changed since the install:\n") + listed(done.kept);
        if (!done.notKept.isEmpty())
            message += QStringLiteral("\n\nLeft as they are, their originals were not kept at install time:\n")
                       + listed(done.notKept);
        if (!done.ownerNotRestored.isEmpty())
            message += QStringLiteral("\n\nPut back, but owned by you, not by their owners as before (only root "
                                      "may give a file to another user):\n")
                       + listed(done.ownerNotRestored);
        return Alert{QStringLiteral("Track Uninstalled"), message, OkButton};
    }
    QString message = done.message;
    if (done.result == InstallUndo::Result::Failed)
        message += QStringLiteral("\n\nCould not remove or put back:\n") + listed(done.failed) + QStringLiteral("\n\n")
                   + done.causeTexts().join(QLatin1Char('\n'));
    return Alert{QStringLiteral("Uninstall Failed"), message, OkButton};
}

void InstalledTracksController::repairInterrupted(const RecordStore &store)
{
    for (const InstallRepair::Repair &repair : InstallRepair(store).run())
        Platform::current().log(repair.text());
}

void InstalledTracksController::uninstallSelected(QObject *)
{
    const QList<QTreeWidgetItem *> selected = installsList()->selectedItems();
    if (selected.isEmpty())
        return;
    const QString id = selected.first()->data(0, IdRole).toString();
    const RecordStore store;
    InstallUndo undo(store);
    Platform &platform = Platform::current();
    const InstallUndo::Outcome planned = undo.undo(id, true);
    if (planned.result != InstallUndo::Result::Undone) {
        platform.beep();
        platform.runAlertPanel(reportAlert(planned));
        reload();
        return;
    }
    if (platform.runAlertPanel(confirmationAlert(planned)) != AlertAnswer::Default)
        return;
    repairInterrupted(store);
    const InstallUndo::Outcome done = undo.undo(id, false);
    for (const QString &line : done.logLines())
        Platform::current().log(line);
    if (done.result != InstallUndo::Result::Undone)
        platform.beep();
    if (done.result == InstallUndo::Result::Undone || done.result == InstallUndo::Result::Failed)
        Q_EMIT installUndone(id);
    platform.runAlertPanel(reportAlert(done));
    reload();
}
