// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DisplayGuard.h"

#include "platform/Translations.h"

#include <QCoreApplication>
#include <QList>
#include <QTranslator>

#include <unistd.h>

namespace {

QtMessageHandler previous = nullptr;

// A message held back, with copies of what its context points to.
struct Held
{
    QtMsgType type;
    QByteArray file, function, category;
    int line;
    QString message;
};
QList<Held> held;

bool isSet(const char *name)
{
    return !qEnvironmentVariableIsEmpty(name);
}

} // namespace

DisplayGuard::DisplayGuard()
{
    previous = qInstallMessageHandler(handle);
}

DisplayGuard::~DisplayGuard()
{
    qInstallMessageHandler(previous);
    for (const Held &message : std::as_const(held)) {
        const QMessageLogContext context(message.file.constData(), message.line, message.function.constData(),
                                         message.category.constData());
        qt_message_output(message.type, context, message.message);
    }
    held.clear();
}

void DisplayGuard::requireDisplay()
{
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM"))
        noDisplay();
}

void DisplayGuard::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Qt's words for it ("qt.qpa.xcb: could not connect to display :99", then a fatal "This
    // application failed to start because no Qt platform plugin could be initialized...").
    if (type == QtFatalMsg
        && (message.contains(QLatin1String("no Qt platform plugin could be initialized"))
            || message.contains(QLatin1String("could not connect to display"))))
        noDisplay();
    if (QByteArray(context.category).startsWith("qt.qpa") && type != QtFatalMsg) {
        held.append({type, context.file, context.function, context.category, context.line, message});
        return;
    }
    if (previous)
        previous(type, context, message);
    else
        qt_message_output(type, context, message);
}

void DisplayGuard::noDisplay()
{
    // Loaded here: the application object that the catalogs go into may not exist yet, or be
    // half made.
    static const char *const Text = QT_TRANSLATE_NOOP("DisplayGuard",
                                                      "zc-cratewright: no display available; to install packages "
                                                      "without one, use cratewright (see cratewright(1))");
    const std::unique_ptr<QTranslator> catalog = Translations::ownCatalog();
    const QString translated = catalog ? catalog->translate("DisplayGuard", Text) : QString();
    const QByteArray line = (translated.isEmpty() ? QString::fromUtf8(Text) : translated).toLocal8Bit() + '\n';
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.constData(), size_t(line.size()));
    // At once: nothing that Qt set up so far is worth tearing down, and its abort is what this
    // replaces.
    ::_exit(1);
}
