// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

const QString Translations::OwnFolder = QStringLiteral(":/i18n");

namespace {

// Loads the first catalog `prefix`_xx.qm in `folder` that matches one of `languages`, falling
// back from "de-DE" to "de" as QTranslator does. A QLocale built from the list would do the
// same, but only for its first language: a user with LANGUAGE=fr:de gets German here.
bool installFirst(QCoreApplication *app, const QStringList &languages, const QString &prefix, const QString &folder,
                  QStringList *found)
{
    for (const QString &language : languages) {
        auto *translator = new QTranslator(app);
        if (translator->load(QLocale(language), prefix, QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            *found << translator->filePath();
            return true;
        }
        delete translator;
        // English is what the code is written in: a later language must not win over it.
        if (QLocale(language).language() == QLocale::English)
            return false;
    }
    return false;
}

} // namespace

void Translations::install(QCoreApplication *app)
{
    install(app, QLocale::system().uiLanguages(), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

QStringList Translations::install(QCoreApplication *app, const QStringList &languages, const QString &qtFolder)
{
    QStringList found;
    installFirst(app, languages, QStringLiteral("qtbase"), qtFolder, &found);
    installFirst(app, languages, QStringLiteral("cratewright"), OwnFolder, &found);
    return found;
}
