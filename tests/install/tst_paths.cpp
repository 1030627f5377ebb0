// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The path helpers and the install location rule, on real folder trees with links, and the
// stored simulator folder read through its registered defaults.
#include "TestFiles.h"
#include "install/InstallLocation.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QScopeGuard>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// Paths: "@" is the tree's root, which is also the current folder. `before`, tree lines;
// `resolved`, null when the path resolves to itself; `made`, what createFoldersRecursivelyInPath
// returns, and `added`, the folders it makes.
struct PathRow
{
    QStringList before;
    QString path, resolved;
    bool folder, simulator, made;
    QStringList added;
};
Q_DECLARE_METATYPE(PathRow)

class TestPaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void helpers_data();
    void helpers();
    void storedLocation();

private:
    QTemporaryDir m_settings;
};

void TestPaths::initTestCase()
{
    ::umask(0); // the modes that tree lines take for granted
    // The programs' own names, as their main() sets them: the settings file below is theirs.
    QCoreApplication::setOrganizationName(u"zc-cratewright"_s);
    QCoreApplication::setApplicationName(u"zc-cratewright"_s);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestPaths::helpers_data()
{
    QTest::addColumn<PathRow>("row");
    const auto row = [](const char *name, const QString &before, const QString &path, const QString &resolved,
                        bool folder, bool simulator, bool made, const QString &added = {}) {
        QTest::newRow(name) << PathRow{before.split(u',', Qt::SkipEmptyParts), path, resolved, folder, simulator, made,
                                       added.split(u',', Qt::SkipEmptyParts)};
    };
    const QString same; // resolves to the path as given
    row("final separator kept", u"plain/"_s, u"@/plain/"_s, same, true, false, true);
    row("no . or .. removed", u"plain/"_s, u"@/plain/./../plain"_s, same, true, false, true);
    row("root", {}, u"/"_s, same, true, false, true);
    row("simulator folder", u"sim/ZoomcrestSimulator.app/"_s, u"@/sim"_s, same, true, true, true);
    row("simulator as a file, final separator", u"sim/ZoomcrestSimulator.app=x"_s, u"@/sim/"_s, same, true, true, true);
    row("other names only", u"o/ZoomcrestSimulator2.app/,o/zoomcrestsimulator.app/"_s, u"@/o"_s, same, true, false,
        true);
    row("chain of links", u"plain/,l1 -> plain,l2 -> @/l1"_s, u"@/l2"_s, u"@/plain"_s, true, false, true);
    row("link to a simulator folder", u"sim/ZoomcrestSimulator.app/,l -> sim"_s, u"@/l"_s, u"@/sim"_s, true, true,
        true);
    row("link in the middle", u"sim/ZoomcrestSimulator.app/,l -> sim"_s, u"@/l/ZoomcrestSimulator.app"_s, same, true,
        false, true);
    const QString cafe = FileName::decode("caf\xe9"), link = FileName::decode("l\xe9"); // in Latin-1
    row("link named in Latin-1 to a folder named so", cafe + u"/,"_s + link + u" -> "_s + cafe, u"@/"_s + link,
        u"@/"_s + cafe, true, false, true);
    row("link to a file", u"file=x,l -> file"_s, u"@/l"_s, u"@/file"_s, false, false, false);
    row("dangling link", u"l -> gone"_s, u"@/l"_s, same, false, false, false);
    row("link loop", u"a -> b,b -> a"_s, u"@/a"_s, same, false, false, false);
    row("regular file", u"file=x"_s, u"@/file"_s, same, false, false, false);
    row("file on the way", u"A/,A/B=x"_s, u"@/A/B/C"_s, same, false, false, false);
    row("empty", {}, QString(), same, false, false, true);
    // Folders are made open to all; one that exists keeps its mode.
    row("missing, final separator", u"A/ (mode 0700)"_s, u"@/A/B/C/"_s, same, false, false, true, u"A/B/,A/B/C/"_s);
    row("doubled separators", {}, u"@//A///B//"_s, same, false, false, true, u"A/,A/B/"_s);
    row("relative", {}, u"A/B"_s, same, false, false, true, u"A/,A/B/"_s);
    row("missing, named in Latin-1", {}, u"@/"_s + cafe + u'/' + cafe, same, false, false, true,
        cafe + u"/,"_s + cafe + u'/' + cafe + u'/');
    row("link to a folder on the way", u"A/,L -> A"_s, u"@/L/B"_s, same, false, false, true, u"A/B/"_s);
}

void TestPaths::helpers()
{
    QFETCH(PathRow, row);
    auto &[before, path, resolved, folder, simulator, made, added] = row;
    TestFiles::Tree tree;
    QVERIFY(tree.make(before.replaceInStrings(u"@"_s, tree.path())));
    QStringList after = tree.describe() + added;
    // Back where it was however the row ends: a failed row would leave the next in a folder gone.
    const auto back = qScopeGuard([previous = QDir::currentPath()] { QDir::setCurrent(previous); });
    QVERIFY(QDir::setCurrent(tree.path()));
    path.replace(u'@', tree.path());
    QCOMPARE(TrackPackage::resolvedPath(path), resolved.isNull() ? path : resolved.replace(u'@', tree.path()));
    QCOMPARE(TrackPackage::pathIsFolder(path), folder);
    QCOMPARE(TrackPackage::pathIsZCInstallFolder(path), simulator);
    QCOMPARE(InstallLocation::isValid(path, false), simulator);
    QCOMPARE(InstallLocation::isValid(path, true), folder || simulator);
    QCOMPARE(TrackPackage::createFoldersRecursivelyInPath(path), made);
    after.sort();
    QCOMPARE(tree.describe(), after);
}

void TestPaths::storedLocation()
{
    InstallLocation::registerDefaults();
    QCOMPARE(InstallLocation::storedFolderPath(), u"/Applications/Zoomcrest"_s);
    QCOMPARE(InstallLocation::storedKnownFolderNotForZC(), false);
    QVERIFY(QSettings().allKeys().isEmpty()); // defaults are never written

    // Settings as an earlier version left them, key for key: a renamed key would lose the
    // user's folder.
    TestFiles::Tree tree;
    QVERIFY(tree.make({u"plain/"_s}));
    const QString plain = tree.path(u"plain"_s);
    QVERIFY(
        TestFiles::writeFile(m_settings.path() + u"/zc-cratewright/zc-cratewright.conf"_s,
                             "[General]\nZC%20Cratewright%20Zoomcrest%20Folder%20Path%20Key=" + FileName::encode(plain)
                                 + "\nZC%20Cratewright%20Known%20Folder%20Not%20For%20ZC%20Key=true\n"));
    QCOMPARE(InstallLocation::storedFolderPath(), plain);
    QVERIFY(InstallLocation::storedKnownFolderNotForZC());
    QVERIFY(InstallLocation::storedLocationIsValid());

    UserDefaults::standardUserDefaults().setObjectForKey(false, ZCCratewrightKnownFolderNotForZCKey);
    QVERIFY(!InstallLocation::storedLocationIsValid());
}

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
