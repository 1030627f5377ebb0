// `cratewright install`: the files it writes, what it reports as text and as JSON, the
// overwrite question answered on standard input, and starting the simulator with --ride.
#include "TestFiles.h"
#include "CliRunner.h"
#include "PackageWriter.h"

#include <QJsonDocument>
#include <QProcess>
#include <QJsonObject>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using TestFiles::writeFile;

struct File
{
    QByteArray folder, name, content;
    QString path; // where it lands under the install base
};

const QString TrackPath = QStringLiteral("Tracks/Corkscrew Canyon.zctrack");

QList<File> canyonFiles(bool withTrack)
{
    QList<File> files;
    if (withTrack)
        files.append({"Tracks\\", "Corkscrew Canyon.zctrack", "track \"Corkscrew Canyon\"\nsegment drop angle=72\n", TrackPath});
    files.append({"Scenery\\Canyon\\", "sandstone.pgm", QByteArray("P5\n2 2\n255\n\x96\xaf\xc8\x96", 15),
                  QStringLiteral("Scenery/Canyon/sandstone.pgm")});
    files.append({"", "readme.txt", "Ride it at sunset.\n", QStringLiteral("readme.txt")});
    return files;
}

bool writePackage(const QString &path, const QList<File> &files)
{
    PackageWriter writer;
    writer.setTitle("Corkscrew Canyon").setAuthor("Ines Halloway");
    for (const File &file : files)
        writer.addFile(file.folder, file.name, file.content);
    return writer.writeTo(path);
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QJsonObject jsonObject(const CliResult &result)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        qWarning() << "not one JSON object:" << result.out;
    return document.object();
}

} // namespace

class TestCliInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installs_data();
    void installs();
    void failures_data();
    void failures();
    void json_data();
    void json();
    void overwrite_data();
    void overwrite();
    void ride_data();
    void ride();
    void waitsForOtherInstallThenStopsOnSignal();
};

void TestCliInstall::installs_data()
{
    QTest::addColumn<QString>("targetKind");
    QTest::addColumn<bool>("withTrack");

    QTest::newRow("absolute folder") << QStringLiteral("absolute") << true;
    QTest::newRow("relative folder") << QStringLiteral("relative") << true;
    QTest::newRow("link to a folder") << QStringLiteral("link") << true;
    QTest::newRow("no track file") << QStringLiteral("absolute") << false;
}

void TestCliInstall::installs()
{
    QFETCH(QString, targetKind);
    QFETCH(bool, withTrack);

    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/canyon.zcpack");
    const QList<File> files = canyonFiles(withTrack);
    QVERIFY(writePackage(package, files));

    // The folder doesn't exist yet: installing makes it.
    QString base = cli.home() + QStringLiteral("/Zoomcrest");
    QString to = base;
    if (targetKind == QLatin1String("relative")) {
        to = QStringLiteral("Zoomcrest");
    } else if (targetKind == QLatin1String("link")) {
        base = cli.home() + QStringLiteral("/real/Zoomcrest");
        QVERIFY(QDir().mkpath(base));
        to = cli.home() + QStringLiteral("/Zoomcrest link");
        QVERIFY(QFile::link(base, to));
    }

    const CliResult result = cli.run({QStringLiteral("install"), package, QStringLiteral("--to"), to});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 0);
    QString expected = QStringLiteral("Package Installed Successfully.\n");
    if (withTrack)
        expected += QStringLiteral("Track file: ") + base + QLatin1Char('/') + TrackPath + QLatin1Char('\n');
    QCOMPARE(result.outText(), expected);
    for (const File &file : files)
        QCOMPARE(contentsOf(base + QLatin1Char('/') + file.path), file.content);
    QVERIFY2(!result.errText().contains(QStringLiteral("[y]es")), "asked about a file that did not exist");
}

void TestCliInstall::failures_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<QString>("status");

    QTest::newRow("base is a file") << QStringLiteral("base is a file")
                                    << QStringLiteral("Error Installing Package (BDIR/-3).");
    QTest::newRow("folder where the track goes")
        << QStringLiteral("folder at output") << QStringLiteral("Error Installing Package (FLDROW/-5).");
    QTest::newRow("file where a folder goes")
        << QStringLiteral("file at folder") << QStringLiteral("Error Installing Package (FDIR/-4).");
    QTest::newRow("entry climbs out") << QStringLiteral("climbs out")
                                      << QStringLiteral("Error Installing Package (FDIR/-4).");
    QTest::newRow("data that won't inflate") << QStringLiteral("bad data")
                                             << QStringLiteral("Error Installing Package (UCOMP/-1).");
}

void TestCliInstall::failures()
{
    QFETCH(QString, obstacle);
    QFETCH(QString, status);

    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/canyon.zcpack");
    QList<File> files = canyonFiles(true);
    const QString base = cli.home() + QStringLiteral("/Zoomcrest");
    if (obstacle == QLatin1String("base is a file")) {
        QVERIFY(writeFile(base, "not a folder"));
    } else if (obstacle == QLatin1String("folder at output")) {
        QVERIFY(QDir().mkpath(base + QLatin1Char('/') + TrackPath));
    } else if (obstacle == QLatin1String("file at folder")) {
        QVERIFY(writeFile(base + QStringLiteral("/Tracks"), "in the way"));
    } else if (obstacle == QLatin1String("climbs out")) {
        files.append({"..\\", "escaped.txt", "out", QString()});
    }
    if (obstacle == QLatin1String("bad data")) {
        PackageWriter::Entry entry;
        entry.folder = "Tracks\\";
        entry.name = "broken.zctrack";
        entry.content = "the real bytes";
        entry.compressed = QByteArray("this is not a zlib stream");
        QVERIFY(PackageWriter().addEntry(entry).writeTo(package));
    } else {
        QVERIFY(writePackage(package, files));
    }

    const CliResult result = cli.run({QStringLiteral("install"), package, QStringLiteral("--to"), base});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 3);
    QVERIFY2(result.errText().contains(status + QLatin1Char('\n')), qPrintable(result.errText()));
    QVERIFY2(!result.outText().contains(QStringLiteral("Successfully")), qPrintable(result.outText()));
    QVERIFY(!QFileInfo::exists(cli.home() + QStringLiteral("/escaped.txt")));
}

void TestCliInstall::json_data()
{
    QTest::addColumn<bool>("withTrack");
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<bool>("baseIsFile");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("status");

    const QString success = QStringLiteral("Package Installed Successfully.");
    QTest::newRow("with track file") << true << false << false << 0 << 0 << success;
    QTest::newRow("without track file") << false << false << false << 0 << 0 << success;
    QTest::newRow("through a link") << true << true << false << 0 << 0 << success;
    QTest::newRow("base is a file") << true << false << true << 3 << -3
                                    << QStringLiteral("Error Installing Package (BDIR/-3).");
}

void TestCliInstall::json()
{
    QFETCH(bool, withTrack);
    QFETCH(bool, throughLink);
    QFETCH(bool, baseIsFile);
    QFETCH(int, exitCode);
    QFETCH(int, code);
    QFETCH(QString, status);

    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/canyon.zcpack");
    QVERIFY(writePackage(package, canyonFiles(withTrack)));
    const QString base = cli.home() + QStringLiteral("/Zoomcrest");
    QString to = base;
    if (throughLink) {
        QVERIFY(QDir().mkpath(base));
        to = cli.home() + QStringLiteral("/link");
        QVERIFY(QFile::link(base, to));
    }
    if (baseIsFile)
        QVERIFY(writeFile(base, "not a folder"));

    const CliResult result = cli.run({QStringLiteral("install"), package, QStringLiteral("--to"), to,
                                      QStringLiteral("--json")});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, exitCode);
    const QJsonObject object = jsonObject(result);
    QCOMPARE(object.value(QStringLiteral("result")).toInt(99), code);
    QCOMPARE(object.value(QStringLiteral("status")).toString(), status);
    // The install base is where the files went: a link given on the command line is resolved.
    QCOMPARE(object.value(QStringLiteral("installBase")).toString(), base);
    if (withTrack && code == 0)
        QCOMPARE(object.value(QStringLiteral("trackFile")).toString(), base + QLatin1Char('/') + TrackPath);
    else
        QVERIFY2(object.value(QStringLiteral("trackFile")).isNull(), qPrintable(result.outText()));
}

void TestCliInstall::overwrite_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QList<bool>>("replaced"); // per file, in package order
    QTest::addColumn<int>("prompts");          // -1: not counted

    const QList<bool> all{true, true, true};
    const QList<bool> none{false, false, false};
    QTest::newRow("yes to each") << QStringList() << QByteArray("y\ny\ny\n") << all << 3;
    QTest::newRow("no to each") << QStringList() << QByteArray("n\nn\nn\n") << none << 3;
    QTest::newRow("mixed") << QStringList() << QByteArray("n\ny\nn\n") << QList<bool>{false, true, false} << 3;
    QTest::newRow("yes to all at the first") << QStringList() << QByteArray("a\n") << all << 1;
    QTest::newRow("no, then yes to all") << QStringList() << QByteArray("n\na\n") << QList<bool>{false, true, true} << 2;
    QTest::newRow("unclear answer asks again")
        << QStringList() << QByteArray("maybe\ny\n\nn\ny\n") << QList<bool>{true, false, true} << 5;
    QTest::newRow("no input at all") << QStringList() << QByteArray() << none << -1;
    QTest::newRow("input ends after one yes") << QStringList() << QByteArray("y\n") << QList<bool>{true, false, false} << -1;
    QTest::newRow("last answer without line feed") << QStringList() << QByteArray("n\nn\ny") << QList<bool>{false, false, true} << 3;
    QTest::newRow("ask given explicitly") << QStringList{QStringLiteral("--overwrite=ask")} << QByteArray("y\nn\ny\n")
                                          << QList<bool>{true, false, true} << 3;
    QTest::newRow("never") << QStringList{QStringLiteral("--overwrite=never")} << QByteArray("y\ny\ny\n") << none << 0;
    QTest::newRow("always") << QStringList{QStringLiteral("--overwrite=always")} << QByteArray("n\nn\nn\n") << all << 0;
    QTest::newRow("always, as a separate value")
        << QStringList{QStringLiteral("--overwrite"), QStringLiteral("always")} << QByteArray("n\n") << all << 0;
    // The questions go to standard error, so standard output stays one JSON object.
    QTest::newRow("json while asking") << QStringList{QStringLiteral("--json")} << QByteArray("n\ny\nn\n")
                                       << QList<bool>{false, true, false} << 3;
}

void TestCliInstall::overwrite()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, input);
    QFETCH(QList<bool>, replaced);
    QFETCH(int, prompts);

    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/canyon.zcpack");
    const QList<File> files = canyonFiles(true);
    QVERIFY(writePackage(package, files));
    const QString base = cli.home() + QStringLiteral("/Zoomcrest");
    for (const File &file : files)
        QVERIFY(writeFile(base + QLatin1Char('/') + file.path, "old " + file.name));

    const CliResult result =
        cli.run(QStringList{QStringLiteral("install"), package, QStringLiteral("--to"), base} + options, input);
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 0);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const File &file = files.at(i);
        QCOMPARE(contentsOf(base + QLatin1Char('/') + file.path), replaced.at(i) ? file.content : "old " + file.name);
    }

    const QString choices = QStringLiteral("[y]es, [n]o, yes to [a]ll:");
    if (prompts >= 0)
        QCOMPARE(result.errText().count(choices), prompts);
    if (prompts != 0) {
        // The question names the file by its path inside the package.
        QVERIFY2(result.errText().contains(QStringLiteral("The File 'Tracks/Corkscrew Canyon.zctrack' already "
                                                          "exists. Would you like to replace it? ")
                                           + choices),
                 qPrintable(result.errText()));
    }

    // A kept track file is still the package's track file.
    const QString trackFile = base + QLatin1Char('/') + TrackPath;
    if (options.contains(QStringLiteral("--json"))) {
        QCOMPARE(jsonObject(result).value(QStringLiteral("trackFile")).toString(), trackFile);
    } else {
        QCOMPARE(result.outText(), QStringLiteral("Package Installed Successfully.\nTrack file: ") + trackFile
                                       + QLatin1Char('\n'));
    }
}

void TestCliInstall::ride_data()
{
    QTest::addColumn<bool>("withTrack");
    QTest::addColumn<QString>("simulator"); // "script", "not executable" or "none"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("simulator starts") << true << QStringLiteral("script") << 0 << QStringList();
    QTest::newRow("no simulator")
        << true << QStringLiteral("none") << 4
        << QStringList{QStringLiteral("You either did not install the track to your Zoomcrest directory, or the "
                                      "Zoomcrest simulator could not be found (make sure it is named "
                                      "'ZoomcrestSimulator')."),
                       QStringLiteral("Could not launch track file - sim not found.")};
    QTest::newRow("simulator not executable")
        << true << QStringLiteral("not executable") << 4
        << QStringList{QStringLiteral("the Zoomcrest simulator could not be found"),
                       QStringLiteral("Could not launch track file - sim not found.")};
    QTest::newRow("package without track file")
        << false << QStringLiteral("script") << 4
        << QStringList{QStringLiteral("'pre-install launch'"),
                       QStringLiteral("Could not launch track file - package not installed.")};
}

void TestCliInstall::ride()
{
    QFETCH(bool, withTrack);
    QFETCH(QString, simulator);
    QFETCH(int, exitCode);
    QFETCH(QStringList, errors);

    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/canyon.zcpack");
    QVERIFY(writePackage(package, canyonFiles(withTrack)));
    // Spaces in the install base: the track path must reach the simulator as one argument.
    const QString base = cli.home() + QStringLiteral("/Zoomcrest Simulator 2");
    const QString executable = base + QStringLiteral("/ZoomcrestSimulator.app/Contents/MacOS/ZoomcrestSimulator");
    const QString argumentsFile = cli.home() + QStringLiteral("/simulator arguments.txt");
    if (simulator != QLatin1String("none")) {
        // Writes its arguments one a line and its pid, then stays up, holding whatever streams
        // it was given, for longer than the runner waits for the tool's output to end.
        QVERIFY(writeFile(executable, "#!/bin/sh\n"
                                      "for argument in \"$@\"; do printf '%s\\n' \"$argument\"; done > \"$RIDE_ARGUMENTS.part\"\n"
                                      "echo $$ > \"$RIDE_ARGUMENTS.pid\"\n"
                                      "mv \"$RIDE_ARGUMENTS.part\" \"$RIDE_ARGUMENTS\"\n"
                                      "exec sleep 120\n"));
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (simulator == QLatin1String("script"))
            permissions |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(executable, permissions));
    }
    cli.setEnvironment(QStringLiteral("RIDE_ARGUMENTS"), argumentsFile);

    const CliResult result = cli.run({QStringLiteral("install"), package, QStringLiteral("--to"), base,
                                      QStringLiteral("--overwrite=never"), QStringLiteral("--ride")});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, exitCode);
    // The install itself went through either way.
    QVERIFY2(result.outText().startsWith(QStringLiteral("Package Installed Successfully.\n")),
             qPrintable(result.outText()));
    for (const QString &error : errors)
        QVERIFY2(result.errText().contains(error), qPrintable(result.errText()));

    if (exitCode == 0) {
        QVERIFY2(result.outText().contains(QStringLiteral("Simulator started.")), qPrintable(result.outText()));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(argumentsFile), 20000);
        QCOMPARE(QString::fromUtf8(contentsOf(argumentsFile)),
                 QStringLiteral("-s\n") + base + QLatin1Char('/') + TrackPath + QLatin1Char('\n'));
        // The output ended while the simulator runs on: the tool's end didn't stop it either.
        const QByteArray pid = contentsOf(argumentsFile + QStringLiteral(".pid")).trimmed();
        const QByteArray stat = contentsOf(QStringLiteral("/proc/") + QString::fromLatin1(pid) + QStringLiteral("/stat"));
        QVERIFY2(stat.contains(") S "), stat.constData()); // asleep: neither ended nor a zombie
        QCOMPARE(::kill(pid_t(pid.toLongLong()), SIGTERM), 0);
    }
}

void TestCliInstall::waitsForOtherInstallThenStopsOnSignal()
{
    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/canyon.zcpack");
    QVERIFY(writePackage(package, canyonFiles(true)));
    const QString base = cli.home() + QStringLiteral("/Zoomcrest");
    QVERIFY(writeFile(base + QLatin1Char('/') + TrackPath, "mine"));
    const int other = ::open(QFile::encodeName(base).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(other >= 0 && ::flock(other, LOCK_EX) == 0);

    // Standard input stays open: the tool waits at the question for its first file.
    QProcess tool;
    QByteArray err;
    const auto said = [&tool, &err](const char *text) {
        err += tool.readAllStandardError();
        return err.contains(text);
    };
    tool.start(QStringLiteral(CRATEWRIGHT_BINARY), {QStringLiteral("install"), package, QStringLiteral("--to"), base});
    QVERIFY(tool.waitForStarted());
    QTRY_VERIFY(said("Waiting for another install into this folder to finish"));
    QVERIFY(!tool.waitForFinished(200));
    ::close(other);
    QTRY_VERIFY(said("[y]es, [n]o, yes to [a]ll:"));
    ::kill(pid_t(tool.processId()), SIGINT);
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitCode(), 130);
    QVERIFY2(said("[y]es, [n]o, yes to [a]ll: \nInstall stopped after 1 of 3 files.\n"), err.constData());
    QCOMPARE(contentsOf(base + QLatin1Char('/') + TrackPath), QByteArray("mine"));
    QVERIFY(!QFileInfo::exists(base + QStringLiteral("/Scenery")));
}

QTEST_GUILESS_MAIN(TestCliInstall)
#include "tst_cli_install.moc"
