// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Writes the fuzzing corpus: small valid packages of every kind the reader meets, so the
// fuzzer starts from files that load and install and mutates the headers, strings, entries and
// paths from there. Usage: cratewright-make-fuzz-corpus FOLDER
//
// Every file stays below the 4 KiB that scripts/fuzz.sh lets the fuzzer grow inputs to.

#include "PackageWriter.h"

#include <QDir>
#include <QString>

#include <cstdio>

namespace {

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

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }

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

    return ok ? 0 : 1;
}
