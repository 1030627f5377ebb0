// libFuzzer target: any bytes as a package file. Loads it with TrackPackage and, when it loads,
// installs it with asking off into a fresh folder, which is removed again afterwards.
//
// Besides the sanitizers' own findings it stops on two faults of the program: an install
// result code outside the table, and anything written beside the install folder (an entry
// that climbed out of it).

#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/Platform.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtGlobal>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// An entry may declare any size, and a short stream is padded with zeros up to it, so a few
// bytes can ask for gigabytes. Such packages are loaded but not installed: each run must stay
// fast and far below the fuzzer's memory limit.
constexpr qint64 MostBytesInstalled = 8 * 1024 * 1024;

// Nobody to ask and nothing to log: the fuzzer's output stays readable and each run cheap.
class FuzzPlatform : public HeadlessPlatform
{
public:
    void log(const QString &) override {}
    AlertAnswer runAlertPanel(const Alert &) override { return AlertAnswer::Default; }
};

// The package file and the install folder of every run, in one temporary folder that goes
// away when the fuzzer exits (and stays for a look when it stops on a fault).
struct Workspace
{
    Workspace() { Platform::setCurrent(&platform); }
    ~Workspace() { Platform::setCurrent(nullptr); }

    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/cratewright-fuzz-XXXXXX")};
    QString packagePath = folder.filePath(QStringLiteral("package.zcpack"));
    QString installPath = folder.filePath(QStringLiteral("install"));
    FuzzPlatform platform;
};

Workspace *workspace = nullptr;

void removeTree(const QString &path)
{
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(path).toStdString(), ignored);
}

// Qt warns once per run about some hostile names (a NUL byte in a path); the fuzzer's own
// report is what matters, so only fatal messages get through.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "cratewright fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static Workspace instance;
    workspace = &instance;
    if (!workspace->folder.isValid())
        fail("cannot make a work folder");
    qInstallMessageHandler(quietMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    {
        QFile file(workspace->packagePath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            fail("cannot write the package file");
    }

    TrackPackage package;
    if (package.loadPackageFileAtPath(workspace->packagePath) != LoadResult::Loaded)
        return 0;

    qint64 declared = 0;
    for (const ZLibCompFileMetaData &entry : package.compFileMetaData())
        declared += qMax<qint32>(entry.unCompSize(), 0);
    if (declared > MostBytesInstalled)
        return 0;

    const int result = package.expandPackageTo(workspace->installPath, false);
    if (result > InstallResult::Success || result < InstallResult::MISC)
        fail("install result code outside the table");

    const QStringList beside = QDir(workspace->folder.path())
                                   .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    removeTree(workspace->installPath);
    for (const QString &name : beside) {
        if (name != QLatin1String("package.zcpack") && name != QLatin1String("install"))
            fail("an entry was written outside the install folder");
    }
    return 0;
}
