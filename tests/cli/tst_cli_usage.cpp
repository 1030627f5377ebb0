// How `cratewright` answers a command line it can't run, --help and --version.
#include "CliRunner.h"
#include "PackageWriter.h"

#include <QtTest>

class TestCliUsage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void usageErrors_data();
    void usageErrors();
    void helpAndVersion_data();
    void helpAndVersion();
    void outputThatNeverArrives_data();
    void outputThatNeverArrives();
};

void TestCliUsage::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    // The package named here doesn't exist: a tool that loads it before judging the command
    // line would exit with 2 instead of 1.
    const QString package = QStringLiteral("absent.zcpack");
    QTest::newRow("no command") << QStringList() << QStringLiteral("no command given");
    QTest::newRow("unknown command") << QStringList{QStringLiteral("unpack"), package}
                                     << QStringLiteral("unknown command 'unpack'");
    QTest::newRow("info without package") << QStringList{QStringLiteral("info")}
                                          << QStringLiteral("no package given");
    QTest::newRow("info with two packages")
        << QStringList{QStringLiteral("info"), package, QStringLiteral("second.zcpack")}
        << QStringLiteral("unexpected argument 'second.zcpack'");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("info"), package, QStringLiteral("--verbose")}
                                    << QStringLiteral("verbose");
    QTest::newRow("install option given to info")
        << QStringList{QStringLiteral("info"), package, QStringLiteral("--ride")} << QStringLiteral("ride");
    QTest::newRow("install without package") << QStringList{QStringLiteral("install")}
                                             << QStringLiteral("no package given");
    QTest::newRow("overwrite mode unknown")
        << QStringList{QStringLiteral("install"), package, QStringLiteral("--overwrite=sometimes")}
        << QStringLiteral("--overwrite takes ask, always or never");
    QTest::newRow("to without folder") << QStringList{QStringLiteral("install"), package, QStringLiteral("--to")}
                                       << QStringLiteral("--to");
    QTest::newRow("to with empty folder")
        << QStringList{QStringLiteral("install"), package, QStringLiteral("--to=")}
        << QStringLiteral("--to needs a folder");
    QTest::newRow("not-simulator without folder")
        << QStringList{QStringLiteral("folder"), QStringLiteral("--not-simulator")}
        << QStringLiteral("--not-simulator needs a folder");
    QTest::newRow("two folders") << QStringList{QStringLiteral("folder"), QStringLiteral("/a"), QStringLiteral("/b")}
                                 << QStringLiteral("unexpected argument '/b'");
    QTest::newRow("version-check with argument")
        << QStringList{QStringLiteral("version-check"), QStringLiteral("now")}
        << QStringLiteral("unexpected argument 'now'");
}

void TestCliUsage::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);

    CliRunner cli;
    QVERIFY(cli.isValid());
    const CliResult result = cli.run(arguments);
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.errText().contains(error), qPrintable(result.errText()));
    QVERIFY2(result.errText().contains(QStringLiteral("Usage: cratewright ")), qPrintable(result.errText()));
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(!QFileInfo::exists(cli.settingsFile()), "a usage error stored settings");
}

void TestCliUsage::helpAndVersion_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected");

    const QStringList allCommands{
        QStringLiteral("cratewright info PACKAGE [--json]"),
        QStringLiteral("cratewright install PACKAGE [--to DIR] [--overwrite=ask|always|never] [--ride] [--json]"),
        QStringLiteral("cratewright folder [DIR [--not-simulator]]"),
        QStringLiteral("cratewright version-check"),
    };
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << allCommands;
    QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << allCommands;
    QTest::newRow("--help-all") << QStringList{QStringLiteral("--help-all")} << allCommands;
    QTest::newRow("install --help")
        << QStringList{QStringLiteral("install"), QStringLiteral("--help")}
        << QStringList{QStringLiteral("--to <DIR>"), QStringLiteral("--overwrite <ask|always|never>"),
                       QStringLiteral("--ride"), QStringLiteral("--json")};
    // Help wins over the work: the missing package is never looked at.
    QTest::newRow("help after a package")
        << QStringList{QStringLiteral("install"), QStringLiteral("absent.zcpack"), QStringLiteral("--help")}
        << QStringList{QStringLiteral("--overwrite <ask|always|never>")};
    QTest::newRow("folder --help") << QStringList{QStringLiteral("folder"), QStringLiteral("--help")}
                                   << QStringList{QStringLiteral("--not-simulator")};
    QTest::newRow("info --help") << QStringList{QStringLiteral("info"), QStringLiteral("--help")}
                                 << QStringList{QStringLiteral("--json")};
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")}
                               << QStringList{QStringLiteral("cratewright 1.1\n")};
    QTest::newRow("-v") << QStringList{QStringLiteral("-v")} << QStringList{QStringLiteral("cratewright 1.1\n")};
}

void TestCliUsage::helpAndVersion()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);

    CliResult result = CliRunner().run(arguments);
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.errText(), QString());
    for (const QString &text : expected)
        QVERIFY2(result.outText().contains(text), qPrintable(text + QStringLiteral(" missing in:\n") + result.outText()));
    if (arguments.contains(QStringLiteral("--version")) || arguments.contains(QStringLiteral("-v")))
        QCOMPARE(result.outText(), expected.first());
}

void TestCliUsage::outputThatNeverArrives_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("outputFull"); // else standard error is full
    QTest::addColumn<int>("exitCode");

    const QString package = QStringLiteral("loop.zcpack");
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << true << 5;
    QTest::newRow("info as JSON") << QStringList{QStringLiteral("info"), package, QStringLiteral("--json")} << true << 5;
    // The load's version line is the only thing written to standard error.
    QTest::newRow("log line") << QStringList{QStringLiteral("info"), package, QStringLiteral("--json")} << false << 5;
    QTest::newRow("a failure keeps its status") << QStringList{QStringLiteral("info"), QStringLiteral("absent.zcpack")}
                                                << false << 2;
}

void TestCliUsage::outputThatNeverArrives()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, outputFull);
    QFETCH(int, exitCode);

    CliRunner cli;
    QVERIFY(PackageWriter().setTitle("Loop").addFile("", "data", "hello").writeTo(cli.home() + QStringLiteral("/loop.zcpack")));
    const QString full = QStringLiteral("/dev/full");
    cli.setOutputFiles(outputFull ? full : QString(), outputFull ? QString() : full);
    const CliResult result = cli.run(arguments);
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, exitCode);
    if (outputFull)
        QVERIFY2(result.errText().contains(QStringLiteral("cratewright: could not write to standard output: ")),
                 qPrintable(result.errText()));
}

QTEST_GUILESS_MAIN(TestCliUsage)
#include "tst_cli_usage.moc"
