// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstalledTracksController.h"

#include "LockWaitLoop.h"
#include "install/InstallLocation.h"
#include "package/ResultCodes.h"
#include "platform/Platform.h"
#include "records/InstallRepair.h"
#include "records/RecordStore.h"
#include "ui_InstalledTracks.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString AutosaveName = QStringLiteral("InstalledTracks");
const char *const OkButton = QT_TRANSLATE_NOOP("InstalledTracksController", "OK");
constexpr int IdRole = Qt::UserRole;
enum Column { TitleColumn, AuthorColumn, InstalledColumn, FilesColumn };
enum FileColumn { PathColumn, HowColumn, NowColumn };

const char *const Context = "InstalledTracksController";

// A count with its noun ("1 file", "3 files"). A translation gives each language its forms;
// without one, English needs only its two.
QString counted(const char *text, int n)
{
    QString made = QCoreApplication::translate(Context, text, nullptr, n);
    return made.replace(QStringLiteral("(s)"), n == 1 ? QString() : QStringLiteral("s"));
}

QString listed(const QStringList &paths)
{
    QStringList lines;
    for (const QString &path : paths)
        lines << QStringLiteral("  ") + path;
    return lines.join(QLatin1Char('\n'));
}

QString stateText(InstalledFileCheck::State state)
{
    switch (state) {
    case InstalledFileCheck::State::Unchanged:
        return InstalledTracksController::tr("unchanged");
    case InstalledFileCheck::State::Changed:
        return InstalledTracksController::tr("changed since");
    case InstalledFileCheck::State::Gone:
        return InstalledTracksController::tr("gone");
    }
    return QString();
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
    auto *window = new QDialog(nullptr, Qt::Window);
    m_ui = std::make_unique<Ui::InstalledTracks>();
    m_ui->setupUi(window);
    m_ui->emptyLabel->setAccessibleName(tr("Library status"));
    m_ui->problemLabel->setAccessibleName(tr("Listing problem"));
    // The title and author share what the date and count leave: the list never scrolls sideways.
    QHeaderView *header = m_ui->installsList->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setSectionResizeMode(InstalledColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(FilesColumn, QHeaderView::ResizeToContents);
    m_ui->installsList->setRootIsDecorated(false);
    m_ui->installsList->setItemsExpandable(false);
    QHeaderView *filesHeader = m_ui->filesList->header();
    filesHeader->setStretchLastSection(false);
    filesHeader->setSectionResizeMode(QHeaderView::ResizeToContents);
    filesHeader->setSectionResizeMode(PathColumn, QHeaderView::Stretch);
    m_ui->splitter->setStretchFactor(0, 3);
    m_ui->splitter->setStretchFactor(1, 2);

    connect(m_ui->installsList, &QTreeWidget::itemSelectionChanged, this, [this] { selectionChanged(); });
    connect(m_ui->filterField, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(new QShortcut(QKeySequence::Find, window), &QShortcut::activated, m_ui->filterField,
            qOverload<>(&QWidget::setFocus));
    connect(m_ui->uninstallButton, &QPushButton::clicked, this, [this] { uninstallSelected(m_ui->uninstallButton); });
    connect(m_ui->rideButton, &QPushButton::clicked, this, [this] { rideSelected(m_ui->rideButton); });
    connect(m_ui->checkButton, &QPushButton::clicked, this, [this] { checkSelected(m_ui->checkButton); });
    connect(m_ui->closeButton, &QPushButton::clicked, this, [this] { close(); });
    connect(m_ui->stopWaitingButton, &QPushButton::clicked, this, [this] {
        if (m_lockWait)
            m_lockWait->stop();
    });
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

QLineEdit *InstalledTracksController::filterField()
{
    window();
    return m_ui->filterField;
}

QLabel *InstalledTracksController::emptyLabel()
{
    window();
    return m_ui->emptyLabel;
}

QLabel *InstalledTracksController::detailsLabel()
{
    window();
    return m_ui->detailsLabel;
}

QTreeWidget *InstalledTracksController::filesList()
{
    window();
    return m_ui->filesList;
}

QPushButton *InstalledTracksController::uninstallButton()
{
    window();
    return m_ui->uninstallButton;
}

QPushButton *InstalledTracksController::rideButton()
{
    window();
    return m_ui->rideButton;
}

QPushButton *InstalledTracksController::checkButton()
{
    window();
    return m_ui->checkButton;
}

QList<QTreeWidgetItem *> InstalledTracksController::installItems()
{
    QList<QTreeWidgetItem *> items;
    QTreeWidget *list = installsList();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        for (int j = 0; j < list->topLevelItem(i)->childCount(); ++j)
            items << list->topLevelItem(i)->child(j);
    return items;
}

void InstalledTracksController::reload()
{
    if (!isWindowLoaded()) {
        window(); // which reads them
        return;
    }
    const RecordStore store;
    repairInterrupted(store);
    DiskResult listed;
    const QList<InstallRecord> records = store.records(nullptr, &listed);
    // An empty list would say that nothing is recorded, of installs that may well be.
    m_listed = listed.ok();
    m_ui->problemLabel->setText(m_listed ? QString()
                                         : tr("The recorded installs can't be listed: %1.").arg(listed.describe()));
    m_ui->problemLabel->setVisible(!m_listed);
    fillList(records);
}

// Each install under its folder, the folders in the order of their newest install. The folder
// row spans the list, its path shortened in the middle, where two long paths differ least.
void InstalledTracksController::fillList(const QList<InstallRecord> &records)
{
    QTreeWidget *list = installsList();
    const QString selected = selectedRecord() ? selectedRecord()->id : QString();
    list->clear();
    m_records.clear();
    QHash<QString, QTreeWidgetItem *> folders;
    for (const InstallRecord &record : records) {
        QTreeWidgetItem *&folder = folders[record.installBase];
        if (!folder) {
            folder = new QTreeWidgetItem(list, {record.installBase});
            folder->setToolTip(0, record.installBase);
            folder->setFlags(Qt::ItemIsEnabled);
            QFont bold = folder->font(0);
            bold.setBold(true);
            folder->setFont(0, bold);
            folder->setFirstColumnSpanned(true);
        }
        // Package text is untrusted; QTreeWidget items show it as plain text.
        auto *item = new QTreeWidgetItem(folder, {record.title, record.author,
                                                  QLocale().toString(record.time.toLocalTime(), QLocale::ShortFormat),
                                                  QString::number(record.files.size())});
        item->setData(0, IdRole, record.id);
        item->setToolTip(0, record.title);
        m_records.insert(record.id, record);
    }
    list->expandAll();
    applyFilter();
    const QList<QTreeWidgetItem *> items = installItems();
    QTreeWidgetItem *current = nullptr;
    for (QTreeWidgetItem *item : items)
        if (!item->isHidden() && (!current || item->data(0, IdRole).toString() == selected))
            current = item;
    if (current)
        list->setCurrentItem(current);
    selectionChanged();
}

void InstalledTracksController::applyFilter()
{
    const QString filter = m_ui->filterField->text().trimmed();
    QTreeWidget *list = m_ui->installsList;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *folder = list->topLevelItem(i);
        bool any = false;
        for (int j = 0; j < folder->childCount(); ++j) {
            QTreeWidgetItem *item = folder->child(j);
            const bool matches = item->text(TitleColumn).contains(filter, Qt::CaseInsensitive)
                                 || item->text(AuthorColumn).contains(filter, Qt::CaseInsensitive);
            item->setHidden(!matches);
            any = any || matches;
        }
        folder->setHidden(!any);
    }
    if (QTreeWidgetItem *current = list->currentItem(); current && current->isHidden())
        list->setCurrentItem(nullptr);
    showEmptyState();
}

// In place of an empty list, what it means and what to do.
void InstalledTracksController::showEmptyState()
{
    bool anyShown = false;
    for (int i = 0; i < m_ui->installsList->topLevelItemCount(); ++i)
        anyShown = anyShown || !m_ui->installsList->topLevelItem(i)->isHidden();
    const bool none = m_records.isEmpty();
    m_ui->emptyLabel->setText(
        none ? tr("No tracks installed yet. Open a package with File \u2192 Open "
                  "Package\u2026 to install one.")
             : tr("No installed track matches \u201c%1\u201d.").arg(m_ui->filterField->text().trimmed()));
    m_ui->emptyLabel->setVisible(m_listed && !anyShown);
    m_ui->splitter->setVisible(m_listed && anyShown);
    m_ui->filterField->setEnabled(m_listed && !none);
}

const InstallRecord *InstalledTracksController::selectedRecord() const
{
    if (!m_ui)
        return nullptr;
    const QList<QTreeWidgetItem *> selected = m_ui->installsList->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    const auto found = m_records.constFind(selected.first()->data(0, IdRole).toString());
    return found == m_records.cend() ? nullptr : &*found;
}

void InstalledTracksController::selectionChanged()
{
    ++m_checks; // a check still running is for another install
    updateButtons();
    showDetails(selectedRecord());
}

void InstalledTracksController::updateButtons()
{
    const InstallRecord *record = selectedRecord();
    m_ui->uninstallButton->setEnabled(record);
    m_ui->checkButton->setEnabled(record && !record->files.isEmpty());
    m_ui->rideButton->setEnabled(record && !m_riding && !rideableTrackFile(*record).isEmpty());
}

void InstalledTracksController::showDetails(const InstallRecord *record)
{
    m_ui->filesList->clear();
    m_ui->detailsPane->setEnabled(record);
    if (!record) {
        m_ui->detailsLabel->setText(tr("No install chosen."));
        return;
    }
    QStringList lines;
    lines << tr("Version %1, from the package file %2").arg(record->version, record->packageName);
    lines << tr("Installed %1").arg(QLocale().toString(record->time.toLocalTime(), QLocale::LongFormat));
    lines << counted(QT_TRANSLATE_N_NOOP("InstalledTracksController", "%n file(s) written"), int(record->files.size()));
    m_ui->detailsLabel->setText(lines.join(QLatin1Char('\n')));
    // The folder heads the install's group in the list; a long one would be cut mid-name at the
    // window's edge here, so it is named whole in the tooltip only.
    m_ui->detailsLabel->setToolTip(record->installBase);
    for (const RecordedFile &file : record->files)
        new QTreeWidgetItem(m_ui->filesList, {file.path, file.replaced || file.notKept ? tr("replaced") : tr("new")});
}

// The files are read and hashed on another thread: a large install takes a while, and the window
// stays usable meanwhile.
void InstalledTracksController::checkSelected(QObject *)
{
    const InstallRecord *record = selectedRecord();
    if (!record)
        return;
    const quint64 check = ++m_checks;
    const QString id = record->id;
    for (int i = 0; i < m_ui->filesList->topLevelItemCount(); ++i)
        m_ui->filesList->topLevelItem(i)->setText(NowColumn, tr("checking\u2026"));
    m_ui->checkButton->setEnabled(false);
    auto *watcher = new QFutureWatcher<QList<InstalledFileCheck::State>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, check, id] {
        watcher->deleteLater();
        if (check == m_checks)
            showChecked(id, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&InstalledFileCheck::check, *record));
}

void InstalledTracksController::showChecked(const QString &id, const QList<InstalledFileCheck::State> &states)
{
    const InstallRecord *record = selectedRecord();
    if (!record || record->id != id)
        return;
    for (int i = 0; i < states.size() && i < m_ui->filesList->topLevelItemCount(); ++i)
        m_ui->filesList->topLevelItem(i)->setText(NowColumn, stateText(states.at(i)));
    // The track file may be among what changed.
    updateButtons();
    Q_EMIT changesChecked();
}

// Ridden as the main window rides a fresh install: only a track file that is still there, in a
// folder that is the simulator's.
QString InstalledTracksController::rideableTrackFile(const InstallRecord &record) const
{
    const QString track = record.trackFile();
    if (track.isEmpty() || !InstallLocation::isValid(record.installBase, false))
        return QString();
    const QString path = record.installBase + QLatin1Char('/') + track;
    return QFileInfo(path).isFile() ? path : QString();
}

void InstalledTracksController::rideSelected(QObject *)
{
    const InstallRecord *record = selectedRecord();
    const QString track = record ? rideableTrackFile(*record) : QString();
    if (track.isEmpty()) {
        updateButtons(); // gone since it was chosen
        return;
    }
    // One start at a time: whether it started is known a moment later.
    m_riding = true;
    m_ui->rideButton->setEnabled(false);
    SimulatorLaunch::start(record->installBase, track, this,
                           [this](SimulatorLaunch::Outcome outcome) { rideDidEnd(outcome); });
}

void InstalledTracksController::rideDidEnd(SimulatorLaunch::Outcome outcome)
{
    m_riding = false;
    if (outcome != SimulatorLaunch::Outcome::Launched) {
        Platform &platform = Platform::current();
        platform.beep();
        platform.runAlertPanel(SimulatorLaunch::failureAlert(outcome));
        platform.log(SimulatorLaunch::failureLogLine(outcome));
    }
    selectionChanged();
}

Alert InstalledTracksController::confirmationAlert(const InstallUndo::Outcome &planned)
{
    const InstallRecord &record = planned.record;
    QString message = tr("Uninstall \u201c%1\u201d from this folder?\n\n%2\n\n").arg(record.title, record.installBase);
    QString does =
        tr("This removes %1 it installed")
            .arg(counted(QT_TRANSLATE_N_NOOP("InstalledTracksController", "%n file(s)"), int(planned.removed.size())));
    if (!planned.restored.isEmpty())
        does += tr(" and puts back %1 it replaced")
                    .arg(counted(QT_TRANSLATE_N_NOOP("InstalledTracksController", "%n file(s)"),
                                 int(planned.restored.size())));
    message += does + QLatin1Char('.');
    if (!planned.foldersRemoved.isEmpty())
        message += tr("\n\nIt also removes %1 it made, once empty:\n")
                       .arg(counted(QT_TRANSLATE_N_NOOP("InstalledTracksController", "%n folder(s)"),
                                    int(planned.foldersRemoved.size())))
                   + listed(planned.foldersRemoved);
    if (!planned.kept.isEmpty())
        message += tr("\n\nThese changed since the install and will be kept:\n") + listed(planned.kept);
    if (!planned.handedOn.isEmpty())
        message += tr("\n\nThese were replaced by a later install and stay as they are:\n") + listed(planned.handedOn);
    if (!planned.notKept.isEmpty())
        message += tr("\n\nThese replaced files whose originals could not be kept, and stay as they are:\n")
                   + listed(planned.notKept);
    Alert alert{tr("Uninstall Track"), message, tr("Uninstall"), tr("Cancel")};
    alert.enterTakesAlternate = true;
    return alert;
}

Alert InstalledTracksController::reportAlert(const InstallUndo::Outcome &done)
{
    if (done.result == InstallUndo::Result::Undone) {
        QString message = tr("\u201c%1\u201d was uninstalled.").arg(done.record.title);
        if (!done.kept.isEmpty())
            message += tr("\n\nKept because they changed since the install:\n") + listed(done.kept);
        if (!done.notKept.isEmpty())
            message += tr("\n\nLeft as they are, their originals were not kept at install time:\n")
                       + listed(done.notKept);
        if (!done.ownerNotRestored.isEmpty())
            message += tr("\n\nPut back, but owned by you, not by their owners as before (only root "
                          "may give a file to another user):\n")
                       + listed(done.ownerNotRestored);
        Alert alert{tr("Track Uninstalled"), message, tr(OkButton)};
        // Anything left behind is worth the user's second look.
        if (done.kept.isEmpty() && done.notKept.isEmpty() && done.ownerNotRestored.isEmpty())
            alert.icon = Alert::Icon::Information;

        return alert;
    }
    QString message = done.message;
    if (done.result == InstallUndo::Result::Failed)
        message += tr("\n\nCould not remove or put back:\n") + listed(done.failed) + QStringLiteral("\n\n")
                   + done.causeTexts().join(QLatin1Char('\n'));
    return Alert{tr("Uninstall Failed"), message, tr(OkButton)};
}

void InstalledTracksController::repairInterrupted(const RecordStore &store)
{
    for (const InstallRepair::Repair &repair : InstallRepair(store).run())
        Platform::current().log(repair.text());
}

// Both the look at what an undo would do and the undo itself wait while another install holds
// the folder; the window goes on answering meanwhile, with nothing in it to start another undo.
void InstalledTracksController::uninstallSelected(QObject *)
{
    const InstallRecord *record = selectedRecord();
    if (!record)
        return;
    if (LockWaitLoop::active()) { // an install in the main window is waiting
        Platform::current().beep();
        return;
    }
    const QString id = record->id;
    const RecordStore store;
    InstallUndo undo(store);
    LockWaitLoop waitLoop(window());
    m_lockWait = &waitLoop;
    m_ui->waitLabel->hide();
    undo.setLockWaitPause(waitLoop.pause([this](bool waiting) { setWaiting(waiting); }));
    uninstall(id, store, undo);
    m_lockWait = nullptr;
}

// While waiting, the stop is all the window offers.
void InstalledTracksController::setWaiting(bool waiting)
{
    m_ui->stopWaitingButton->setVisible(waiting);
    m_ui->waitLabel->setText(InstallText::waitingText());
    m_ui->waitLabel->setVisible(waiting);
    m_ui->splitter->setEnabled(!waiting);
    m_ui->closeButton->setEnabled(!waiting);
    if (waiting) {
        const QList<QWidget *> controls{m_ui->filterField, m_ui->uninstallButton, m_ui->rideButton, m_ui->checkButton};
        for (QWidget *control : controls)
            control->setEnabled(false);
        return;
    }
    showEmptyState();
    updateButtons();
}

void InstalledTracksController::uninstall(const QString &id, const RecordStore &store, InstallUndo &undo)
{
    Platform &platform = Platform::current();
    const InstallUndo::Outcome planned = undo.undo(id, true);
    // The user's own stop needs no alert: the line says what it left.
    if (planned.result == InstallUndo::Result::Stopped && m_lockWait->stopped())
        return showStopped(planned);
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
    if (done.result == InstallUndo::Result::Stopped && m_lockWait->stopped())
        return showStopped(done);
    for (const QString &line : done.logLines())
        Platform::current().log(line);
    if (done.result != InstallUndo::Result::Undone)
        platform.beep();
    if (done.result == InstallUndo::Result::Undone || done.result == InstallUndo::Result::Failed)
        Q_EMIT installUndone(id);
    platform.runAlertPanel(reportAlert(done));
    reload();
}

void InstalledTracksController::showStopped(const InstallUndo::Outcome &stopped)
{
    m_ui->waitLabel->setText(stopped.message);
    m_ui->waitLabel->show();
}
