// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Writes the fuzzing corpus: small valid packages of every kind the reader meets (in
// FOLDER/package/), and install records and journals of every kind an install leaves (in
// FOLDER/record/), so the fuzzers start from files that load, install or read back and mutate
// the headers, strings, entries, lines and paths from there.
// Usage: cratewright-make-fuzz-corpus FOLDER
//
// Every file stays below the 4 KiB that scripts/fuzz.sh lets the fuzzer grow inputs to.

#include "PackageWriter.h"
#include "platform/FileName.h"
#include "records/InstallRecord.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>

namespace {

bool write(const QString &folder, const char *name, const QByteArray &bytes)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool write(const QString &folder, const char *name, const PackageWriter &writer)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    if (!writer.writeTo(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

const QByteArray TrackText = "seg 000001 lift len=24.00 bank=0 pitch=35.0\n"
                             "seg 000002 drop len=31.50 bank=0 pitch=-60.0\n"
                             "seg 000003 loop len=40.25 bank=0 pitch=0.0\n"
                             "seg 000004 brake len=12.00 bank=0 pitch=0.0\n";

bool writePackages(const QString &folder)
{
    bool ok = true;

    PackageWriter oneFile;
    oneFile.setTitle("Loop").addFile("", "data", "hello");
    ok &= write(folder, "one-file.zcpack", oneFile);

    PackageWriter nested;
    nested.setTitle("Canyon Run")
        .setAuthor("R. Builder")
        .setComments("Scenery in nested folders.")
        .addFile("Tracks\\", "canyon.zctrack", TrackText)
        .addFile("Scenery\\Trees\\", "pine.zcobj", "pine 3 12.5 green\n")
        .addFile("Scenery\\Rocks\\Big\\", "boulder.zcobj", "boulder 7 4.0 grey\n")
        .addFile("Sounds/Station/", "bell.txt", "ding\n")
        .addFile("Levels\\Night\\", "sky.cfg", "stars=1\nmoon=full\n");
    ok &= write(folder, "nested-folders.zcpack", nested);

    PackageWriter selfExtracting;
    QByteArray program("MZ");
    program.append(QByteArray(126, '\0'));
    program.append("This program installs a Zoomcrest track package.\r\n");
    program.append(QByteArray(64, '\x90'));
    selfExtracting.setTitle("Harbour Hopper")
        .setAuthor("Dock Works")
        .setPrefix(program)
        .addFile("Tracks\\", "harbour.zctrack", TrackText);
    ok &= write(folder, "self-extracting.zcpack", selfExtracting);

    PackageWriter trackFile;
    trackFile.setTitle("Two Tracks")
        .setAuthor("Twin Rails")
        .addFile("Tracks\\", "Ride.ZCT", TrackText)
        .addFile("Tracks\\", "ride.zctrack", TrackText)
        .addFile("Tracks\\", "ride.zctrack.bak", TrackText);
    ok &= write(folder, "track-file.zcpack", trackFile);

    PackageWriter version15;
    version15.setVersion(1, 5, 2)
        .setTitle("Newer Format")
        .setAuthor("Format Fan")
        .addFile("Tracks\\", "v15.zctrack", TrackText);
    ok &= write(folder, "version-1-5.zcpack", version15);

    PackageWriter emptyStrings;
    emptyStrings.addFile("", "only.zctrack", TrackText).addFile("", "empty.txt", "");
    ok &= write(folder, "empty-strings.zcpack", emptyStrings);

    PackageWriter reversed;
    reversed.setTitle("Backwards")
        .setDataInReverseOrder(true)
        .addFile("A\\", "first.txt", "first file\n")
        .addFile("B\\", "second.txt", "second file\n")
        .addFile("C\\", "third.zctrack", TrackText);
    ok &= write(folder, "data-in-reverse-order.zcpack", reversed);

    PackageWriter stored;
    stored.setTitle("Stored").setCompressionLevel(0).addFile("Tracks\\", "stored.zctrack", TrackText);
    ok &= write(folder, "stored-blocks.zcpack", stored);

    return ok;
}

ContentHash hashOf(const char *text)
{
    return contentHash(text, qstrlen(text));
}

InstallRecord header(const char *title)
{
    InstallRecord record;
    record.id = QStringLiteral("20260314-092653-4f1c");
    record.title = QString::fromUtf8(title);
    record.author = QStringLiteral("R. Builder");
    record.version = QStringLiteral("1.3.0");
    record.packageName = QStringLiteral("canyon-run.zcpack");
    record.packageHash = hashOf("package");
    record.installBase = QStringLiteral("/home/rider/Zoomcrest");
    record.time = QDateTime::fromString(QStringLiteral("2026-03-14T09:26:53.589Z"), Qt::ISODateWithMs);
    return record;
}

RecordedFile file(const char *path, const char *content)
{
    RecordedFile written;
    written.path = FileName::decode(path);
    written.size = qint64(qstrlen(content));
    written.hash = hashOf(content);
    return written;
}

// An ended record with a file of each kind, one with names that need encoding, and the
// journals an install leaves while it runs or when it is killed: a path written twice, a
// file found and kept, a last line cut short.
bool writeRecords(const QString &folder)
{
    InstallRecord ended = header("Canyon Run");
    ended.foldersMade = {QStringLiteral("Tracks"), QStringLiteral("Scenery/Trees")};
    RecordedFile replaced = file("Tracks/canyon.zctrack", "seg 1"), notKept = file("Scenery/Trees/pine.zcobj", "pine");
    replaced.replaced = true;
    replaced.original = hashOf("older");
    replaced.originalMode = 0100644;
    notKept.notKept = true;
    ended.files = {file("Tracks/readme.txt", "read me"), replaced, notKept};
    ended.result = 0;

    InstallRecord odd = header("Loop\t100% \xc3\x9c"
                               "ber\nand back");
    odd.author = QStringLiteral("C:\\Builders\\Dock");
    odd.time = QDateTime::fromString(QStringLiteral("2026-03-14T11:26:53.5+02:00"), Qt::ISODateWithMs);
    odd.files = {file("caf\xe9/spaced name.zctrack", "x"), file("tab\there/%41.txt", ""),
                 file("100% sure/%41.txt", "y")};
    odd.result = -7;

    const auto written = [](const char *path, const char *content) {
        return InstallRecord::fileLine(QString::fromUtf8(path), qint64(qstrlen(content)), hashOf(content));
    };
    const auto found = [](const char *path) { return InstallRecord::foundLine(QString::fromUtf8(path)); };
    const QByteArray journal = header("Killed").headerLines() + InstallRecord::folderLine(QStringLiteral("A"))
                               + written("A/one.txt", "one") + found("A/one.txt")
                               + InstallRecord::originalLine(QStringLiteral("A/one.txt"), hashOf("old"), 0100600)
                               + written("A/two.txt", "two") + found("A/two.txt") + "F\t5\t0f1e";
    const QByteArray rewritten = header("Twice").headerLines() + written("x", "1") + written("x", "22") + found("x")
                                 + written("y", "y") + found("y") + InstallRecord::notKeptLine(QStringLiteral("y"))
                                 + written("z", "z") + found("z") + written("z", "z") + InstallRecord::endLine(0);
    return write(folder, "ended.record", ended.serialized()) && write(folder, "odd-names.record", odd.serialized())
           && write(folder, "killed.journal", journal) && write(folder, "rewritten.journal", rewritten);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString packages = folder + QStringLiteral("/package"), records = folder + QStringLiteral("/record");
    if (!QDir().mkpath(packages) || !QDir().mkpath(records)) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    const bool packagesWritten = writePackages(packages);
    return packagesWritten && writeRecords(records) ? 0 : 1;
}
