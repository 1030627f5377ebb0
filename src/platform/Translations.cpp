// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

const QString Translations::OwnFolder = QStringLiteral(":/i18n");

namespace {

// The first catalog `prefix`_xx.qm in `folder` that matches one of `languages`, falling back
// from "de-DE" to "de" as QTranslator does. A QLocale built from the list would do the same, but
// only for its first language: a user with LANGUAGE=fr:de gets German here.
std::unique_ptr<QTranslator> loadFirst(const QStringList &languages, const QString &prefix, const QString &folder)
{
    for (const QString &language : languages) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QLocale(language), prefix, QStringLiteral("_"), folder))
            return translator;
        // English is what the code is written in: a later language must not win over it.
        if (QLocale(language).language() == QLocale::English)
            return nullptr;
    }
    return nullptr;
}

void installFirst(QCoreApplication *app, const QStringList &languages, const QString &prefix, const QString &folder,
                  QStringList *found)
{
    std::unique_ptr<QTranslator> translator = loadFirst(languages, prefix, folder);
    if (!translator)
        return;
    *found << translator->filePath();
    translator->setParent(app);
    QCoreApplication::installTranslator(translator.release());
}

} // namespace

std::unique_ptr<QTranslator> Translations::ownCatalog()
{
    return loadFirst(QLocale::system().uiLanguages(), QStringLiteral("cratewright"), OwnFolder);
}

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
