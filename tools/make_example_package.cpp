// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// make-example-package OUTPUT: writes the example track package "Corkscrew Canyon" with the
// project's own package writer. Everything in it is fixed, so every run writes the same bytes.
#include "PackageWriter.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace {

const char TrackText[] = "# Zoomcrest track: Corkscrew Canyon\n"
                         "track \"Corkscrew Canyon\"\n"
                         "  terrain canyon/sandstone\n"
                         "  train cars=6 rows=2 seats=4\n"
                         "\n"
                         "segment station          length=42  bank=0\n"
                         "segment lift             length=88  climb=34\n"
                         "segment drop             length=61  angle=72\n"
                         "segment corkscrew        length=48  turns=1 hand=left\n"
                         "segment airtime-hill     length=55  rise=18\n"
                         "segment canyon-wall-turn length=73  bank=85 radius=22\n"
                         "segment corkscrew        length=48  turns=2 hand=right\n"
                         "segment helix            length=96  turns=1.5 bank=60\n"
                         "segment brake-run        length=38  trims=3\n"
                         "segment station-return   length=24\n"
                         "\n"
                         "scenery Scenery/Canyon/sandstone.pgm tile=8\n"
                         "scenery Scenery/Canyon/Props/mesa.obj at=140,0,-65 scale=3\n"
                         "end\n";

const char ReadmeText[] = "Corkscrew Canyon\r\n"
                          "================\r\n"
                          "\r\n"
                          "A fast ride through a red sandstone canyon: a long lift, a 72 degree drop,\r\n"
                          "two corkscrews and a helix that hugs the canyon wall.\r\n"
                          "\r\n"
                          "Install it with ZC Cratewright, then press Ride!\r\n";

const char MesaObject[] = "# mesa: a flat-topped rock for the canyon floor\n"
                          "v -1 0 -1\nv 1 0 -1\nv 1 0 1\nv -1 0 1\n"
                          "v -0.6 1.4 -0.6\nv 0.6 1.4 -0.6\nv 0.6 1.4 0.6\nv -0.6 1.4 0.6\n"
                          "f 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\nf 5 6 7 8\n";

// A small greyscale texture (binary PGM): horizontal sandstone layers with a little grain.
QByteArray sandstoneTexture()
{
    const int size = 32;
    QByteArray image = "P5\n32 32\n255\n";
    quint32 grain = 12345;
    for (int y = 0; y < size; ++y) {
        const int layer = 150 + ((y / 4) % 3) * 25;
        for (int x = 0; x < size; ++x) {
            grain = grain * 1103515245u + 12345u; // fixed sequence: the same texture every run
            image.append(char(layer + int((grain >> 16) % 16)));
        }
    }
    return image;
}

// A cactus silhouette as a tiny 16 by 16 mask.
QByteArray cactusTexture()
{
    QByteArray image = "P5\n16 16\n255\n";
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool trunk = x >= 7 && x <= 8 && y >= 2;
            const bool leftArm = (x >= 3 && x <= 4 && y >= 5 && y <= 9) || (y == 9 && x >= 3 && x <= 7);
            const bool rightArm = (x >= 11 && x <= 12 && y >= 3 && y <= 7) || (y == 7 && x >= 8 && x <= 12);
            image.append(char(trunk || leftArm || rightArm ? 40 : 255));
        }
    }
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make-example-package OUTPUT\n");
        return 1;
    }

    PackageWriter writer;
    writer.setTitle("Corkscrew Canyon")
        .setAuthor("Ines Halloway")
        .setComments("Two corkscrews, a canyon-wall helix and plenty of airtime.\n"
                     "Best ridden at sunset.")
        .addFile("Tracks\\", "Corkscrew Canyon.zctrack", TrackText)
        .addFile("Scenery\\Canyon\\", "sandstone.pgm", sandstoneTexture())
        .addFile("Scenery\\Canyon\\", "cactus.pgm", cactusTexture())
        .addFile("Scenery\\Canyon\\Props\\", "mesa.obj", MesaObject)
        .addFile("", "Corkscrew Canyon Readme.txt", ReadmeText);

    const QString output = QString::fromLocal8Bit(argv[1]);
    if (!writer.writeTo(output)) {
        std::fprintf(stderr, "make-example-package: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
