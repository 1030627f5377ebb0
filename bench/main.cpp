// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// cratewright-bench: how fast the program loads and installs track packages, and how much
// memory an install takes, next to a plain reference loop that does the same job serially with
// zlib in the same run (and next to unzip on a zip of the same files, where zip and unzip are
// installed); and how long undoing the older of two installs of package d takes, which hands
// every file on to the later install. It writes its packages into a work folder (best on tmpfs, so the page cache plays
// no part), measures each several times and reports the median run. With --ext4 (root only)
// the installs go into an ext4 file system loop-mounted in the work folder instead, caches
// dropped before each timed run.
//
//   cratewright-bench [--dir DIR] [--quick] [--reps N] [--only KEYS] [--no-unzip] [--no-records] [--check] [--ext4]
//
// Exit status: 0, or 1 with --check when a target is missed; 2 when the run itself failed.
// With --quick, --check holds only the memory bound: wall-time ratios of runs this short, on a
// machine shared with other work, vary more than their targets' margins. --ext4 without root
// says so and measures nothing (status 0).

#include "Ext4Mount.h"
#include "MemoryWatch.h"
#include "ReferenceInstaller.h"
#include "TrackText.h"

#include "PackageWriter.h"
#include "package/InflateAhead.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/Platform.h"
#include "records/InstallJournal.h"
#include "records/InstallUndo.h"
#include "records/RecordStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <linux/magic.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

constexpr qint64 KiB = 1024;
constexpr qint64 MiB = 1024 * KiB;
constexpr double IndexLoadTargetMs = 150.0;
constexpr double LinearityTarget = 1.5;      // time per entry, largest index over smallest
constexpr qint64 MemoryAllowance = 64 * MiB; // private memory of an install, beyond its window
// The pace of a slow disk, which the memory probe's install keeps to after each entry: workers
// then run as far ahead as their window lets them, so the peak shows the window's bound, not
// how fast this machine happens to write.
constexpr qint64 SlowDiskBytesPerSecond = 50 * 1000 * 1000;
constexpr qint64 Never = std::numeric_limits<qint64>::max();

// The log line of every load goes nowhere: the benchmark measures the package code, and a
// line on standard error per run would only clutter the table.
class QuietPlatform : public HeadlessPlatform
{
public:
    void log(const QString &) override { }
};

// What a package is made of. The folder pattern takes the folder number, the name pattern the
// entry number; entries of one folder come one after the other, as packaging tools list them.
struct Shape
{
    const char *key;
    const char *label;
    int entries;
    int folders;
    qint64 entrySize;
    const char *folderPattern;
    const char *namePattern;
    double wallTarget = 0;  // extraction wall time, ours over the reference's, at most
    bool indexOnly = false; // measured for loading only
};

struct Package
{
    Shape shape;
    QString path;
    qint64 fileSize = 0;
    qint64 contentSize = 0;
    qint64 largestEntry = 0;
    qint64 largestWindowedEntry = 0; // the largest that goes through the inflate-ahead window
    bool inflatedAhead = false;      // by workers, into a window of InflateAhead::WindowAllowance
    double generateSeconds = 0;
};

struct Times
{
    qint64 loadNs = Never, extractNs = Never, extractCpuNs = Never;
};

// Memory high-water marks of one install in a process of its own.
struct Peaks
{
    qint64 rssKib = -1;     // VmHWM
    qint64 privateKib = -1; // RssAnon's highest, sampled
};

struct Measured
{
    QList<Times> ours, ref;
    QList<qint64> unzipNs;
    Peaks oursMemory, refMemory;
    bool failed = false;
    QString failure;
};

QByteArray formatted(const char *pattern, int number)
{
    char text[128];
    const int length = std::snprintf(text, sizeof text, pattern, number);
    return QByteArray(text, length);
}

bool isTmpfs(const QString &path)
{
    struct statfs info;
    return ::statfs(QFile::encodeName(path).constData(), &info) == 0 && info.f_type == TMPFS_MAGIC;
}

// CPU time of this process, user and system, its worker threads included: what a run costs,
// which other processes on the machine cannot inflate the way they inflate wall time by taking
// the processor away.
qint64 processCpuNs()
{
    rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000000
           + (qint64(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000;
}

// Wall and CPU time of one stretch of work.
class Stopwatch
{
public:
    Stopwatch() { restart(); }
    void restart()
    {
        m_wall.start();
        m_cpu = processCpuNs();
    }
    qint64 wallNs() const { return m_wall.nsecsElapsed(); }
    qint64 cpuNs() const { return processCpuNs() - m_cpu; }

private:
    QElapsedTimer m_wall;
    qint64 m_cpu = 0;
};

void removeTree(const QString &path)
{
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(path).toStdString(), ignored);
}

// Files and bytes under a folder: both installers must leave the same.
struct TreeSize
{
    qint64 files = 0;
    qint64 bytes = 0;
    bool operator==(const TreeSize &other) const { return files == other.files && bytes == other.bytes; }
};

TreeSize treeSize(const QString &path)
{
    TreeSize size;
    std::error_code error;
    for (const auto &item :
         std::filesystem::recursive_directory_iterator(QFile::encodeName(path).toStdString(), error)) {
        if (item.is_regular_file()) {
            ++size.files;
            size.bytes += qint64(item.file_size());
        }
    }
    return size;
}

// Whether an entry of `size` bytes is inflated into the window ahead of its writing. Entries of
// InflateAhead::WatchedSize and up are inflated straight into their file instead.
bool inflatedThroughWindow(qint64 size)
{
    return size < InflateAhead::WatchedSize;
}

// The private memory the inflate-ahead window may hold: its allowance beyond the largest entry
// that goes through it, or nothing where no workers run.
qint64 windowAllowance(const Package &package)
{
    return package.inflatedAhead ? InflateAhead::WindowAllowance + package.largestWindowedEntry : 0;
}

Package generate(const Shape &shape, const QString &folder, int level)
{
    QElapsedTimer timer;
    timer.start();
    Package package;
    package.shape = shape;
    package.path = folder + QStringLiteral("/%1-%2.zcpack").arg(QLatin1String(shape.key)).arg(shape.entries);

    TrackText text(std::uint64_t(shape.entries) * 7919u + std::uint64_t(shape.entrySize));
    PackageWriter writer;
    writer.setCompressionLevel(level)
        .setTitle(QByteArray("Benchmark package ") + shape.key)
        .setAuthor("cratewright-bench")
        .setComments(QByteArray("Generated track and scenery records: ") + shape.label);
    const int perFolder = std::max(1, (shape.entries + shape.folders - 1) / shape.folders);
    for (int i = 0; i < shape.entries; ++i) {
        const QByteArray content = text.make(shape.entrySize);
        writer.addFile(formatted(shape.folderPattern, i / perFolder), formatted(shape.namePattern, i), content);
        package.contentSize += content.size();
        package.largestEntry = std::max<qint64>(package.largestEntry, content.size());
        if (inflatedThroughWindow(content.size()))
            package.largestWindowedEntry = std::max<qint64>(package.largestWindowedEntry, content.size());
    }
    if (!writer.writeTo(package.path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(package.path));
        std::exit(2);
    }
    package.fileSize = QFileInfo(package.path).size();
    package.generateSeconds = timer.nsecsElapsed() / 1e9;
    TrackPackage loaded;
    package.inflatedAhead = loaded.loadPackageFileAtPath(package.path) == LoadResult::Loaded
                            && InflateAhead::workersFor(loaded.contents().compFileMetaData) > 0;
    return package;
}

// One load and one extraction of the program's own code into a folder that doesn't exist yet;
// with no folder, the load alone.
// Off with --no-records, to see what keeping the record costs.
bool keepRecords = true;
// On with --ext4: each timed run starts with the previous runs' writes on the disk and the caches
// dropped, so that none inherits another's writeback or finds its folders' metadata cached.
bool coldRuns = false;

void startCold()
{
    if (coldRuns)
        Ext4Mount::startCold();
}

bool runOurs(const Package &package, const QString &out, Times *times, QString *failure)
{
    TrackPackage trackPackage;
    Stopwatch watch;
    const LoadResult loaded = trackPackage.loadPackageFileAtPath(package.path);
    times->loadNs = watch.wallNs();
    if (loaded != LoadResult::Loaded) {
        *failure = QStringLiteral("load returned %1").arg(number(loaded));
        return false;
    }
    if (out.isEmpty())
        return true;
    // With its record kept, as both programs install (the package's own hash included).
    watch.restart();
    const QString data = out + QStringLiteral("-records");
    const RecordStore records(data);
    std::optional<InstallJournal> journal;
    if (keepRecords) {
        journal.emplace(records, trackPackage);
        trackPackage.setInstallObserver(&*journal);
    }
    const InstallResult installed = trackPackage.expandPackageTo(out, false);
    times->extractNs = watch.wallNs();
    times->extractCpuNs = watch.cpuNs();
    QDir(data).removeRecursively();
    if (installed != InstallResult::Success) {
        *failure = QStringLiteral("extraction returned %1").arg(number(installed));
        return false;
    }
    return true;
}

bool runReference(const Package &package, const QString &out, Times *times, QString *failure)
{
    ReferenceInstaller reference;
    Stopwatch watch;
    const bool loaded = reference.load(QFile::encodeName(package.path).toStdString());
    times->loadNs = watch.wallNs();
    if (!loaded) {
        *failure = QStringLiteral("reference load failed");
        return false;
    }
    if (out.isEmpty())
        return true;
    watch.restart();
    const bool extracted = reference.extract(QFile::encodeName(out).toStdString());
    times->extractNs = watch.wallNs();
    times->extractCpuNs = watch.cpuNs();
    if (!extracted) {
        *failure = QStringLiteral("reference extraction failed");
        return false;
    }
    return true;
}

// Installs the package twice into `out`, keeping records in `data`, as a user who installs it
// again: the second replaces every file. The first install's id, or nothing when one failed.
QString installTwice(const QString &packagePath, const QString &out, const QString &data)
{
    const RecordStore records(data);
    QString first;
    for (int i = 0; i < 2; ++i) {
        TrackPackage trackPackage;
        if (trackPackage.loadPackageFileAtPath(packagePath) != LoadResult::Loaded)
            return QString();
        InstallJournal journal(records, trackPackage);
        trackPackage.setInstallObserver(&journal);
        if (trackPackage.expandPackageTo(out, false) != InstallResult::Success)
            return QString();
        if (i == 0)
            first = journal.recordId();
    }
    return first;
}

// Undoes the older install, which hands every file on to the later one: each file of one
// record is looked up in the other.
InstallUndo::Outcome undoOlder(const QString &data, const QString &id)
{
    const RecordStore records(data);
    return InstallUndo(records).undo(id, false);
}

bool runUndo(const Package &package, const QString &out, Times *times, QString *failure)
{
    const QString data = out + QStringLiteral("-records");
    const QString id = installTwice(package.path, out, data);
    if (id.isEmpty()) {
        *failure = QStringLiteral("the installs before the undo failed");
        return false;
    }
    startCold();
    Stopwatch watch;
    const InstallUndo::Outcome undone = undoOlder(data, id);
    times->extractNs = watch.wallNs();
    times->extractCpuNs = watch.cpuNs();
    QDir(data).removeRecursively();
    if (undone.result != InstallUndo::Result::Undone || undone.handedOn.size() != package.shape.entries) {
        *failure = QStringLiteral("the undo handed on %1 files: %2").arg(undone.handedOn.size()).arg(undone.message);
        return false;
    }
    return true;
}

// Runs one extraction in a fresh process of this program, so that its peaks belong to that
// extraction alone: resident size (VmHWM) counts the package file's and the outputs' mapped
// pages with the buffers and the runtime, private memory (RssAnon) the buffers and the runtime.
Peaks peakKibInChild(const QString &which, const Package &package, const QString &out)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory-probe"), which, package.path, out});
    child.waitForFinished(-1);
    removeTree(out);
    const QList<QByteArray> answer = child.readAllStandardOutput().simplified().split(' ');
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || answer.size() != 4
        || answer.at(0) != "peak_kib" || answer.at(2) != "private_kib")
        return Peaks();
    return Peaks{answer.at(1).toLongLong(), answer.at(3).toLongLong()};
}

// The watch stops first, so that its last sample is of the install's end, not of this line.
void printPeaks(MemoryWatch *privateMemory)
{
    const qint64 privateKib = privateMemory->peakKib();
    std::printf("peak_kib %lld private_kib %lld\n", static_cast<long long>(MemoryWatch::statusKib("VmHWM")),
                static_cast<long long>(privateKib));
}

// The child side of peakKibInChild: loads, extracts, and reports the peaks.
int memoryProbe(const char *which, const char *packagePath, const char *out)
{
    QuietPlatform quiet;
    Platform::setCurrent(&quiet);
    bool ok = false;
    std::optional<MemoryWatch> privateMemory;
    if (std::strcmp(which, "ours") == 0) {
        privateMemory.emplace();
        TrackPackage trackPackage;
        ok = trackPackage.loadPackageFileAtPath(QFile::decodeName(packagePath)) == LoadResult::Loaded;
        // With its record kept, as the programs install.
        const RecordStore records(QFile::decodeName(out) + QStringLiteral("-records"));
        std::optional<InstallJournal> journal;
        if (ok) {
            journal.emplace(records, trackPackage);
            trackPackage.setInstallObserver(&*journal);
        }
        // Progress counts the bytes written, also while the install waits (then unchanged).
        qint64 owedUs = 0, paid = 0;
        trackPackage.setProgressHandler([&](qint64 done, qint64) {
            owedUs += (done - std::exchange(paid, done)) * 1000000 / SlowDiskBytesPerSecond;
            if (owedUs >= 1000)
                QThread::usleep(ulong(std::exchange(owedUs, 0)));
        });
        ok = ok && trackPackage.expandPackageTo(QFile::decodeName(out), false) == InstallResult::Success;
        if (ok)
            printPeaks(&*privateMemory);
    } else if (std::strcmp(which, "undo") == 0) {
        const QString data = QFile::decodeName(out) + QStringLiteral("-records");
        const QString id = installTwice(QFile::decodeName(packagePath), QFile::decodeName(out), data);
        // The peak from here on: the undo's, not the installs'.
        ::malloc_trim(0);
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        ok = !id.isEmpty() && clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
        clear.close();
        privateMemory.emplace();
        ok = ok && undoOlder(data, id).result == InstallUndo::Result::Undone;
        QDir(data).removeRecursively();
        if (ok)
            printPeaks(&*privateMemory);
    } else {
        privateMemory.emplace();
        ReferenceInstaller reference;
        ok = reference.load(packagePath) && reference.extract(out);
        if (ok)
            printPeaks(&*privateMemory);
    }
    Platform::setCurrent(nullptr);
    return ok ? 0 : 1;
}

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? Never : values.at(values.size() / 2);
}

qint64 medianOf(const QList<Times> &runs, qint64 Times::*field)
{
    QList<qint64> values;
    for (const Times &times : runs)
        values.append(times.*field);
    return median(values);
}

bool runTool(const QString &program, const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// unzip on a zip (made by zip at its default level) of the files the reference writes. The zip
// is made in `work`, beside the packages, and unzipped into `outputs`.
QList<qint64> measureUnzip(const Package &package, const QString &work, const QString &outputs, int reps)
{
    const QString files = work + QStringLiteral("/zip-files"), zip = work + QStringLiteral("/files.zip");
    Times times;
    QString failure;
    QList<qint64> runs;
    if (runReference(package, files, &times, &failure)
        && runTool(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-r"), zip, QStringLiteral(".")},
                   files)) {
        for (int rep = 0; rep < reps; ++rep) {
            const QString out = outputs + QStringLiteral("/out-unzip");
            startCold();
            QElapsedTimer timer;
            timer.start();
            const bool ok = runTool(QStringLiteral("unzip"), {QStringLiteral("-q"), zip, QStringLiteral("-d"), out},
                                    work);
            const qint64 ns = timer.nsecsElapsed();
            removeTree(out);
            if (!ok)
                return {};
            runs.append(ns);
        }
    }
    removeTree(files);
    QFile::remove(zip);
    return runs;
}

// The package's installs, into `outputs`; unzip's zip is made in `work`.
Measured measure(const Package &package, const QString &work, const QString &outputs, int reps, bool unzip)
{
    Measured m;
    for (int rep = 0; rep < reps && !m.failed; ++rep) {
        // Alternate which one goes first, so neither always meets a warmer or colder machine.
        for (int turn = 0; turn < 2 && !m.failed; ++turn) {
            const bool ours = (rep + turn) % 2 == 0;
            const QString out = outputs
                                + QStringLiteral("/out-%1-%2-%3")
                                      .arg(QLatin1String(package.shape.key),
                                           ours ? QStringLiteral("ours") : QStringLiteral("ref"))
                                      .arg(rep);
            Times times;
            startCold();
            const bool ok = ours ? runOurs(package, out, &times, &m.failure)
                                 : runReference(package, out, &times, &m.failure);
            if (ok && rep == 0) {
                const TreeSize size = treeSize(out);
                if (!(size == TreeSize{package.shape.entries, package.contentSize})) {
                    m.failure = QStringLiteral("%1 wrote %2 files, %3 bytes")
                                    .arg(ours ? QStringLiteral("ours") : QStringLiteral("the reference"))
                                    .arg(size.files)
                                    .arg(size.bytes);
                    m.failed = true;
                }
            }
            removeTree(out);
            if (m.failed || !ok) {
                m.failed = true;
                break;
            }
            (ours ? m.ours : m.ref).append(times);
        }
    }
    if (!m.failed) {
        m.oursMemory = peakKibInChild(QStringLiteral("ours"), package, outputs + QStringLiteral("/out-mem-ours"));
        m.refMemory = peakKibInChild(QStringLiteral("reference"), package, outputs + QStringLiteral("/out-mem-ref"));
        if (unzip)
            m.unzipNs = measureUnzip(package, work, outputs, reps);
    }
    return m;
}

// The undo of the older of two installs of one package into `outputs`, `reps` times, and its
// peak memory.
Measured measureUndo(const Package &package, const QString &outputs, int reps)
{
    Measured m;
    for (int rep = 0; rep < reps && !m.failed; ++rep) {
        const QString out = outputs + QStringLiteral("/out-undo-%1").arg(rep);
        Times times;
        m.failed = !runUndo(package, out, &times, &m.failure);
        removeTree(out);
        m.ours.append(times);
    }
    if (!m.failed)
        m.oursMemory = peakKibInChild(QStringLiteral("undo"), package, outputs + QStringLiteral("/out-mem-undo"));
    return m;
}

qint64 bestLoadNs(const Package &package, int reps, bool ours)
{
    qint64 best = Never;
    QString failure;
    for (int rep = 0; rep < reps; ++rep) {
        Times times;
        const bool ok = ours ? runOurs(package, QString(), &times, &failure)
                             : runReference(package, QString(), &times, &failure);
        if (!ok)
            return Never;
        best = std::min(best, times.loadNs);
    }
    return best;
}

const char *verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}

double ms(qint64 ns)
{
    return ns / 1e6;
}

double mib(qint64 bytes)
{
    return double(bytes) / double(MiB);
}

// What an ext4 file system needs to hold the installs of these packages, one at a time.
struct Ext4Size
{
    qint64 bytes = 0, inodes = 0;
};

Ext4Size ext4SizeFor(const QList<Package> &packages)
{
    constexpr qint64 Block = 4 * KiB;
    Ext4Size size;
    for (const Package &p : packages) {
        // Files take whole blocks, folders a few. The undo's second install replaces each file of
        // the first, whose blocks and inodes come free only when the journal commits: room for two
        // trees. The undo's two records: a line a file (path, size, hash), well within 512 bytes.
        const qint64 fileBlocks = (std::max<qint64>(p.shape.entrySize, 1) + Block - 1) / Block;
        const qint64 tree = p.shape.entries * fileBlocks * Block + (p.shape.folders + 1) * 64 * KiB;
        size.bytes = std::max(size.bytes, 2 * tree + p.shape.entries * 512 + 16 * MiB);
        size.inodes = std::max<qint64>(size.inodes, 2 * (p.shape.entries + p.shape.folders) + 1024);
    }
    // Inode tables (256 bytes an inode), the journal (at most 128 MiB at these sizes), and a
    // tenth for bitmaps, group descriptors and extent blocks.
    size.bytes = (size.bytes + size.inodes * 256 + 128 * MiB) * 11 / 10;
    return size;
}

// --ext4: mounts a fresh ext4 file system in the work folder for the installs, its image in the
// temp folder. The packages stay in the work folder (tmpfs under scripts/bench.sh): what this
// measures is what a disk's file system costs the installs' writes (creating files, allocating
// blocks, the journal), while reading a package costs both programs the same, from memory.
// Read cold from the disk, it would compare how each reads (ours maps the file, the reference
// reads it) at the disk's pace, though a package just downloaded or copied is mostly still in
// the page cache when it is installed. The image goes in the temp folder, best on a disk: the
// loop device passes the record's fsyncs on to the image's file, so there they cost what they
// cost on a user's disk. False, saying why, when it can't be mounted.
bool mountExt4(Ext4Mount *ext4, const QList<Package> &packages, const QString &workPath, QString *outputs)
{
    const Ext4Size size = ext4SizeFor(packages);
    const QString imageFolder = QDir::tempPath(), mountPoint = workPath + QStringLiteral("/ext4");
    QString error;
    if (!ext4->mount(imageFolder, mountPoint, size.bytes, size.inodes, &error)) {
        std::fprintf(stderr, "--ext4: %s\n", qPrintable(error));
        return false;
    }
    *outputs = mountPoint;
    const bool dropped = Ext4Mount::startCold();
    std::printf("installs into ext4 at %s: a %.0f MiB image for %lld files in %s (%s), loop-mounted;\n"
                "packages stay in the work folder (%s); before each timed run: sync%s\n",
                qPrintable(mountPoint), mib(size.bytes), static_cast<long long>(size.inodes), qPrintable(imageFolder),
                isTmpfs(imageFolder) ? "tmpfs" : "not tmpfs", isTmpfs(workPath) ? "tmpfs" : "NOT tmpfs",
                dropped ? ", caches dropped" : " (caches can't be dropped here)");
    coldRuns = true;
    return true;
}

// The memory table; false when ours held more private memory than its allowance somewhere.
bool printMemory(const QList<Package> &packages, const QList<Measured> &results)
{
    std::printf("\nMemory of an extraction (MiB; a fresh process: load + extraction, ours at a slow disk's %lld MB/s)\n"
                "  peak RSS: VmHWM, mapped package and output pages included; private: RssAnon's highest,\n"
                "  sampled each millisecond. Target: ours' private <= %lld MiB, plus where workers inflate ahead\n"
                "  their window: %lld MiB beyond the largest entry under %lld MiB\n",
                static_cast<long long>(SlowDiskBytesPerSecond / 1000000), static_cast<long long>(MemoryAllowance / MiB),
                static_cast<long long>(InflateAhead::WindowAllowance / MiB),
                static_cast<long long>(InflateAhead::WatchedSize / MiB));
    std::printf("  %-3s %9s %9s %13s %12s %9s\n", "", "ours RSS", "ref RSS", "ours private", "ref private", "limit");
    bool allPass = true;
    for (qsizetype i = 0; i < packages.size(); ++i) {
        const Package &p = packages.at(i);
        const Measured &m = results.at(i);
        const qint64 limit = MemoryAllowance + windowAllowance(p);
        const bool pass = m.oursMemory.privateKib >= 0 && m.oursMemory.privateKib * KiB <= limit;
        allPass = allPass && pass;
        std::printf("  %-3s %9.1f %9.1f %13.1f %12.1f %9.1f %7s\n", p.shape.key, m.oursMemory.rssKib / 1024.0,
                    m.refMemory.rssKib / 1024.0, m.oursMemory.privateKib / 1024.0, m.refMemory.privateKib / 1024.0,
                    mib(limit), verdict(pass));
    }
    return allPass;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 5 && std::strcmp(argv[1], "--memory-probe") == 0)
        return memoryProbe(argv[2], argv[3], argv[4]);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cratewright-bench"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Measures loading and installing track packages against a plain reference loop."));
    parser.addHelpOption();
    const QCommandLineOption dirOption(
        QStringLiteral("dir"),
        QStringLiteral("Folder for the packages and installs (tmpfs is best; default: the temp folder)."),
        QStringLiteral("DIR"), QDir::tempPath());
    const QCommandLineOption quickOption(QStringLiteral("quick"), QStringLiteral("Smaller packages, fewer runs."));
    const QCommandLineOption repsOption(QStringLiteral("reps"), QStringLiteral("Runs per measurement (best is kept)."),
                                        QStringLiteral("N"));
    const QCommandLineOption levelOption(QStringLiteral("level"),
                                         QStringLiteral("zlib level the packages are made with (default 6)."),
                                         QStringLiteral("LEVEL"), QStringLiteral("6"));
    const QCommandLineOption onlyOption(QStringLiteral("only"),
                                        QStringLiteral("Measure only the packages with these keys (\"bd\": b and d)."),
                                        QStringLiteral("KEYS"));
    const QCommandLineOption noUnzipOption(QStringLiteral("no-unzip"),
                                           QStringLiteral("Leave out unzip on a zip of the same files."));
    const QCommandLineOption noRecordsOption(QStringLiteral("no-records"),
                                             QStringLiteral("Install without keeping a record of the install."));
    const QCommandLineOption checkOption(QStringLiteral("check"),
                                         QStringLiteral("Exit with status 1 when a target is missed."));
    const QCommandLineOption keepOption(QStringLiteral("keep"),
                                        QStringLiteral("Keep the work folder with its packages (for profiling: "
                                                       "--memory-probe ours|reference PACKAGE OUT runs one install)."));
    const QCommandLineOption ext4Option(
        QStringLiteral("ext4"),
        QStringLiteral("Install into an ext4 file system loop-mounted in the work folder, dropping caches before "
                       "each timed run (root only)."));
    parser.addOptions({dirOption, quickOption, repsOption, levelOption, onlyOption, noUnzipOption, noRecordsOption,
                       checkOption, keepOption, ext4Option});
    parser.process(app);
    if (parser.isSet(ext4Option) && ::geteuid() != 0) {
        std::printf("cratewright-bench: --ext4 needs root, to make and mount a file system and drop caches: "
                    "skipped, nothing measured\n");
        return 0;
    }

    const bool quick = parser.isSet(quickOption);
    const bool timesHeld = !quick; // see the top of this file
    keepRecords = !parser.isSet(noRecordsOption);
    const int reps = parser.isSet(repsOption) ? std::max(1, parser.value(repsOption).toInt()) : (quick ? 3 : 5);
    const int level = parser.value(levelOption).toInt();
    const QString dir = QDir(parser.value(dirOption)).absolutePath();
    const bool unzip = !parser.isSet(noUnzipOption) && !QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty()
                       && !QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty();

    QuietPlatform quiet;
    Platform::setCurrent(&quiet);

    QTemporaryDir work(dir + QStringLiteral("/cratewright-bench-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a work folder in %s\n", qPrintable(dir));
        return 2;
    }
    work.setAutoRemove(!parser.isSet(keepOption));
    const QString workPath = work.path();

    const QList<Shape> shapes = quick
        ? QList<Shape>{
              {"a", "1 x 32 MiB", 1, 1, 32 * MiB, "Tracks\\", "Grand Canyon Express %d.zctrack", 0.50},
              {"b", "2,000 x 4 KiB, 20 folders", 2000, 20, 4 * KiB, "Scenery\\Set%03d\\", "piece%05d.zcobj", 0.60},
              // Content well beyond the inflate-ahead window: a window that ignored its bound would
              // show in the peak.
              {"c", "100 x 2 MiB, 5 folders", 100, 5, 2 * MiB, "Textures\\Pack%d\\", "tex%03d.zctex", 0.35},
              {"d", "20,000 x 16 B, 40 folders", 20000, 40, 16, "Parts\\Group%03d\\", "p%06d.zcp", 1.00},
          }
        : QList<Shape>{
              {"a", "1 x 256 MiB", 1, 1, 256 * MiB, "Tracks\\", "Grand Canyon Express %d.zctrack", 0.50},
              {"b", "20,000 x 4 KiB, 200 folders", 20000, 200, 4 * KiB, "Scenery\\Set%03d\\", "piece%05d.zcobj", 0.60},
              {"c", "100 x 2 MiB, 5 folders", 100, 5, 2 * MiB, "Textures\\Pack%d\\", "tex%03d.zctex", 0.35},
              {"d", "200,000 x 16 B, 400 folders", 200000, 400, 16, "Parts\\Group%03d\\", "p%06d.zcp", 1.00},
          };
    // Index loading is measured at full size in both modes: it is cheap to make and to load.
    const QList<Shape> indexShapes = {
        {"i", "50,000 x 16 B", 50000, 100, 16, "Parts\\Group%03d\\", "p%06d.zcp", 0, true},
        {"i", "100,000 x 16 B", 100000, 200, 16, "Parts\\Group%03d\\", "p%06d.zcp", 0, true},
        {"i", "200,000 x 16 B", 200000, 400, 16, "Parts\\Group%03d\\", "p%06d.zcp", 0, true},
    };

    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    const QByteArray load = loadAverage.open(QIODevice::ReadOnly) ? loadAverage.readLine().trimmed() : QByteArray("?");
    std::printf("cratewright-bench: work folder %s (%s), %d runs each%s\n"
                "machine: %d processors, load average %s\n",
                qPrintable(workPath), isTmpfs(workPath) ? "tmpfs" : "NOT tmpfs: the page cache and the disk take part",
                reps, quick ? ", quick mode" : "", QThread::idealThreadCount(), load.constData());
    std::fflush(stdout);

    QList<Package> packages;
    const QString only = parser.value(onlyOption);
    for (const Shape &shape : shapes) {
        if (only.isEmpty() || only.contains(QLatin1String(shape.key)))
            packages.append(generate(shape, workPath, level));
    }
    QList<Package> indexes;
    for (const Shape &shape : indexShapes) {
        if (!quick && shape.entries == 200000 && packages.last().shape.entries == 200000) {
            indexes.append(packages.last()); // the same file as package d
            continue;
        }
        indexes.append(generate(shape, workPath, level));
    }

    Ext4Mount ext4; // unmounted before `work` goes
    QString outputs = workPath;
    if (parser.isSet(ext4Option) && !mountExt4(&ext4, packages, workPath, &outputs))
        return 2;

    std::printf("\nPackages (zlib level %d)\n", level);
    std::printf("  %-3s %-30s %9s %12s %12s %7s %8s\n", "", "shape", "entries", "content MiB", "file MiB", "ratio",
                "made s");
    for (const Package &p : packages)
        std::printf("  %-3s %-30s %9d %12.1f %12.1f %6.2fx %8.1f\n", p.shape.key, p.shape.label, p.shape.entries,
                    mib(p.contentSize), mib(p.fileSize), double(p.contentSize) / double(p.fileSize), p.generateSeconds);
    std::fflush(stdout);

    bool allPass = true;
    QList<Measured> results;
    for (const Package &package : packages) {
        results.append(measure(package, workPath, outputs, reps, unzip));
        if (results.last().failed) {
            std::fprintf(stderr, "package %s: %s\n", package.shape.key, qPrintable(results.last().failure));
            return 2;
        }
    }

    std::printf("\nLoad (median of %d)\n", reps);
    std::printf("  %-3s %12s %12s %10s\n", "", "ours ms", "ref ms", "ours/ref");
    for (qsizetype i = 0; i < packages.size(); ++i) {
        const Measured &m = results.at(i);
        const qint64 ours = medianOf(m.ours, &Times::loadNs), ref = medianOf(m.ref, &Times::loadNs);
        std::printf("  %-3s %12.2f %12.2f %10.2f\n", packages.at(i).shape.key, ms(ours), ms(ref),
                    double(ours) / double(ref));
    }

    std::printf("\nExtraction, asking off, into a fresh folder (median of %d; MB = 10^6 bytes of output; CPU\n"
                "time is the whole process's, workers included; the verdict compares wall time)\n",
                reps);
    std::printf("  %-3s %9s %9s %9s %9s %9s %9s %7s %9s %9s\n", "", "ours ms", "ref ms", "ours MB/s", "wall o/r",
                "cpu o/r", "target", "", "unzip ms", "unzip/ref");
    for (qsizetype i = 0; i < packages.size(); ++i) {
        const Package &p = packages.at(i);
        const Measured &m = results.at(i);
        const qint64 ours = medianOf(m.ours, &Times::extractNs), ref = medianOf(m.ref, &Times::extractNs);
        const double wallRatio = double(ours) / double(ref);
        const double cpuRatio = double(medianOf(m.ours, &Times::extractCpuNs))
                                / double(medianOf(m.ref, &Times::extractCpuNs));
        const bool pass = wallRatio <= p.shape.wallTarget;
        allPass = allPass && (pass || !timesHeld);
        const qint64 unzipNs = median(m.unzipNs);
        std::printf("  %-3s %9.1f %9.1f %9.1f %9.3f %9.3f %9.2f %7s", p.shape.key, ms(ours), ms(ref),
                    p.contentSize / 1e6 / (ours / 1e9), wallRatio, cpuRatio, p.shape.wallTarget, verdict(pass));
        if (unzipNs == Never)
            std::printf(" %9s %9s\n", "-", "-");
        else
            std::printf(" %9.1f %9.3f\n", ms(unzipNs), double(unzipNs) / double(ref));
    }
    if (!unzip)
        std::printf("  (unzip not measured: zip or unzip is not installed, or --no-unzip)\n");

    allPass = printMemory(packages, results) && allPass;

    for (const Package &p : packages) {
        if (std::strcmp(p.shape.key, "d") != 0)
            continue;
        const Measured undo = measureUndo(p, outputs, reps);
        if (undo.failed) {
            std::fprintf(stderr, "undo of package d: %s\n", qPrintable(undo.failure));
            return 2;
        }
        std::printf("\nUndo of the older of two installs of d, every file handed on to the later (median of %d;\n"
                    "memory in MiB, of a fresh process from the undo's start: VmHWM and RssAnon's highest)\n",
                    reps);
        std::printf("  %-3s %9s %9s %9s %9s\n", "", "ours ms", "cpu ms", "RSS", "private");
        std::printf("  %-3s %9.1f %9.1f %9.1f %9.1f\n", "d", ms(medianOf(undo.ours, &Times::extractNs)),
                    ms(medianOf(undo.ours, &Times::extractCpuNs)), undo.oursMemory.rssKib / 1024.0,
                    undo.oursMemory.privateKib / 1024.0);
    }

    const int indexReps = std::max(reps, 7);
    std::printf("\nIndex load (best of %d)\n", indexReps);
    std::printf("  %-16s %10s %12s %10s %12s\n", "entries", "ours ms", "ours ns/ent", "ref ms", "ref ns/ent");
    QList<double> perEntry;
    double largestMs = 0;
    for (const Package &p : indexes) {
        const qint64 ours = bestLoadNs(p, indexReps, true);
        const qint64 ref = bestLoadNs(p, indexReps, false);
        if (ours == Never || ref == Never) {
            std::fprintf(stderr, "index of %d entries did not load\n", p.shape.entries);
            return 2;
        }
        perEntry.append(double(ours) / p.shape.entries);
        largestMs = ms(ours);
        std::printf("  %-16d %10.2f %12.1f %10.2f %12.1f\n", p.shape.entries, ms(ours), double(ours) / p.shape.entries,
                    ms(ref), double(ref) / p.shape.entries);
    }
    const bool loadPass = largestMs < IndexLoadTargetMs;
    const double growth = perEntry.last() / perEntry.first();
    const bool linearPass = growth <= LinearityTarget;
    allPass = allPass && ((loadPass && linearPass) || !timesHeld);
    std::printf("  200,000-entry load %.2f ms, target < %.0f ms: %s\n", largestMs, IndexLoadTargetMs,
                verdict(loadPass));
    std::printf("  time per entry at 200,000 over 50,000: %.2fx, target <= %.2fx: %s\n", growth, LinearityTarget,
                verdict(linearPass));

    std::printf("\nOverall: %s%s\n", allPass ? "every target met" : "a target was missed",
                timesHeld ? "" : " (quick: only the memory bound is held, times are shown)");
    Platform::setCurrent(nullptr);
    return (!allPass && parser.isSet(checkOption)) ? 1 : 0;
}
