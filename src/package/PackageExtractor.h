#pragma once

#include "ZLibCompFileMetaData.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <memory>

// Writes the entries of one extraction call, one at a time: inflates an entry into a buffer
// that is reused from entry to entry, makes its folder, asks before replacing a file, and
// writes it. Asking, once turned off by "Yes To All", stays off for the rest of this call only.
class PackageExtractor
{
public:
    struct Result
    {
        int code = 0;
        bool isTrackFile = false;
        QString outputPath;
    };

    PackageExtractor(const QByteArray &packageData, qint32 baseOffset, const QString &installBase,
                     bool askToOverwrite);
    ~PackageExtractor();

    Result extract(const ZLibCompFileMetaData &entry);

    // Output buffer capacity for an entry: unCompSize × 1.01 + 12, as a single-precision
    // value truncated to whole bytes (0 gives 12, 100 gives 113).
    static qint64 outputBufferCapacity(qint32 unCompSize);
    // Whether an output path names a track file: ".zctrack", or else ".ZCT", in any case.
    static bool carriesTrackFileMark(const QString &outputPath);

private:
    enum class Overwrite { Write, Keep, Refuse };
    enum class NewFile { Written, WriteFailed, NotCreated };

    bool inflate(const ZLibCompFileMetaData &entry);
    bool makeFolder(const QString &folderPath);
    Overwrite decideOverwrite(const ZLibCompFileMetaData &entry, const QString &outputPath,
                              bool *replacing);
    bool write(const QString &outputPath, qint64 size, bool replacing);
    NewFile writeNewFile(const QByteArray &encodedPath, qint64 size);
    bool growBuffer(qint64 capacity);

    const QByteArray &m_packageData;
    const qint32 m_baseOffset;
    const QString m_installBase;
    bool m_askToOverwrite;
    char *m_buffer = nullptr;
    qint64 m_bufferCapacity = 0;
    QSet<QString> m_foldersMade;
};
