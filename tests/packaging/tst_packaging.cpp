// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Installs the build into a temporary prefix and checks that a desktop finds there what it
// needs: the programs, a launcher that hands over the files it is given, the package file type
// and the icons.
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QString prefix;
}

class TestPackaging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installed_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::newRow("desktop program") << "bin/zc-cratewright" << true;
        QTest::newRow("command-line tool") << "bin/cratewright" << true;
        QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/zc-cratewright.svg" << false;
        QTest::newRow("256 px icon") << "share/icons/hicolor/256x256/apps/zc-cratewright.png" << false;
        QTest::newRow("48 px icon") << "share/icons/hicolor/48x48/apps/zc-cratewright.png" << false;
    }

    void installed()
    {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo info(prefix + u'/' + path);
        QVERIFY(info.isFile());
        QCOMPARE(info.isExecutable(), executable);
    }

    void launcherHandsOverFiles()
    {
        // Desktop entries are not quite INI files (";" separates list items): read the lines.
        QFile file(prefix + u"/share/applications/org.zoomcrest.Cratewright.desktop"_s);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (const QString &line : {u"Type=Application"_s, u"Exec=zc-cratewright %F"_s, u"Icon=zc-cratewright"_s})
            QVERIFY2(lines.contains(line), qPrintable(line));
        const QStringList types = lines.filter(u"MimeType="_s).value(0).mid(9).split(u';');
        QVERIFY(types.contains(u"application/x-zoomcrest-track-package"_s));
        QVERIFY(types.contains(u"application/x-ms-dos-executable"_s));
    }

    void packageFileType()
    {
        for (const QString &name : {u"loop.zcpack"_s, u"LOOP.ZCPACK"_s})
            QCOMPARE(QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).name(),
                     u"application/x-zoomcrest-track-package"_s);
    }
};

int main(int argc, char **argv)
{
    // The install and the file type database must be in place before Qt reads the database.
    QTemporaryDir dir;
    prefix = dir.path();
    if (QProcess::execute(QStringLiteral(CMAKE_COMMAND),
                          {u"--install"_s, QStringLiteral(BUILD_DIR), u"--prefix"_s, prefix})
            != 0
        || QProcess::execute(u"update-mime-database"_s, {prefix + u"/share/mime"_s}) != 0)
        return 1;
    qputenv("XDG_DATA_DIRS", QFile::encodeName(prefix + u"/share"_s));
    QCoreApplication app(argc, argv);
    TestPackaging test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_packaging.moc"
