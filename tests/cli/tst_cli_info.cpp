// `cratewright info`: what it prints about a package, as text and as JSON, and how it reports
// a file that can't be loaded.
#include "CliRunner.h"
#include "PackageWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class TestCliInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void text();
    void json();
    void untrustedText_data();
    void untrustedText();
    void loadFailures_data();
    void loadFailures();

private:
    struct File
    {
        QByteArray folder, name, content;
        QString path;
    };
    QList<File> m_files;
    PackageWriter m_writer;
};

void TestCliInfo::initTestCase()
{
    m_files = {
        {"Tracks\\", "Corkscrew Canyon.zctrack", "track \"Corkscrew Canyon\"\nsegment lift length=88\n",
         QStringLiteral("Tracks/Corkscrew Canyon.zctrack")},
        {"Scenery\\Canyon\\", "sandstone.pgm", QByteArray(300, 'S'), QStringLiteral("Scenery/Canyon/sandstone.pgm")},
        {"", "readme.txt", "Ride it at sunset.\n", QStringLiteral("readme.txt")},
    };
    m_writer.setTitle("Corkscrew Canyon")
        .setAuthor("Ines Halloway")
        .setComments("Two corkscrews.\nBest ridden at sunset.")
        .setVersion(1, 5, 2)
        // Data stored last entry first, so an entry's offset is not its place in the list.
        .setDataInReverseOrder(true);
    for (const File &file : std::as_const(m_files))
        m_writer.addFile(file.folder, file.name, file.content);
}

void TestCliInfo::text()
{
    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/canyon.zcpack");
    QVERIFY(m_writer.writeTo(package));

    const CliResult result = cli.run({QStringLiteral("info"), package});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 0);
    const QStringList lines = result.outText().split(QLatin1Char('\n'));
    auto lineStartingWith = [&lines](const QString &label) {
        for (const QString &line : lines) {
            if (line.startsWith(label))
                return line.mid(label.size()).trimmed();
        }
        return QStringLiteral("<no line>");
    };
    QCOMPARE(lineStartingWith(QStringLiteral("Title:")), QStringLiteral("Corkscrew Canyon"));
    QCOMPARE(lineStartingWith(QStringLiteral("Author:")), QStringLiteral("Ines Halloway"));
    QCOMPARE(lineStartingWith(QStringLiteral("Version:")), QStringLiteral("1.5.2"));
    QCOMPARE(lineStartingWith(QStringLiteral("Comments:")), QStringLiteral("Two corkscrews."));
    QVERIFY(lines.contains(QStringLiteral("          Best ridden at sunset.")));
    QCOMPARE(lineStartingWith(QStringLiteral("Files:")), QStringLiteral("3"));

    // One line per entry: offset, size and compressed size, then the path.
    qint64 offset = 0;
    QList<qint64> offsets(m_files.size());
    for (qsizetype i = m_files.size() - 1; i >= 0; --i) {
        offsets[i] = offset;
        offset += PackageWriter::compress(m_files.at(i).content).size();
    }
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        const File &file = m_files.at(i);
        const QString suffix = QStringLiteral("  ") + file.path;
        QString found;
        for (const QString &line : lines) {
            if (line.endsWith(suffix))
                found = line.chopped(suffix.size());
        }
        QVERIFY2(!found.isEmpty(), qPrintable(file.path));
        const QStringList numbers = found.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(numbers, (QStringList{QString::number(offsets.at(i)), QString::number(file.content.size()),
                                       QString::number(PackageWriter::compress(file.content).size())}));
    }
}

void TestCliInfo::json()
{
    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/canyon.zcpack");
    PackageWriter writer = m_writer;
    // A byte above 127 comes through as the Latin-1 character it stands for.
    writer.setAuthor("Ines Hallow\xe9y");
    QVERIFY(writer.writeTo(package));

    const CliResult result = cli.run({QStringLiteral("info"), package, QStringLiteral("--json")});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + result.outText()));
    const QJsonObject info = document.object();
    QCOMPARE(info.value(QStringLiteral("title")).toString(), QStringLiteral("Corkscrew Canyon"));
    QCOMPARE(info.value(QStringLiteral("author")).toString(), QStringLiteral("Ines Hallow\u00e9y"));
    QCOMPARE(info.value(QStringLiteral("comments")).toString(), QStringLiteral("Two corkscrews.\nBest ridden at sunset."));
    QCOMPARE(info.value(QStringLiteral("version")).toString(), QStringLiteral("1.5.2"));

    const QJsonArray files = info.value(QStringLiteral("files")).toArray();
    QCOMPARE(files.size(), m_files.size());
    qint64 offset = 0;
    for (qsizetype i = m_files.size() - 1; i >= 0; --i) {
        const File &file = m_files.at(i);
        const QJsonObject entry = files.at(i).toObject();
        const qint64 compressedSize = PackageWriter::compress(file.content).size();
        QCOMPARE(entry.value(QStringLiteral("folder")).toString(),
                 QString::fromLatin1(file.folder).replace(QLatin1Char('\\'), QLatin1Char('/')));
        QCOMPARE(entry.value(QStringLiteral("name")).toString(), QString::fromLatin1(file.name));
        QCOMPARE(entry.value(QStringLiteral("path")).toString(), file.path);
        QCOMPARE(entry.value(QStringLiteral("offset")).toInteger(), offset);
        QCOMPARE(entry.value(QStringLiteral("size")).toInteger(), qint64(file.content.size()));
        QCOMPARE(entry.value(QStringLiteral("compressedSize")).toInteger(), compressedSize);
        offset += compressedSize;
    }
    // The version line of the load is a log line: standard error, never in the JSON.
    QVERIFY2(result.errText().contains(QStringLiteral("Package Version: 1.5.2")), qPrintable(result.errText()));
}

void TestCliInfo::untrustedText_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("text") << false;
    QTest::newRow("json") << true;
}

void TestCliInfo::untrustedText()
{
    QFETCH(bool, json);

    // A title that would retitle the terminal window and ring its bell; a name that would add
    // a row of its own to the file listing.
    const QByteArray title = "Canyon\x1b]0;owned\x07 Run\x9b" "2J";
    const QByteArray name = "x\x1b[31m\n0 1 1  fake.txt";
    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/hostile.zcpack");
    QVERIFY(PackageWriter().setTitle(title).addFile("", name, "x").writeTo(package));

    QStringList arguments{QStringLiteral("info"), package};
    if (json)
        arguments << QStringLiteral("--json");
    const CliResult result = cli.run(arguments);
    QCOMPARE(result.exitCode, 0);
    if (json) {
        // JSON escapes what it carries, so the text arrives whole.
        const QJsonObject info = QJsonDocument::fromJson(result.out).object();
        QCOMPARE(info.value(QStringLiteral("title")).toString(), QString::fromLatin1(title));
        QCOMPARE(info.value(QStringLiteral("files")).toArray().first().toObject().value(QStringLiteral("name")).toString(),
                 QString::fromLatin1(name));
    } else {
        QVERIFY(result.outText().contains(QStringLiteral("Canyon")));
        QVERIFY2(!result.out.contains('\x1b') && !result.out.contains('\x07')
                     && !result.outText().contains(QChar(0x9b)),
                 result.out.toPercentEncoding(" /:\n").constData());
        QVERIFY2(result.outText().endsWith(QStringLiteral("  x\uFFFD[31m\\n0 1 1  fake.txt\n")), qPrintable(result.outText()));
    }
}

void TestCliInfo::loadFailures_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("contents"); // a null array: no file at all
    QTest::addColumn<QString>("message");

    PackageWriter wrongVersion;
    wrongVersion.setVersion(1, 4, 0).addFile("", "a.txt", "a");
    PackageWriter countTooHigh;
    countTooHigh.setFileCount(3).addFile("", "a.txt", "a").addFile("", "b.txt", "b");

    const QString cannotOpen = QStringLiteral("Could not open file. (Err: -3)\n\nPermission problem? Doesn't exist?");
    const QString notAPackage =
        QStringLiteral("Could not open file. (Err: -1)\n\nIt does not appear to be a track package file.");
    const QString tooOld = QStringLiteral("Could not load Track Package. (Err: -4)\n\nThe package version is too old.");
    const QString mismatch = QStringLiteral("Could not open file. (Err: -2)\n\nFile count does not match expected.");

    for (const QString &command : {QStringLiteral("info"), QStringLiteral("install")}) {
        const QByteArray prefix = command.toLatin1() + ": ";
        QTest::newRow(prefix + "missing file") << command << QByteArray() << cannotOpen;
        QTest::newRow(prefix + "empty file") << command << QByteArray("") << cannotOpen;
        QTest::newRow(prefix + "text file") << command << QByteArray("These are not the bytes you are looking for.\n")
                                            << notAPackage;
        QTest::newRow(prefix + "version 1.4") << command << wrongVersion.build() << tooOld;
        QTest::newRow(prefix + "file count too high") << command << countTooHigh.build() << mismatch;
    }
}

void TestCliInfo::loadFailures()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);

    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/broken.zcpack");
    if (!contents.isNull()) {
        QFile file(package);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    const QString target = cli.home() + QStringLiteral("/target");
    QStringList arguments{command, package};
    if (command == QLatin1String("install"))
        arguments << QStringLiteral("--to") << target;

    const CliResult result = cli.run(arguments);
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.errText().contains(message), qPrintable(result.errText()));
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(!QFileInfo::exists(target), "a package that did not load was installed");
}

QTEST_GUILESS_MAIN(TestCliInfo)
#include "tst_cli_info.moc"
