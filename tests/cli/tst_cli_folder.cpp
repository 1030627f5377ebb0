// `cratewright folder` and the settings it shares with the desktop program: which folders it
// stores, what it shows, and `install` without --to going to the stored folder.
#include "TestFiles.h"
#include "CliRunner.h"
#include "PackageWriter.h"

#include <QSettings>
#include <QtTest>

namespace {

using TestFiles::writeFile;

const QString FolderKey = QStringLiteral("ZC Cratewright Zoomcrest Folder Path Key");
const QString FlagKey = QStringLiteral("ZC Cratewright Known Folder Not For ZC Key");

// A folder the simulator lives in.
bool makeSimulatorFolder(const QString &path)
{
    return QDir().mkpath(path + QStringLiteral("/ZoomcrestSimulator.app/Contents/MacOS"));
}

// Stores a pair the way the desktop program would, straight into the shared file.
void storeDirectly(const CliRunner &cli, const QString &folder, bool flag)
{
    QSettings settings(cli.settingsFile(), QSettings::IniFormat);
    settings.setValue(FolderKey, folder);
    settings.setValue(FlagKey, flag);
}

QVariant stored(const CliRunner &cli, const QString &key)
{
    return QSettings(cli.settingsFile(), QSettings::IniFormat).value(key);
}

QString valueOfLine(const QString &text, const QString &label)
{
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(label))
            return line.mid(label.size()).trimmed();
    }
    return QStringLiteral("<no line %1>").arg(label);
}

} // namespace

class TestCliFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void store_data();
    void store();
    void show_data();
    void show();
    void installIntoStoredFolder_data();
    void installIntoStoredFolder();
};

void TestCliFolder::store_data()
{
    QTest::addColumn<QString>("kind"); // what lies at the folder given
    QTest::addColumn<bool>("notSimulator");
    QTest::addColumn<bool>("relative");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("simulator folder") << QStringLiteral("simulator") << false << false << true;
    QTest::newRow("simulator folder, not-simulator") << QStringLiteral("simulator") << true << false << true;
    QTest::newRow("simulator folder, relative") << QStringLiteral("simulator") << false << true << true;
    QTest::newRow("plain folder") << QStringLiteral("plain") << false << false << false;
    QTest::newRow("plain folder, not-simulator") << QStringLiteral("plain") << true << false << true;
    QTest::newRow("plain folder, relative, not-simulator") << QStringLiteral("plain") << true << true << true;
    QTest::newRow("missing folder") << QStringLiteral("missing") << false << false << false;
    QTest::newRow("missing folder, not-simulator") << QStringLiteral("missing") << true << false << false;
    QTest::newRow("regular file, not-simulator") << QStringLiteral("file") << true << false << false;
    QTest::newRow("regular file")
        << QStringLiteral("file") << false << false << false;
    // A simulator folder, but the settings can't be written, not even by root.
    QTest::newRow("settings file is a folder") << QStringLiteral("settings file is a folder") << false << false << false;
    QTest::newRow("settings folder is a file") << QStringLiteral("settings folder is a file") << false << false << false;
}

void TestCliFolder::store()
{
    QFETCH(QString, kind);
    QFETCH(bool, notSimulator);
    QFETCH(bool, relative);
    QFETCH(bool, accepted);

    CliRunner cli;
    // An earlier, valid choice: a refused folder must leave it alone.
    const QString earlier = cli.home() + QStringLiteral("/Earlier Zoomcrest");
    QVERIFY(makeSimulatorFolder(earlier));
    QCOMPARE(cli.run({QStringLiteral("folder"), earlier}).exitCode, 0);

    const QString folder = cli.home() + QStringLiteral("/Games/Zoomcrest");
    const QString settingsFolder = QFileInfo(cli.settingsFile()).path();
    const bool settingsBlocked = kind.startsWith(QLatin1String("settings"));
    if (kind == QLatin1String("simulator") || settingsBlocked)
        QVERIFY(makeSimulatorFolder(folder));
    if (kind == QLatin1String("settings file is a folder"))
        QVERIFY(QFile::remove(cli.settingsFile()) && QDir().mkpath(cli.settingsFile()));
    else if (kind == QLatin1String("settings folder is a file"))
        QVERIFY(QDir(settingsFolder).removeRecursively() && writeFile(settingsFolder, "not a folder"));
    else if (kind == QLatin1String("plain"))
        QVERIFY(QDir().mkpath(folder));
    else if (kind == QLatin1String("file"))
        QVERIFY(writeFile(folder, "not a folder"));

    QStringList arguments{QStringLiteral("folder"), relative ? QStringLiteral("Games/Zoomcrest") : folder};
    if (notSimulator)
        arguments << QStringLiteral("--not-simulator");
    const CliResult result = cli.run(arguments);
    QVERIFY(result.finished);

    if (accepted) {
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(stored(cli, FolderKey).toString(), folder); // absolute, whatever was typed
        QCOMPARE(stored(cli, FlagKey).toBool(), notSimulator);
    } else if (settingsBlocked) {
        QCOMPARE(result.exitCode, 4);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(result.errText(), QStringLiteral("Preferences Not Saved: Could not write the settings file '%1'. The "
                                                  "folder was not saved.\n").arg(cli.settingsFile()));
    } else {
        QCOMPARE(result.exitCode, 4);
        QVERIFY2(result.errText().contains(
                     QStringLiteral("The current install location is not valid. Please choose another.")),
                 qPrintable(result.errText()));
        QCOMPARE(stored(cli, FolderKey).toString(), earlier);
        QCOMPARE(stored(cli, FlagKey).toBool(), false);
    }
}

void TestCliFolder::show_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("override");
    QTest::addColumn<QString>("valid");

    QTest::newRow("nothing stored") << QStringLiteral("nothing") << QStringLiteral("no") << QStringLiteral("no");
    QTest::newRow("simulator folder") << QStringLiteral("simulator") << QStringLiteral("no") << QStringLiteral("yes");
    QTest::newRow("plain folder with the flag") << QStringLiteral("plain+flag") << QStringLiteral("yes")
                                                << QStringLiteral("yes");
    QTest::newRow("plain folder without the flag") << QStringLiteral("plain") << QStringLiteral("no")
                                                   << QStringLiteral("no");
    QTest::newRow("simulator removed since") << QStringLiteral("simulator removed") << QStringLiteral("no")
                                             << QStringLiteral("no");
}

void TestCliFolder::show()
{
    QFETCH(QString, setup);
    QFETCH(QString, override);
    QFETCH(QString, valid);

    CliRunner cli;
    QString folder = cli.home() + QStringLiteral("/Zoomcrest");
    if (setup == QLatin1String("nothing")) {
        folder = QStringLiteral("/Applications/Zoomcrest");
        if (QFileInfo::exists(folder + QStringLiteral("/ZoomcrestSimulator.app")))
            QSKIP("this machine has a simulator at the default folder");
    } else if (setup == QLatin1String("simulator")) {
        QVERIFY(makeSimulatorFolder(folder));
        QCOMPARE(cli.run({QStringLiteral("folder"), folder}).exitCode, 0);
    } else if (setup == QLatin1String("simulator removed")) {
        QVERIFY(makeSimulatorFolder(folder));
        QCOMPARE(cli.run({QStringLiteral("folder"), folder}).exitCode, 0);
        QVERIFY(QDir(folder + QStringLiteral("/ZoomcrestSimulator.app")).removeRecursively());
    } else {
        QVERIFY(QDir().mkpath(folder));
        storeDirectly(cli, folder, setup == QLatin1String("plain+flag"));
    }

    const CliResult result = cli.run({QStringLiteral("folder")});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, valid == QLatin1String("yes") ? 0 : 4);
    QCOMPARE(valueOfLine(result.outText(), QStringLiteral("Simulator folder:")), folder);
    QVERIFY2(valueOfLine(result.outText(), QStringLiteral("Override flag:")).startsWith(override),
             qPrintable(result.outText()));
    QCOMPARE(valueOfLine(result.outText(), QStringLiteral("Valid install location:")), valid);
}

void TestCliFolder::installIntoStoredFolder_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("installed");

    QTest::newRow("stored by the folder command") << QStringLiteral("folder command") << 0 << true;
    QTest::newRow("plain folder with the flag") << QStringLiteral("plain+flag") << 0 << true;
    // The stored folder is judged as the desktop program judges it at start-up.
    QTest::newRow("stored folder fails the rule") << QStringLiteral("plain") << 4 << false;
    QTest::newRow("stored folder missing (a disk not mounted)") << QStringLiteral("missing") << 4 << false;
    QTest::newRow("stored folder is a file") << QStringLiteral("file") << 4 << false;
}

void TestCliFolder::installIntoStoredFolder()
{
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    QFETCH(bool, installed);

    CliRunner cli;
    const QString package = cli.home() + QStringLiteral("/canyon.zcpack");
    QVERIFY(PackageWriter()
                .setTitle("Corkscrew Canyon")
                .addFile("Tracks\\", "Corkscrew Canyon.zctrack", "track\n")
                .writeTo(package));
    const QString folder = cli.home() + QStringLiteral("/Stored Zoomcrest");
    if (setup == QLatin1String("folder command")) {
        QVERIFY(makeSimulatorFolder(folder));
        QCOMPARE(cli.run({QStringLiteral("folder"), folder}).exitCode, 0);
    } else if (setup.startsWith(QLatin1String("plain"))) {
        QVERIFY(QDir().mkpath(folder));
        storeDirectly(cli, folder, setup == QLatin1String("plain+flag"));
    } else if (setup == QLatin1String("missing")) {
        storeDirectly(cli, folder, false);
    } else if (setup == QLatin1String("file")) {
        QVERIFY(writeFile(folder, "not a folder"));
        storeDirectly(cli, folder, false);
    }

    const CliResult result = cli.run({QStringLiteral("install"), package});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, exitCode);
    const QString track = folder + QStringLiteral("/Tracks/Corkscrew Canyon.zctrack");
    QCOMPARE(QFileInfo(track).isFile(), installed);
    if (installed)
        QVERIFY2(result.outText().contains(QStringLiteral("Track file: ") + track), qPrintable(result.outText()));
    else
        QVERIFY2(result.errText().contains(QStringLiteral("'cratewright folder DIR'")), qPrintable(result.errText()));
    QCOMPARE(QFileInfo::exists(folder), setup != QLatin1String("missing"));
}

QTEST_GUILESS_MAIN(TestCliFolder)
#include "tst_cli_folder.moc"
