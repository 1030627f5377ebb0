#include "PackageExtractor.h"

#include "ResultCodes.h"
#include "install/PathProbe.h"
#include "package/TrackPackage.h"
#include "platform/Platform.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

namespace {

bool writeAll(int fd, const char *bytes, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

} // namespace

PackageExtractor::PackageExtractor(const QByteArray &packageData, qint32 baseOffset,
                                   const QString &installBase, bool askToOverwrite)
    : m_packageData(packageData)
    , m_baseOffset(baseOffset)
    , m_installBase(installBase)
    , m_askToOverwrite(askToOverwrite)
{
}

PackageExtractor::~PackageExtractor()
{
    std::free(m_buffer);
}

qint64 PackageExtractor::outputBufferCapacity(qint32 unCompSize)
{
    const double capacity = unCompSize * 1.01 + 12;
    return qint64(float(capacity));
}

bool PackageExtractor::carriesTrackFileMark(const QString &outputPath)
{
    return outputPath.endsWith(QLatin1String(".zctrack"), Qt::CaseInsensitive)
           || outputPath.endsWith(QLatin1String(".ZCT"), Qt::CaseInsensitive);
}

bool PackageExtractor::growBuffer(qint64 capacity)
{
    if (capacity <= m_bufferCapacity)
        return true;
    std::free(m_buffer);
    m_buffer = static_cast<char *>(std::malloc(size_t(capacity)));
    m_bufferCapacity = m_buffer ? capacity : 0;
    return m_buffer != nullptr;
}

bool PackageExtractor::inflate(const ZLibCompFileMetaData &entry)
{
    const qint64 capacity = outputBufferCapacity(entry.unCompSize());
    if (!growBuffer(capacity))
        return false;
    uLongf produced = uLongf(capacity);
    const auto *source = reinterpret_cast<const Bytef *>(m_packageData.constData())
                         + qint64(m_baseOffset) + entry.baseRelOffset();
    if (::uncompress(reinterpret_cast<Bytef *>(m_buffer), &produced, source, uLong(entry.compSize()))
        != Z_OK)
        return false;
    // The file always gets exactly unCompSize bytes: a short stream is padded with zeros, a
    // longer one that still fitted is cut.
    if (qint64(produced) < entry.unCompSize())
        std::memset(m_buffer + produced, 0, size_t(entry.unCompSize() - qint64(produced)));
    return true;
}

bool PackageExtractor::makeFolder(const QString &folderPath)
{
    // Thousands of entries share a few folders; a folder made or found in this call stays a
    // folder, because writing a file over a folder is refused.
    if (m_foldersMade.contains(folderPath))
        return true;
    if (!TrackPackage::createFoldersRecursivelyInPath(folderPath))
        return false;
    m_foldersMade.insert(folderPath);
    return true;
}

PackageExtractor::Overwrite PackageExtractor::decideOverwrite(const ZLibCompFileMetaData &entry,
                                                              const QString &outputPath,
                                                              bool *replacing)
{
    *replacing = false;
    switch (PathProbe::kindAt(outputPath)) {
    case PathProbe::Kind::Nothing:
        return Overwrite::Write;
    case PathProbe::Kind::Folder:
        Platform::current().log(QStringLiteral("folder ovewrite rejected: %1").arg(outputPath));
        return Overwrite::Refuse;
    case PathProbe::Kind::Other:
        break;
    }
    *replacing = true;
    if (!m_askToOverwrite)
        return Overwrite::Write;
    Platform &platform = Platform::current();
    platform.beep();
    const int answer = platform.runAlertPanel(
        QStringLiteral("File Already Exists"),
        QStringLiteral("The File '%1' already exists. Would you like to replace it?").arg(entry.relFilePath()),
        QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Yes To All"));
    if (answer == 0)
        return Overwrite::Keep;
    if (answer == -1)
        m_askToOverwrite = false;
    return Overwrite::Write;
}

bool PackageExtractor::write(const QString &outputPath, qint64 size, bool replacing)
{
    if (replacing) {
        // Through a temporary file renamed over the old one, so a failed write leaves it whole.
        QSaveFile file(outputPath);
        return file.open(QIODevice::WriteOnly) && file.write(m_buffer, size) == size && file.commit();
    }
    return writeNewFile(QFile::encodeName(outputPath), size) == NewFile::Written;
}

PackageExtractor::NewFile PackageExtractor::writeNewFile(const QByteArray &encodedPath, qint64 size)
{
    // A new file is written in place; O_EXCL also refuses a dangling link planted at the path.
    const int fd = ::open(encodedPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return NewFile::NotCreated;
    const bool written = writeAll(fd, m_buffer, size);
    const bool closed = ::close(fd) == 0;
    if (written && closed)
        return NewFile::Written;
    ::unlink(encodedPath.constData()); // never leave a half-written file behind
    return NewFile::WriteFailed;
}

PackageExtractor::Result PackageExtractor::extract(const ZLibCompFileMetaData &entry)
{
    Result result;
    if (!inflate(entry)) {
        result.code = InstallResult::UCOMP;
        return result;
    }
    result.outputPath = m_installBase + QLatin1Char('/') + entry.relFilePath();
    result.isTrackFile = carriesTrackFileMark(result.outputPath);
    const QString folderPath = m_installBase + QLatin1Char('/') + entry.relPath();
    if (!makeFolder(folderPath)) {
        Platform::current().log(QStringLiteral("Failed to create folder at %1").arg(folderPath));
        result.code = InstallResult::FDIR;
        return result;
    }
    // Most entries are new files: create the file first, and look at what stands at the path
    // only when that fails, which saves a path lookup per entry in installs of many files.
    switch (writeNewFile(QFile::encodeName(result.outputPath), entry.unCompSize())) {
    case NewFile::Written:
        return result;
    case NewFile::WriteFailed:
        result.code = InstallResult::WRITE;
        return result;
    case NewFile::NotCreated:
        break; // something is there (or the path can't be created): decide as for any file
    }
    bool replacing = false;
    switch (decideOverwrite(entry, result.outputPath, &replacing)) {
    case Overwrite::Refuse:
        result.code = InstallResult::FLDROW;
        return result;
    case Overwrite::Keep:
        return result; // kept; a kept track file is still the track file
    case Overwrite::Write:
        break;
    }
    if (!write(result.outputPath, entry.unCompSize(), replacing))
        result.code = InstallResult::WRITE;
    return result;
}
