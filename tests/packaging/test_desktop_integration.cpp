// Installs the build into a temporary prefix and checks that a desktop would find what it
// needs there: the programs, a launcher that hands over the files it is given, the package
// file type, and the icons.
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

namespace {
QTemporaryDir *prefix = nullptr;
QString installLog;

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
                    && process.exitCode() == 0;
    installLog += QString::fromLocal8Bit(process.readAll());
    return ok;
}

QString installed(const QString &relative)
{
    return prefix->filePath(relative);
}
} // namespace

class TestDesktopIntegration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installedFiles_data();
    void installedFiles();
    void launcherHandsOverFiles();
    void packageFileType_data();
    void packageFileType();
};

void TestDesktopIntegration::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::newRow("desktop program") << "bin/zc-cratewright" << true;
    QTest::newRow("command-line tool") << "bin/cratewright" << true;
    QTest::newRow("launcher") << "share/applications/zc-cratewright.desktop" << false;
    QTest::newRow("file type") << "share/mime/packages/zc-cratewright.xml" << false;
    QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/zc-cratewright.svg" << false;
    QTest::newRow("256 px icon") << "share/icons/hicolor/256x256/apps/zc-cratewright.png" << false;
    QTest::newRow("48 px icon") << "share/icons/hicolor/48x48/apps/zc-cratewright.png" << false;
}

void TestDesktopIntegration::installedFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(installed(path));
    QVERIFY2(info.isFile(), qPrintable(path + QStringLiteral(" missing\n") + installLog));
    QCOMPARE(info.isExecutable(), executable);
}

void TestDesktopIntegration::launcherHandsOverFiles()
{
    // Desktop entries are not quite INI files (";" separates list items), so read the keys
    // here rather than through QSettings.
    QFile file(installed(QStringLiteral("share/applications/zc-cratewright.desktop")));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QHash<QString, QString> keys;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            keys.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
    }
    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Exec")), QStringLiteral("zc-cratewright %F"));
    QCOMPARE(keys.value(QStringLiteral("Icon")), QStringLiteral("zc-cratewright"));
    const QStringList types = keys.value(QStringLiteral("MimeType")).split(QLatin1Char(';'));
    QVERIFY(types.contains(QStringLiteral("application/x-zoomcrest-track-package")));
    QVERIFY(types.contains(QStringLiteral("application/x-ms-dos-executable")));
}

void TestDesktopIntegration::packageFileType_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("lower case") << "loop.zcpack";
    QTest::newRow("upper case") << "LOOP.ZCPACK";
}

void TestDesktopIntegration::packageFileType()
{
    QFETCH(QString, name);
    QCOMPARE(QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).name(),
             QStringLiteral("application/x-zoomcrest-track-package"));
}

int main(int argc, char **argv)
{
    // The install and the file type database must be in place before Qt reads the database.
    QTemporaryDir dir;
    prefix = &dir;
    const bool installedOk =
        run(QStringLiteral(CMAKE_COMMAND), {QStringLiteral("--install"), QStringLiteral(BUILD_DIR),
                                            QStringLiteral("--prefix"), dir.path()})
        && run(QStringLiteral("update-mime-database"), {dir.filePath(QStringLiteral("share/mime"))});
    if (!installedOk) {
        fprintf(stderr, "install failed:\n%s\n", qPrintable(installLog));
        return 1;
    }
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.filePath(QStringLiteral("share"))));
    QCoreApplication app(argc, argv);
    TestDesktopIntegration test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_desktop_integration.moc"
