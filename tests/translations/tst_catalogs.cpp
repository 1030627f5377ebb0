// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Every catalog in translations/ against the sources: finished, with each text's placeholders
// and accelerators kept, and covering every text that lupdate finds in src/ now. And the real
// desktop program, which speaks German where the user asks for it and English otherwise, and
// still answers where no display can be found.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

struct Message
{
    QString key; // context | source | comment
    QString source;
    bool numerus = false;
    QString type;             // of the translation: "unfinished", "vanished", "obsolete" or empty
    QStringList translations; // one, or one per numerus form
};

struct Catalog
{
    QString language;
    QList<Message> messages;
};

Catalog readCatalog(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    Catalog catalog;
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == "TS"_L1) {
            catalog.language = xml.attributes().value("language"_L1).toString();
        } else if (name == "name"_L1) {
            context = xml.readElementText();
        } else if (name == "message"_L1) {
            message = Message{context, {}, xml.attributes().value("numerus"_L1) == "yes"_L1, {}, {}};
        } else if (name == "source"_L1 || name == "comment"_L1) {
            const QString text = xml.readElementText();
            message.key += u" | "_s + text;
            if (name == "source"_L1)
                message.source = text;
        } else if (name == "translation"_L1) {
            message.type = xml.attributes().value("type"_L1).toString();
            while (message.numerus && xml.readNextStartElement())
                message.translations << xml.readElementText();
            if (!message.numerus)
                message.translations << xml.readElementText();
            catalog.messages << message;
        }
    }
    if (xml.hasError())
        qFatal("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
    return catalog;
}

QStringList unfinished(const Catalog &catalog)
{
    // The forms a language's plurals take, as Qt's own numerus rules have them.
    static const QHash<QString, int> numerusForms{{u"de"_s, 2}, {u"en"_s, 2}, {u"fr"_s, 2}, {u"pl"_s, 3}, {u"ru"_s, 3}};
    QStringList problems;
    const int forms = numerusForms.value(catalog.language.section(u'_', 0, 0), 0);
    if (forms == 0)
        problems << u"no plural rule known for %1: add it to numerusForms"_s.arg(catalog.language);
    for (const Message &message : catalog.messages) {
        if (!message.type.isEmpty() || message.translations.contains(QString()))
            problems << message.key + u": "_s + (message.type.isEmpty() ? u"empty"_s : message.type);
        if (message.numerus && message.translations.size() != forms)
            problems << message.key + u": %1 plural forms"_s.arg(message.translations.size());
    }
    return problems;
}

// %1 … %9, %L1 … and %n, sorted (a translation may move them, but not lose or add one), then
// the number of single ampersands: the accelerator Qt underlines ("&&" is a literal one).
QString markers(const QString &text)
{
    static const QRegularExpression placeholder(u"%L?[1-9n]"_s);
    QStringList found;
    for (const QRegularExpressionMatch &match : placeholder.globalMatch(text))
        found << match.captured();
    found.sort();
    return found.join(u' ') + u" &×"_s + QString::number(QString(text).remove(u"&&"_s).count(u'&'));
}

QStringList markersLost(const Catalog &catalog)
{
    QStringList problems;
    for (const Message &message : catalog.messages)
        for (const QString &translation : message.translations)
            if (markers(translation) != markers(message.source))
                problems << message.key + u": has "_s + markers(translation) + u", the source "_s
                                + markers(message.source);
    return problems;
}

// The texts lupdate finds in the sources now, against the catalog's: none missing, none left
// over that no source has any more.
QStringList notCovering(const Catalog &catalog)
{
    QTemporaryDir dir;
    const QString fresh = dir.filePath(u"fresh_%1.ts"_s.arg(catalog.language));
    QProcess lupdate;
    lupdate.start(QStringLiteral(LUPDATE_PATH),
                  {u"-silent"_s, u"-locations"_s, u"none"_s, QStringLiteral(SOURCES_FOLDER), u"-ts"_s, fresh});
    if (!lupdate.waitForFinished(-1) || lupdate.exitCode() != 0)
        return {u"lupdate failed: "_s + QString::fromLocal8Bit(lupdate.readAllStandardError())};
    QSet<QString> found, kept;
    for (const Message &message : readCatalog(fresh).messages)
        found << message.key;
    for (const Message &message : catalog.messages)
        kept << message.key;
    QStringList problems;
    for (const QString &key : found - kept)
        problems << key + u": not in the catalog"_s;
    for (const QString &key : kept - found)
        problems << key + u": in no source any more"_s;
    problems.sort();
    return problems;
}

} // namespace

class TestCatalogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void catalogs_data()
    {
        QTest::addColumn<QString>("path");
        const QDir folder(QStringLiteral(CATALOGS_FOLDER));
        const QStringList files = folder.entryList({u"*.ts"_s}, QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString &file : files)
            QTest::newRow(qPrintable(file)) << folder.filePath(file);
    }

    void catalogs()
    {
        QFETCH(QString, path);
        const Catalog catalog = readCatalog(path);
        QVERIFY(!catalog.messages.isEmpty());
        const QStringList problems = unfinished(catalog) + markersLost(catalog) + notCovering(catalog);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // The real program, where no display can be found: its help still answers, with our catalog
    // for its description and Qt's for the options it adds itself, and so does its version;
    // anything else ends with one line and exit status 1, never an abort.
    void desktopProgram_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("expected"); // in its output; on failure, its errors exactly
        const QString english = u"Installs track packages for the Zoomcrest roller-coaster simulator."_s;
        const QString german = u"Installiert Streckenpakete für den Achterbahnsimulator Zoomcrest."_s;
        const QString help = u"--help"_s;
        QTest::newRow("LANGUAGE=de") << QStringList{u"LANGUAGE=de"_s} << help << 0
                                     << QStringList{german, u"Optionen:"_s};
        QTest::newRow("LANG=de_DE.UTF-8")
            << QStringList{u"LANG=de_DE.UTF-8"_s} << help << 0 << QStringList{german, u"Optionen:"_s};
        QTest::newRow("LANGUAGE=fr:de") << QStringList{u"LANGUAGE=fr:de"_s} << help << 0 << QStringList{german};
        QTest::newRow("LANG=C") << QStringList{u"LANG=C"_s} << help << 0 << QStringList{english, u"Options:"_s};
        QTest::newRow("LANGUAGE=en:de") << QStringList{u"LANGUAGE=en:de"_s} << help << 0
                                        << QStringList{english, u"Options:"_s};
        QTest::newRow("version") << QStringList() << u"--version"_s << 0 << QStringList{u"zc-cratewright "_s};
        const QStringList noDisplay{u"zc-cratewright: no display available; to install packages without one, use "
                                    "cratewright (see cratewright(1))\n"_s};
        QTest::newRow("nothing names a display") << QStringList() << QString() << 1 << noDisplay;
        QTest::newRow("a display nobody serves") << QStringList{u"DISPLAY=:4711"_s} << u"x.zcpack"_s << 1 << noDisplay;
        // Said before the application object that catalogs go into is whole.
        QTest::newRow("a display nobody serves, in German")
            << QStringList{u"DISPLAY=:4711"_s, u"LANGUAGE=de"_s} << QString() << 1
            << QStringList{u"zc-cratewright: keine Anzeige verfügbar; um Pakete ohne Anzeige zu installieren, "
                           "verwenden Sie cratewright (siehe cratewright(1))\n"_s};
        QTest::newRow("a platform plugin that isn't there")
            << QStringList{u"QT_QPA_PLATFORM=nowhere"_s} << QString() << 1 << noDisplay;
    }

    void desktopProgram()
    {
#ifndef DESKTOP_PROGRAM
        QSKIP("built without the desktop program");
#else
        QFETCH(QStringList, environment);
        QFETCH(QString, argument);
        QFETCH(int, status);
        QFETCH(QStringList, expected);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        for (const QString &setting : environment)
            env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(DESKTOP_PROGRAM), argument.isEmpty() ? QStringList() : QStringList{argument});
        QVERIFY(program.waitForFinished(60000));
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == status,
                 qPrintable(u"status %1\n%2%3"_s.arg(program.exitCode()).arg(out, err)));
        // The line alone: Qt's own messages about plugins would bury it.
        if (status != 0)
            QCOMPARE(err, expected.join(QString()));
        for (const QString &text : expected)
            QVERIFY2(status != 0 || out.contains(text), qPrintable(out));
#endif
    }
};

QTEST_GUILESS_MAIN(TestCatalogs)
#include "tst_catalogs.moc"
