// The path helpers and the install location rule, against a real folder tree with links, and
// the stored simulator folder with its registered defaults.
#include "TestFiles.h"
#include "install/InstallLocation.h"
#include "package/TrackPackage.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

using TestFiles::everythingUnder;

// "folder", "file:name" or "link:name>target" made under `root`.
bool make(const QString &root, const QString &what)
{
    if (what.startsWith("file:"_L1)) {
        QFile file(root + u'/' + what.mid(5));
        return file.open(QIODevice::WriteOnly);
    }
    if (what.startsWith("link:"_L1)) {
        const QStringList parts = what.mid(5).split(u'>');
        return QFile::link(parts.at(1), root + u'/' + parts.at(0));
    }
    return QDir(root).mkpath(what);
}

int modeOf(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

class PathsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void resolvedPath_data();
    void resolvedPath();
    void createFoldersRecursivelyInPath_data();
    void createFoldersRecursivelyInPath();
    void createdFoldersAreOpenToAll();
    void pathIsFolder_data();
    void pathIsFolder();
    void pathIsZCInstallFolder_data();
    void pathIsZCInstallFolder();
    void installLocationRule_data();
    void installLocationRule();
    void storedLocationFallsBackToDefaults();

private:
    QString at(const QString &path) const { return QString(path).replace(u'@', m_tree.path()); }

    QTemporaryDir m_tree;
    QTemporaryDir m_settings;
};

void PathsTest::initTestCase()
{
    QVERIFY(m_tree.isValid() && m_settings.isValid());
    const QStringList tree{
        u"plain"_s, u"sim/ZoomcrestSimulator.app/Contents"_s,
        u"simfile"_s, u"file:simfile/ZoomcrestSimulator.app"_s,
        u"other/ZoomcrestSimulator2.app"_s, u"other/zoomcrestsimulator.app"_s,
        u"file:file"_s, u"link:link-plain>"_s + m_tree.filePath(u"plain"_s),
        u"link:link-chain>link-plain"_s, u"link:rel-link>plain"_s,
        u"link:link-file>file"_s, u"link:link-sim>sim"_s,
        u"link:dangling>gone"_s, u"link:loop-a>loop-b"_s,
        u"link:loop-b>loop-a"_s};
    for (const QString &what : tree)
        QVERIFY2(make(m_tree.path(), what), qPrintable(what));

    QCoreApplication::setOrganizationName(u"Zoomcrest"_s);
    QCoreApplication::setApplicationName(u"ZC Cratewright"_s);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void PathsTest::resolvedPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    const QStringList unchanged{u"@/nothing/here"_s, u"@/plain"_s,
                                u"@/plain/"_s, u"@/plain/./../plain"_s,
                                u"~/Zoomcrest"_s, u"Zoomcrest/../x"_s,
                                QString(), u"@/dangling"_s, u"@/loop-a"_s,
                                u"@/link-sim/ZoomcrestSimulator.app"_s};
    for (const QString &path : unchanged)
        QTest::newRow(qPrintable(u"unchanged "_s + path)) << path << path;
    QTest::newRow("link") << "@/link-plain" << "@/plain";
    QTest::newRow("chain of links") << "@/link-chain" << "@/plain";
    QTest::newRow("relative link") << "@/rel-link" << "@/plain";
    QTest::newRow("link to a file") << "@/link-file" << "@/file";
}

void PathsTest::resolvedPath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(TrackPackage::resolvedPath(at(path)), at(expected));
}

void PathsTest::createFoldersRecursivelyInPath_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("path"); // relative to the current folder when it has no "@"
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("after");

    const QString A = u"A"_s, AB = u"A/B"_s, ABC = u"A/B/C"_s;
    QTest::newRow("existing folder") << QStringList{A} << "@/A" << true << QStringList{A};
    QTest::newRow("two missing, final separator") << QStringList{A} << "@/A/B/C/" << true << QStringList{A, AB, ABC};
    QTest::newRow("all missing") << QStringList() << "@/A/B" << true << QStringList{A, AB};
    QTest::newRow("doubled separators") << QStringList() << "@//A///B//" << true << QStringList{A, AB};
    QTest::newRow("relative") << QStringList() << "A/B" << true << QStringList{A, AB};
    QTest::newRow("file in the way") << QStringList{A, u"file:A/B"_s} << "@/A/B/C" << false
                                     << QStringList{A, AB};
    QTest::newRow("file at the end") << QStringList{u"file:A"_s} << "@/A" << false << QStringList{A};
    QTest::newRow("link to a folder on the way") << QStringList{A, u"link:L>A"_s} << "@/L/B"
                                                 << true << QStringList{A, AB, u"L"_s};
    QTest::newRow("dangling link on the way") << QStringList{u"link:L>gone"_s} << "@/L/B" << false
                                              << QStringList{u"L"_s};
}

void PathsTest::createFoldersRecursivelyInPath()
{
    QFETCH(QStringList, before);
    QFETCH(QString, path);
    QFETCH(bool, result);
    QFETCH(QStringList, after);

    QTemporaryDir dir;
    for (const QString &what : before)
        QVERIFY(make(dir.path(), what));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const bool made = TrackPackage::createFoldersRecursivelyInPath(QString(path).replace(u'@', dir.path()));
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(made, result);
    QCOMPARE(everythingUnder(dir.path()), after);
}

void PathsTest::createdFoldersAreOpenToAll()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"A"_s));
    QVERIFY(QFile::setPermissions(dir.filePath(u"A"_s),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const mode_t previous = umask(0);
    const bool made = TrackPackage::createFoldersRecursivelyInPath(dir.filePath(u"A/B/C/"_s));
    umask(previous);
    QVERIFY(made);
    QCOMPARE(modeOf(dir.filePath(u"A"_s)), 0700);
    QCOMPARE(modeOf(dir.filePath(u"A/B"_s)), 0777);
    QCOMPARE(modeOf(dir.filePath(u"A/B/C"_s)), 0777);
}

void PathsTest::pathIsFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("folder");
    QTest::newRow("folder") << "@/plain" << true;
    QTest::newRow("folder with final separator") << "@/plain/" << true;
    QTest::newRow("root") << "/" << true;
    QTest::newRow("link to a folder") << "@/link-plain" << true;
    QTest::newRow("regular file") << "@/file" << false;
    QTest::newRow("file with final separator") << "@/file/" << false;
    QTest::newRow("missing") << "@/nothing" << false;
    QTest::newRow("missing parent") << "@/nothing/deeper" << false;
    QTest::newRow("dangling link") << "@/dangling" << false;
    QTest::newRow("empty") << "" << false;
}

void PathsTest::pathIsFolder()
{
    QFETCH(QString, path);
    QFETCH(bool, folder);
    QCOMPARE(TrackPackage::pathIsFolder(at(path)), folder);
}

void PathsTest::pathIsZCInstallFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("simulator");
    QTest::newRow("simulator folder") << "@/sim" << true;
    QTest::newRow("with final separator") << "@/sim/" << true;
    QTest::newRow("application is a plain file") << "@/simfile" << true;
    QTest::newRow("link to simulator folder") << "@/link-sim" << true;
    QTest::newRow("other names only") << "@/other" << false;
    QTest::newRow("plain folder") << "@/plain" << false;
    QTest::newRow("missing") << "@/nothing" << false;
    QTest::newRow("regular file") << "@/file" << false;
}

void PathsTest::pathIsZCInstallFolder()
{
    QFETCH(QString, path);
    QFETCH(bool, simulator);
    QCOMPARE(TrackPackage::pathIsZCInstallFolder(at(path)), simulator);
}

void PathsTest::installLocationRule_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("knownFolderNotForZC");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain folder, flag") << "@/plain" << true << true;
    QTest::newRow("plain folder, no flag") << "@/plain" << false << false;
    QTest::newRow("simulator folder, no flag") << "@/sim" << false << true;
    QTest::newRow("simulator folder, flag") << "@/sim" << true << true;
    QTest::newRow("simulator as a file, no flag") << "@/simfile" << false << true;
    QTest::newRow("link to plain folder, flag") << "@/link-plain" << true << true;
    QTest::newRow("missing, flag") << "@/nothing" << true << false;
    QTest::newRow("regular file, flag") << "@/file" << true << false;
    QTest::newRow("dangling link, flag") << "@/dangling" << true << false;
    QTest::newRow("other names, no flag") << "@/other" << false << false;
}

void PathsTest::installLocationRule()
{
    QFETCH(QString, path);
    QFETCH(bool, knownFolderNotForZC);
    QFETCH(bool, valid);
    QCOMPARE(InstallLocation::isValid(at(path), knownFolderNotForZC), valid);
}

void PathsTest::storedLocationFallsBackToDefaults()
{
    InstallLocation::registerDefaults();
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    QCOMPARE(InstallLocation::storedFolderPath(), u"/Applications/Zoomcrest"_s);
    QCOMPARE(InstallLocation::storedKnownFolderNotForZC(), false);
    QCOMPARE(InstallLocation::storedLocationIsValid(), TrackPackage::pathIsZCInstallFolder(u"/Applications/Zoomcrest"_s));
    QVERIFY(!defaults.hasStoredValueForKey(ZCCratewrightZCFolderPathKey));
    QVERIFY(!defaults.hasStoredValueForKey(ZCCratewrightKnownFolderNotForZCKey));
    QVERIFY(QSettings().allKeys().isEmpty());
    QVERIFY(everythingUnder(m_settings.path()).isEmpty()); // reading wrote nothing

    defaults.setObjectForKey(at(u"@/plain"_s), ZCCratewrightZCFolderPathKey);
    QVERIFY(!InstallLocation::storedLocationIsValid());
    defaults.setObjectForKey(true, ZCCratewrightKnownFolderNotForZCKey);
    QVERIFY(InstallLocation::storedLocationIsValid());
    QCOMPARE(InstallLocation::storedFolderPath(), at(u"@/plain"_s));

    // A store of its own sees what was written, under the keys as they stand.
    QSettings settings;
    QCOMPARE(settings.value(ZCCratewrightZCFolderPathKey).toString(), at(u"@/plain"_s));
    QCOMPARE(settings.value(ZCCratewrightKnownFolderNotForZCKey).toBool(), true);
    settings.sync();
    QVERIFY(QFile::exists(settings.fileName()));
    QVERIFY(settings.fileName().startsWith(m_settings.path()));

    defaults.setObjectForKey(false, ZCCratewrightKnownFolderNotForZCKey);
    QVERIFY(!InstallLocation::storedLocationIsValid());
    QVERIFY(defaults.hasStoredValueForKey(ZCCratewrightKnownFolderNotForZCKey));
}

QTEST_GUILESS_MAIN(PathsTest)
#include "tst_paths.moc"
