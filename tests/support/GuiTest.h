// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtTest>
#include <QtWidgets>

// What every GUI test executable shares: a main() that runs the test offscreen with a runtime
// folder and a settings store of its own, and a way to answer real modal dialogs.
namespace GuiTest {

template<class Test> int exec(int argc, char **argv)
{
    // Before Qt reads them: no display needed, a private XDG_RUNTIME_DIR (else Qt warns), and a
    // settings store in a temporary folder, never the user's.
    const QTemporaryDir runtime, settings;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QCoreApplication::setOrganizationName(QStringLiteral("zc-cratewright-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("zc-cratewright-tests"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

// Forgets every stored setting, so each case starts as a first run would.
inline void clearSettings()
{
    QSettings settings;
    settings.clear();
    settings.sync();
}

// Answers the modal dialogs that come up while it lives, as a user would: a timer looks for
// QApplication::activeModalWidget() and clicks the button whose text is the next answer
// (EscapeKey presses Escape instead, EnterKey Enter). A dialog nobody expects is rejected and noted, so that a
// test waiting for an answer goes on and fails instead of hanging.
class AlertAnswerer : public QObject
{
public:
    static inline const QString EscapeKey = QStringLiteral("<Escape>");
    static inline const QString EnterKey = QStringLiteral("<Enter>");

    explicit AlertAnswerer(const QStringList &answers)
        : m_answers(answers)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_timer.start(20);
    }
    bool done() const { return m_answers.isEmpty(); }

    struct Seen
    {
        QString title, text;
        Qt::TextFormat format;
        Qt::WindowModality modality;
        QMessageBox::Icon icon;
        QStringList buttons;
    };
    QList<Seen> answered;
    QStringList unexpected; // "title: text" of every dialog rejected unanswered

private:
    void tick()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        Seen seen{box->windowTitle(), box->text(), box->textFormat(), box->windowModality(), box->icon(), {}};
        QAbstractButton *button = nullptr;
        for (QAbstractButton *candidate : box->buttons()) {
            seen.buttons.append(candidate->text().remove(QLatin1Char('&')));
            if (!m_answers.isEmpty() && seen.buttons.last() == m_answers.first())
                button = candidate;
        }
        const QString key = m_answers.value(0);
        if (!button && key != EscapeKey && key != EnterKey) {
            unexpected.append(seen.title + QStringLiteral(": ") + seen.text);
            box->reject();
            return;
        }
        m_answers.removeFirst();
        answered.append(seen);
        if (button)
            button->click();
        else
            QTest::keyClick(box, key == EscapeKey ? Qt::Key_Escape : Qt::Key_Return);
    }

    QStringList m_answers;
    QTimer m_timer;
};

} // namespace GuiTest

#define CRATEWRIGHT_GUI_TEST_MAIN(Test)                                                                                \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        return GuiTest::exec<Test>(argc, argv);                                                                        \
    }
