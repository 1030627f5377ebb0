#include "QtPlatform.h"

#include "QtOpenPanel.h"
#include "UrlFetcher.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

namespace {

// Alert texts may quote a package's file names: always plain text, never rich text.
QMessageBox *makeMessageBox(const QString &title, const QString &message, QWidget *parent)
{
    auto *box = new QMessageBox(parent);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(message);
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

int QtPlatform::runAlertPanel(const QString &title, const QString &message,
                              const QString &defaultButton, const QString &alternateButton,
                              const QString &otherButton)
{
    std::unique_ptr<QMessageBox> box(makeMessageBox(title, message, QApplication::activeWindow()));
    box->setIcon(QMessageBox::Warning);
    QPushButton *byDefault = addButton(box.get(), defaultButton, QMessageBox::AcceptRole);
    QPushButton *alternate = addButton(box.get(), alternateButton, QMessageBox::RejectRole);
    QPushButton *other = addButton(box.get(), otherButton, QMessageBox::DestructiveRole);
    if (byDefault)
        box->setDefaultButton(byDefault);
    // Escape means "don't": the alternate button, else the other one (the "No" of a Yes/No
    // question), and only for a single-button report the default.
    box->setEscapeButton(alternate ? alternate : other ? other : byDefault);
    box->exec();
    const QAbstractButton *clicked = box->clickedButton();
    if (clicked && clicked == alternate)
        return 0;
    if (clicked && clicked == other)
        return -1;
    return 1;
}

void QtPlatform::beginInformationalAlertSheet(const QString &title, const QString &defaultButton,
                                              const QString &alternateButton,
                                              const QString &otherButton, QWidget *window,
                                              const QString &message)
{
    QMessageBox *box = makeMessageBox(title, message, window);
    box->setIcon(QMessageBox::Information);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    addButton(box, defaultButton.isEmpty() ? QStringLiteral("OK") : defaultButton, QMessageBox::AcceptRole);
    addButton(box, alternateButton, QMessageBox::RejectRole);
    addButton(box, otherButton, QMessageBox::DestructiveRole);
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
