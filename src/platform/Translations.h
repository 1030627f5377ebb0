// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringList>

#include <memory>

class QCoreApplication;
class QTranslator;

// The program's texts in the user's language: Qt's own catalogs and ours, for the languages
// QLocale::system() names (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, as Qt reads them). Qt Core
// only, so that the command-line tool loads them too.
class Translations
{
public:
    // Installs the catalogs into `app`, which owns them from then on. Where no catalog
    // matches, the texts stay as written in the code: English.
    static void install(QCoreApplication *app);
    // Installs ours for `languages` ("de-DE", "de" …; the first that has one wins) and Qt's
    // from `qtFolder`; what either found, for the log and the tests.
    static QStringList install(QCoreApplication *app, const QStringList &languages, const QString &qtFolder);

    // Our catalog for the user's languages, or none, for a text shown before the application
    // object exists to install it into.
    static std::unique_ptr<QTranslator> ownCatalog();

    // Where ours are kept: in the program's resources.
    static const QString OwnFolder;
};
