// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "QtPlatform.h"

#include "QtOpenPanel.h"
#include "UrlFetcher.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QCoreApplication>

namespace {

// Alert texts may quote a package's file names: always plain text, never rich text.
QMessageBox *makeMessageBox(const Alert &alert, QWidget *parent)
{
    auto *box = new QMessageBox(parent);
    box->setWindowTitle(alert.title);
    box->setTextFormat(Qt::PlainText);
    box->setText(alert.message);
    box->setIcon(QMessageBox::NoIcon);
    return box;
}

QPushButton *addButton(QMessageBox *box, const QString &label, QMessageBox::ButtonRole role)
{
    return label.isEmpty() ? nullptr : box->addButton(label, role);
}

} // namespace

void QtPlatform::beep()
{
    QApplication::beep();
}

AlertAnswer QtPlatform::runAlertPanel(const Alert &alert)
{
    std::unique_ptr<QMessageBox> box(makeMessageBox(alert, QApplication::activeWindow()));
    box->setIcon(alert.icon == Alert::Icon::Information ? QMessageBox::Information : QMessageBox::Warning);
    QPushButton *byDefault = addButton(box.get(), alert.defaultButton, QMessageBox::AcceptRole);
    QPushButton *alternate = addButton(box.get(), alert.alternateButton, QMessageBox::RejectRole);
    QPushButton *other = addButton(box.get(), alert.otherButton, QMessageBox::DestructiveRole);
    if (QPushButton *enter = alert.enterTakesAlternate && alternate ? alternate : byDefault)
        box->setDefaultButton(enter);
    // Escape means "don't": the alternate button, else the other one (the "No" of a Yes/No
    // question), and only for a single-button report the default.
    box->setEscapeButton(alternate ? alternate : other ? other : byDefault);
    box->exec();
    const QAbstractButton *clicked = box->clickedButton();
    if (clicked && clicked == alternate)
        return AlertAnswer::Alternate;
    if (clicked && clicked == other)
        return AlertAnswer::Other;
    return AlertAnswer::Default;
}

void QtPlatform::beginInformationalAlertSheet(const Alert &alert, QWidget *window)
{
    QMessageBox *box = makeMessageBox(alert, window);
    box->setIcon(QMessageBox::Information);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    addButton(box,
              alert.defaultButton.isEmpty() ? QCoreApplication::translate("QtPlatform", "OK") : alert.defaultButton,
              QMessageBox::AcceptRole);
    addButton(box, alert.alternateButton, QMessageBox::RejectRole);
    addButton(box, alert.otherButton, QMessageBox::DestructiveRole);
    box->open();
}

std::shared_ptr<OpenPanel> QtPlatform::openPanel()
{
    return std::make_shared<QtOpenPanel>();
}

bool QtPlatform::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

void QtPlatform::fetchUrl(const QUrl &url, QObject *context, FetchDone done)
{
    UrlFetcher::fetch(url, context, std::move(done));
}
