// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// `cratewright` as its users see it. Each row of `run` runs the whole tool in this process, its
// console on buffers and its settings and files in a fresh folder ("~/" in every cell), then
// checks the exit status, fragments of what it printed ("!" before one: never printed) and
// what lies where afterwards. A few rows run the real program, for what only a process of its
// own shows. Paths are bytes throughout: arguments go to the tool, and its output is read, as
// FileName has them, so a name that is not UTF-8 (cafe below) can be followed from end to end.
#include "CommandLineTool.h"
#include "Command.h"
#include "Console.h"
#include "ConsolePlatform.h"
#include "Ext4Mount.h"
#include "MemoryGroup.h"
#include "PackageWriter.h"
#include "ProgressBar.h"
#include "TestFiles.h"
#include "TinyHttpServer.h"
#include "install/InstallLocation.h"
#include "install/SimulatorLaunch.h"
#include "fs/Fd.h"
#include "fs/FileSystemFeatures.h"
#include "fs/PathProbe.h"
#include "package/ResultCodes.h"
#include "package/TrackPackage.h"
#include "platform/FileName.h"
#include "platform/PlainText.h"
#include "versioncheck/VersionText.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <zlib.h>

using namespace Qt::StringLiterals;
using TestFiles::L;
using TestFiles::str;

namespace {

struct Row
{
    QString arguments; // split at spaces
    int status;
    // `setup`, what is made before, and `after`, what holds afterwards: cells such as
    // "PATH=TEXT", "stored DIR" or "locked DIR", listed in CONTRIBUTING.md.
    QStringList out, err, setup, after;
    QByteArray input;
};

template<typename T>
void row(const char *name, const T &arguments, int status, const QStringList &out, const QStringList &err,
         const QStringList &setup = {}, const QStringList &after = {}, const QByteArray &input = {})
{
    QTest::newRow(name) << Row{str(arguments), status, out, err, setup, after, input};
}

// The package most rows install: stored, not deflated (zlib level 0), so an entry takes its size
// plus 11 bytes; and last entry first, so that no offset is an entry's place in the list.
struct Entry
{
    const char *folder, *name, *content;
};
const Entry Canyon[] = {{"Tracks\\", "Corkscrew Canyon.zctrack", "track\n"},
                        {"Scenery\\Canyon\\", "sandstone.pgm", "sand\n"},
                        {"", "readme.txt", "Ride it at sunset.\n"}};
const QString Track = u"~/Zoomcrest/Tracks/Corkscrew Canyon.zctrack"_s;
// "café" in Latin-1: a name that is not UTF-8, which Qt's own decoding would read as "caf\uFFFD".
const QString Cafe = FileName::decode("~/caf\xe9");
const QString LossyCafe = u"~/caf\uFFFD"_s;
// Setup cells that make nothing: run() reads them before and while the tool runs.
const QStringList Flags = L("full stdout", "full stderr", "stderr a terminal", "held a second",
                            "Ctrl-C at the question", "real binary");

// The canyon package's files in ~/Zoomcrest, one letter each: o old, n the package's.
QStringList files(const char *which)
{
    QStringList files;
    for (int i = 0; i < 3; ++i)
        files << u"~/Zoomcrest/%1%2=%3"_s.arg(str(Canyon[i].folder).replace(u'\\', u'/'), str(Canyon[i].name),
                                              which[i] == 'o' ? u"old"_s : str(Canyon[i].content));
    return files;
}

// The content of a large entry, made and checked 64 KiB at a time, never whole: cheap to make,
// compressible, yet no block like another (each is its entry's letter, after its own number), so
// that a block written twice, or in another's place, shows.
constexpr qint64 PatternBlock = 1 << 16;
QByteArray patternBlock(qint64 entry, qint64 index)
{
    QByteArray block(PatternBlock, char('a' + entry));
    std::memcpy(block.data(), &index, sizeof index);
    return block;
}

// Entry `entry`'s `size` bytes of pattern (a whole number of blocks), deflated as they are made.
QByteArray deflatedPattern(qint64 entry, qint64 size)
{
    z_stream stream{};
    deflateInit(&stream, 1);
    QByteArray deflated;
    char out[1 << 16];
    for (qint64 index = 0; index * PatternBlock < size; ++index) {
        QByteArray block = patternBlock(entry, index);
        stream.next_in = reinterpret_cast<Bytef *>(block.data());
        stream.avail_in = uInt(block.size());
        const int flush = (index + 1) * PatternBlock < size ? Z_NO_FLUSH : Z_FINISH;
        do {
            stream.next_out = reinterpret_cast<Bytef *>(out);
            stream.avail_out = sizeof out;
            deflate(&stream, flush);
            deflated.append(out, qsizetype(sizeof out - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return deflated;
}

// Whether the file at `path` holds entry `entry`'s pattern and no more, read a block at a time.
bool holdsPattern(const QString &path, qint64 entry, qint64 size)
{
    QFile file(path);
    bool same = file.open(QIODevice::ReadOnly);
    for (qint64 index = 0; same && index * PatternBlock < size; ++index)
        same = file.read(PatternBlock) == patternBlock(entry, index);
    return same && file.atEnd();
}

// A package of patterned entries of these sizes, "Huge/0" and on.
bool writeLarge(const QString &path, const QList<qint64> &sizes)
{
    PackageWriter large;
    for (qsizetype i = 0; i < sizes.size(); ++i)
        large.addEntry({"Huge\\", QByteArray::number(i), {}, deflatedPattern(i, sizes[i]), {}, qint32(sizes[i]), {}});
    return large.writeTo(path);
}

} // namespace

Q_DECLARE_METATYPE(Row)

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void run_data();
    void run();
    void terminalFoundOut_data();
    void terminalFoundOut();
    void progressText_data();
    void progressText();
    void stopInsideLargeFile_data();
    void stopInsideLargeFile();
    void installOnSmallMachine();

private:
    QString path(const QString &cell) const { return QString(cell).replace(u"~/"_s, m_home->path() + u'/'); }
    bool cell(const QString &item, bool make);
    static bool isKnownCell(const QString &item, bool make);

    ConsolePlatform m_platform;
    std::unique_ptr<TestFiles::Tree> m_home;
    std::unique_ptr<TinyHttpServer> m_server;
    int m_lock = -1;
    QStringList m_before; // the home folder's tree as the tool found it, for "=" in `after`
};

void TestCli::init()
{
    QCoreApplication::setOrganizationName(u"zc-cratewright"_s); // the tool's names, as its main() sets them
    QCoreApplication::setApplicationName(u"zc-cratewright"_s);
    Platform::setCurrent(&m_platform);
    m_home = std::make_unique<TestFiles::Tree>();
    m_server.reset();
    ::close(std::exchange(m_lock, -1)); // a row that failed early may have left it
    QVERIFY(m_home->make({}) && QDir::setCurrent(m_home->path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path(u"~/config"_s));
    qputenv("XDG_DATA_HOME", FileName::encode(path(u"~/data"_s)));
    qputenv("XDG_CONFIG_HOME", FileName::encode(path(u"~/config"_s))); // the real binary's settings: these
    qputenv("CRATEWRIGHT_SITE", "http://127.0.0.1:9");                 // nobody listens there
    qputenv("COLUMNS", "80"); // a bar as wide whatever terminal runs the test; rows set their own
    qunsetenv("TERM");
    PackageWriter canyon;
    canyon.setTitle("Corkscrew Canyon").setAuthor("Ines Halloway").setVersion(1, 5, 2).setDataInReverseOrder(true);
    canyon.setComments("Two corkscrews.\nBest ridden at sunset.").setCompressionLevel(0);
    for (const Entry &entry : Canyon)
        canyon.addFile(entry.folder, entry.name, entry.content);
    PackageWriter noTrack, loop, chute, hostile, climber;
    noTrack.addFile("", "readme.txt", "no track file");
    climber.setTitle("Climber").addFile("", "ok.txt", "ok").addFile("..\\", "x", "x");
    loop.setTitle("Loop").addFile("Loops\\", "loop.zct", "x");
    chute.setTitle("Chute").addFile("Tracks\\", "chute.zctrack", "drop\n");
    // A title that would retitle the terminal and ring its bell; a name that would add a row of
    // its own to the file listing.
    hostile.setTitle("Canyon\x1b]0;owned\x07\2332J").addFile("", "x\x1b[31m\n0 1 1  fake.txt", "x"); // \233: CSI
    QVERIFY(canyon.writeTo(path(u"~/canyon.zcpack"_s)) && noTrack.writeTo(path(u"~/notrack.zcpack"_s)));
    QVERIFY(loop.writeTo(path(u"~/loop.zcpack"_s)) && hostile.writeTo(path(u"~/hostile.zcpack"_s)));
    QVERIFY(climber.writeTo(path(u"~/climber.zcpack"_s)));
    QVERIFY(QFile::copy(str(EXAMPLE_PACKAGE), path(u"~/example.zcpack"_s)));
    QVERIFY(QFile::copy(path(u"~/loop.zcpack"_s), path(u"~/-dash.zcpack"_s)));
    // Where the file system takes such names: the rows that need it are skipped elsewhere.
    QVERIFY(!TestFiles::takesAnyName(path(u"~/"_s)) || TestFiles::writeFile(path(Cafe + u".zcpack"_s), chute.build()));
}

// Makes what one cell of `setup` names, or checks what one cell of `after` says.
bool TestCli::cell(const QString &item, bool make)
{
    const QString rest = item.section(u' ', 1), file = item.section(u'=', 0, 0);
    const QString flag = u", not simulator"_s;
    if (item.startsWith(u"stored "_s) && make)
        return InstallLocation::store(rest.section(u", "_s, 0, 0), item.endsWith(flag));
    if (item.startsWith(u"stored "_s))
        return item
               == u"stored "_s + InstallLocation::storedFolderPath()
                      + (InstallLocation::storedKnownFolderNotForZC() ? flag : QString());
    if (item.startsWith(u"mounted "_s))
        return m_home->make({rest});
    if (item.startsWith(u"locked "_s)) {
        m_lock = ::open(FileName::encode(rest).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        return ::flock(m_lock, LOCK_EX) == 0;
    }
    if (item.startsWith(u"installed "_s)) {
        QBuffer quiet;
        quiet.open(QIODevice::WriteOnly);
        Console::setDevices(&quiet, &quiet, &quiet);
        const QString to = rest.contains(u' ') ? rest.section(u' ', 1) : path(u"~/Zoomcrest"_s);
        // Installs are ordered by their millisecond: a later one must not share it.
        for (const qint64 start = QDateTime::currentMSecsSinceEpoch(); QDateTime::currentMSecsSinceEpoch() == start;)
            QThread::usleep(100);
        const int status = CommandLineTool().run(
            {u"cratewright"_s, u"install"_s, rest.section(u' ', 0, 0), u"--to"_s, to, u"--overwrite=always"_s});
        Console::useStandardStreams();
        return status == 0;
    }
    if (item.startsWith(u"server "_s)) {
        m_server = std::make_unique<TinyHttpServer>();
        m_server->respondWith(rest.section(u' ', 0, 0).toInt(), rest.section(u' ', 1).toUtf8());
        return m_server->listen() && qputenv("CRATEWRIGHT_SITE", m_server->baseUrl().toEncoded());
    }
    if (item.startsWith(u"gone "_s))
        return QDir(rest).removeRecursively();
    if (item.startsWith(u"moved "_s)) {
        const QString to = rest.section(u' ', 1);
        if (!QDir().rename(rest.section(u' ', 0, 0), to))
            return false;
        errno = ENOSYS; // fusefat loses what a renamed folder holds
        return !QDir(to).isEmpty();
    }
    if (item.startsWith(u"env "_s))
        return qputenv(qPrintable(rest.section(u'=', 0, 0)), rest.section(u'=', 1).toUtf8());
    if (item.startsWith(u"data folder "_s))
        return qputenv("XDG_DATA_HOME", FileName::encode(item.mid(12)));
    if (item.startsWith(u"working folder "_s))
        return ::chdir(FileName::encode(item.mid(15)).constData()) == 0;
    if (Flags.contains(item) || item.startsWith(u"stdin "_s))
        return make; // read by run() itself
    if (item == u"="_s)
        return m_home->describe() == m_before;
    // By bytes, as the tool reaches them: Qt's file classes would look for other names.
    const auto exists = [](const QString &at) { return PathProbe::kindAt(at) != PathProbe::Kind::Nothing; };
    if (item.startsWith(u'!'))
        return !exists(item.mid(1));
    if (item.contains(u'=') && make)
        return TestFiles::writeFile(file, item.section(u'=', 1).toUtf8())
               && (!item.contains(u"=#!"_s) || ::chmod(FileName::encode(file).constData(), 0500) == 0);
    if (item.contains(u'='))
        return TestFiles::readFile(file) == item.section(u'=', 1).toUtf8();
    if (item.endsWith(u'/'))
        return make ? TrackPackage::createFoldersRecursivelyInPath(item) : TrackPackage::pathIsFolder(item);
    return make || exists(item);
}

// Whether cell() knows `item`, its paths made absolute, as a cell of `setup` (`make`) or of
// `after`: a misspelt one would make or check nothing, and the row still pass.
bool TestCli::isKnownCell(const QString &item, bool make)
{
    static const QStringList setupOnly{u"locked "_s,         u"installed "_s, u"server "_s, u"data folder "_s,
                                       u"working folder "_s, u"gone "_s,      u"moved "_s,  u"mounted "_s,
                                       u"stdin "_s,          u"env "_s};
    if (item.startsWith(u"stored "_s) || (make && Flags.contains(item)))
        return true;
    if (item == u"="_s)
        return !make;
    if (std::any_of(setupOnly.cbegin(), setupOnly.cend(), [&](const QString &s) { return item.startsWith(s); }))
        return make;
    if (make)
        return item.startsWith(u'/') && (item.contains(u'=') || item.endsWith(u'/'));
    return item.startsWith(u'/') || item.startsWith(u"!/"_s);
}

void TestCli::run_data()
{
    QTest::addColumn<Row>("row");
    const CommandLineTool tool;
    const auto use = [&tool](const char *name) { return u"cratewright "_s + tool.commandNamed(str(name))->usage; };
    const auto usage = [&use](const char *name) { return u"Usage: "_s + use(name); };
    const auto question = [](const char *file) { return InstallText::overwriteAlert(str(file)).message; };
    const auto status = [](InstallResult code) { return u"\"status\": \"%1\""_s.arg(InstallText::statusText(code)); };
    const auto simulator = [](const char *folder) {
        return str(folder) + u"/ZoomcrestSimulator.app/Contents/MacOS/"_s;
    };
    using namespace SimulatorLaunch;
    const auto failure = [](Outcome outcome) { return L(failureAlert(outcome).message); };
    const QString install = u"install ~/canyon.zcpack --to ~/Zoomcrest"_s;
    const QString noTrack = u"install ~/notrack.zcpack --to ~/Zoomcrest"_s;
    const QString choices = u" [y]es, [n]o, yes to [a]ll: "_s;
    const QString installed = InstallText::statusText(InstallResult::Success);
    const QString trackFile = u"Track file: "_s + Track;
    const QStringList old = files("ooo");
    const QString noVersion = VersionText::messageFor(std::nullopt);

    // The command line is judged before anything is loaded: ~/absent.zcpack would give 2.
    row("no command", "", 1, {}, L(usage("info"), usage("version-check")));
    row("unknown command", "unpack ~/absent.zcpack", 1, {}, L("'unpack'", usage("install")));
    row("info without package", "info", 1, {}, L(usage("info")));
    row("info with two packages", "info ~/absent.zcpack second.zcpack", 1, {}, L("'second.zcpack'", usage("info")));
    row("option of another command", "info ~/absent.zcpack --ride", 1, {}, L("ride", usage("info")));
    row("unknown overwrite mode", "install ~/absent.zcpack --overwrite=often", 1, {}, L("'often'", usage("install")));
    row("empty --to", "install ~/canyon.zcpack --to=", 1, {}, L(usage("install")), {}, L("!~/Tracks"));
    row("--not-simulator without folder", "folder --not-simulator", 1, {}, L(usage("folder")));
    row("two folders", "folder /a /b", 1, {}, L("'/b'", usage("folder")));
    row("version-check with an argument", "version-check now", 1, {}, L("'now'", usage("version-check")));
    row("help", "--help", 0,
        L(use("info"), use("install"), use("list"), use("uninstall"), use("folder"), use("version-check")), {});
    row("help wins over the work", "install ~/absent.zcpack --help", 0, L(use("install"), "--overwrite"), {});
    row("version", "--version", 0, L(u"cratewright "_s + VersionText::OwnVersion), {});
    row("output that never arrives", "info ~/canyon.zcpack --json", 5, {}, L("could not write to standard output: "),
        L("full stdout"));
    row("log line that never arrives", "--verbose info ~/canyon.zcpack --json", 5, {}, {}, L("full stderr"));
    row("a failure keeps its status", "info ~/absent.zcpack", 2, {}, {}, L("full stderr"));
    row("unknown option", "info --unpack ~/canyon.zcpack", 1, {},
        L("cratewright: unknown option '--unpack'\n", usage("info"), "Try 'cratewright info --help'"));
    row("a name like bundled short options, help among them", "info -dash.zcpack", 1, {},
        L("cratewright: unknown option '-dash.zcpack'\n", usage("info")));
    row("-- ends the options", "info -- -dash.zcpack", 0, L("Title:    Loop"), {});
    row("usage error as JSON", "install --json", 1, L("\"code\": \"USAGE\"", "\"status\": \"no package given\""),
        L(usage("install")));
    row("info of a package on standard input", "info - --json", 0,
        L("\"code\": \"OK\"", "\"title\": \"Corkscrew Canyon\""), {}, L("stdin ~/canyon.zcpack"));
    row("JSON of a load failure", "info - --json", 2,
        L("\"code\": \"NOTPKG\"", "\"result\": -1", "\"status\": \"Could not open file. (Err: -1)\"",
          "\"cause\": \"It does not appear to be a track package file.\""),
        L("cratewright: Could not open file. (Err: -1)\ncratewright: It does not appear"), {}, {}, "not a package");

    row("info, and with --verbose the log lines on standard error", "--verbose info ~/canyon.zcpack", 0,
        L("Title:    Corkscrew Canyon\nAuthor:   Ines Halloway\nVersion:  1.5.2\n"
          "Comments: Two corkscrews.\n          Best ridden at sunset.\nFiles:    3\n"
          "    offset       size compressed  path\n        46          6         17  Tracks/Corkscrew Canyon.zctrack\n"
          "        30          5         16  Scenery/Canyon/sandstone.pgm\n"
          "         0         19         30  readme.txt\n"),
        L("Package Version: 1.5.2"));
    row("info as JSON, its log line in the system log only", "info ~/canyon.zcpack --json", 0,
        L("\"title\": \"Corkscrew Canyon\"", "\"author\": \"Ines Halloway\"", "\"version\": \"1.5.2\"",
          "\"comments\": \"Two corkscrews.\\nBest ridden at sunset.\"", "\"folder\": \"Scenery/Canyon/\"",
          "\"name\": \"sandstone.pgm\"", "\"path\": \"Scenery/Canyon/sandstone.pgm\"", "\"offset\": 30", "\"size\": 5",
          "\"compressedSize\": 16"),
        L("!1.5.2"));
    row("--quiet and --verbose", "install ~/absent.zcpack -q --verbose", 1, {}, L("exclude", usage("install")));
    row("hostile text shown harmless", "info ~/hostile.zcpack", 0, L(u"x\uFFFD[31m\\n0 1 1  fake.txt"_s), {});
    row("JSON of an install of a missing package", "install ~/absent.zcpack --to ~/Zoomcrest --json", 2,
        L("\"code\": \"OPEN\"", "\"result\": -3"),
        L("cratewright: Could not open file. (Err: -3)\ncratewright: Permission problem? Doesn't exist?\n"), {},
        L("!~/Zoomcrest"));

    // The package's name and the folder's are Latin-1: the files land in that very folder, and
    // paths are printed with their own bytes (in JSON, which must be valid UTF-8, as U+FFFD).
    const QString chute = Cafe + u"/Tracks/chute.zctrack"_s;
    row("JSON of an install named in Latin-1", u"install %1.zcpack --to %1 --json"_s.arg(Cafe), 0,
        L(u"\"installBase\": \""_s + LossyCafe + u'"',
          u"\"trackFile\": \""_s + LossyCafe + u"/Tracks/chute.zctrack\""_s),
        {}, {}, L(chute + u"=drop\n"_s, u'!' + LossyCafe));
    row("relative folder from a working folder named in Latin-1", u"install ~/canyon.zcpack --to Zoomcrest"_s, 0,
        L(installed + u"\nTrack file: "_s + Cafe + u"/Zoomcrest/Tracks/Corkscrew Canyon.zctrack\n"_s), {},
        L(Cafe + u'/', u"working folder "_s + Cafe), L(Cafe + u"/Zoomcrest/Tracks/Corkscrew Canyon.zctrack=track\n"_s));
    row("JSON without a track file, nor a data folder to record in: costs no install, and says so",
        noTrack + u" --json"_s, 0,
        L("\"result\": 0", status(InstallResult::Success), "\"trackFile\": null", "\"record\": null"),
        L("cratewright: this install can't be undone: cannot keep its record in '~/data/zc-cratewright': Not a "
          "directory"),
        L("~/data=a file"), L("~/Zoomcrest/readme.txt=no track file"));
    row("JSON of an install that wrote nothing: no record", install + u" --overwrite=never --json"_s, 0,
        L("\"record\": null"), {}, old, files("ooo"));
    row("JSON of a failure, which says why after the status", install + u" --json"_s, 3,
        L("\"result\": -3", "\"code\": \"BDIR\"", status(InstallResult::BDIR),
          "\"cause\": \"cannot use folder '~/Zoomcrest': Not a directory\"", u'!' + installed),
        L(u"cratewright: "_s + InstallText::statusText(InstallResult::BDIR)
          + u"\ncratewright: cannot use folder '~/Zoomcrest': Not a directory\n"_s),
        L("~/Zoomcrest=a file"));

    row("yes to all at the first question", install, 0, {}, {}, old, files("nnn"), " All \n");
    row("unclear answers ask again", install, 0, L(trackFile),
        L(question("Tracks/Corkscrew Canyon.zctrack") + choices + u"maybe\n"_s + choices.trimmed()), old, files("non"),
        "maybe\n\nYes\nNO\ny\n");
    row("input ends after one yes", install, 0, {}, L(choices + u'\n'), old, files("noo"), "y\n");
    row("last answer without line feed", install, 0, {}, {}, old, files("oon"), "n\nn\ny");
    row("never", install + u" --overwrite=never"_s, 0, {}, L(question("readme.txt") + u" No."_s), old, files("ooo"),
        "y\ny\ny\n");
    row("always", install + u" --overwrite=always"_s, 0, {}, L("![y]es"), old, files("nnn"), "n\nn\nn\n");
    row("terminal: a question rings no bell", install, 0, {}, L(question("Tracks/Corkscrew Canyon.zctrack") + choices),
        old + L("stderr a terminal"), files("nnn"), "a\n");
    const QString fromStdin = u"install - --to ~/Zoomcrest"_s;
    row("package on standard input: nobody to ask, never replaced", fromStdin, 0, L(installed),
        L(question("readme.txt") + u" No."_s, u'!' + choices), old + L("stdin ~/canyon.zcpack"), files("ooo"));
    row("package on standard input, always replaced", fromStdin + u" --overwrite=always"_s, 0, L(installed), {},
        old + L("stdin ~/canyon.zcpack"), files("nnn"));
    row("package on standard input can't answer questions", fromStdin + u" --overwrite=ask"_s, 1, {},
        L("--overwrite=ask reads the answers from standard input", usage("install")), old + L("stdin ~/canyon.zcpack"),
        files("ooo"));
    row("waits for another install, stops on Ctrl-C", install, 130, {},
        L(InstallText::waitingText(), choices + u"\ncratewright: "_s + InstallText::stoppedText(1, 3)),
        L(Track + u"=mine"_s, "locked ~/Zoomcrest", "Ctrl-C at the question"),
        L(Track + u"=mine"_s, "!~/Zoomcrest/Scenery"));
    // A terminal on standard error shows a bar once an install takes more than a moment (here:
    // waiting a second for another install).
    const QStringList slow = L("stderr a terminal", "~/Zoomcrest/", "locked ~/Zoomcrest", "held a second");
    const QString bar = u" B of 30 B"_s; // the canyon's files hold 30 bytes
    row("terminal: no bar for a quick install", install, 0, L(installed), L(u'!' + bar), L("stderr a terminal"));
    row("terminal: a bar for a slow install, in bytes", install, 0, L(installed),
        L(InstallText::waitingText(), ProgressBar::text(0, 30), ProgressBar::text(30, 30)), slow, files("nnn"));
    row("terminal of 30 columns: the bar fits", install, 0, L(installed),
        L(u"\r\x1b[K"_s + ProgressBar::text(30, 30, 30)), slow + L("env COLUMNS=30"), files("nnn"));
    row("TERM=dumb: no bar", install, 0, L(installed), L(u'!' + bar, "!\r"), slow + L("env TERM=dumb"), files("nnn"));
    row("terminal, --json: no bar", install + u" --json"_s, 0, {}, L(u'!' + bar), slow);
    row("no terminal: no bar for a slow install", install, 0, L(installed), L(u'!' + bar), slow.mid(1));
    row("terminal, --quiet: only the work", install + u" --quiet --overwrite=never"_s, 0, L("!Package", "!Track"),
        L(u'!' + bar, u'!' + InstallText::waitingText(), "!No."), slow + old, files("ooo"));
    row("ride without a track file", noTrack + u" --ride"_s, 4, {}, failure(Outcome::NoTrackFile),
        L(simulator("~/Zoomcrest")));
    row("JSON of an install whose ride fails: one answer", install + u" --ride --json"_s, 4,
        L("\"code\": \"RIDE\"", status(InstallResult::Success), "\"ride\": \"", "!Simulator started"),
        L(u"cratewright: "_s + failureAlert(Outcome::SimulatorNotStarted).title)
            + failure(Outcome::SimulatorNotStarted),
        {}, L(Track));

    // A dry run lists what the install would do to each file, and leaves everything as it was:
    // no folder, no record, no lock file.
    const QString nothingChanged = u"Nothing was changed (--dry-run): "_s;
    row("install --dry-run into a new folder, --ride and --overwrite ignored",
        install + u" --dry-run --ride --overwrite=never"_s, 0,
        L("new: Tracks/Corkscrew Canyon.zctrack\nnew: Scenery/Canyon/sandstone.pgm\nnew: readme.txt\n",
          nothingChanged + u"3 files for ~/Zoomcrest: 3 new.\n"_s, "!Simulator"),
        {}, {}, L("=", "!~/Zoomcrest", "!~/data"));
    row("install --dry-run names the recorded install that wrote what it replaces", noTrack + u" --dry-run"_s, 0,
        L("replaces: readme.txt (written by the install ", " of \"Corkscrew Canyon\")\n",
          nothingChanged + u"1 file for ~/Zoomcrest: 1 replaces."_s),
        {}, L("installed ~/canyon.zcpack"), L("="));
    row("install --dry-run: the user's file, an identical one, a folder in the way", install + u" --dry-run"_s, 3,
        L("replaces: readme.txt (not from a recorded install)", "identical: Tracks/Corkscrew Canyon.zctrack",
          "refused: Scenery/Canyon/sandstone.pgm (a folder stands there)",
          nothingChanged + u"3 files for ~/Zoomcrest: 1 replaces, 1 identical, 1 refused."_s),
        L(InstallText::statusText(InstallResult::FLDROW)),
        L("~/Zoomcrest/readme.txt=mine", "~/Zoomcrest/Tracks/Corkscrew Canyon.zctrack=track\n",
          "~/Zoomcrest/Scenery/Canyon/sandstone.pgm/"),
        L("="));
    row("install --dry-run where the files won't fit: the install would fail", install + u" --dry-run"_s, 3,
        L(nothingChanged + u"3 files for ~/Zoomcrest: 3 new."_s),
        L(InstallText::statusText(InstallResult::WRITE), "cratewright: cannot make room"),
        L("mounted Zoomcrest (tmpfs size=1m,nr_inodes=4)"), L("="));
    row("install --dry-run as JSON, the recorded install by its id", noTrack + u" --dry-run --json"_s, 0,
        L("\"result\": 0", "\"dryRun\": true", "\"installBase\": \"~/Zoomcrest\"", "\"path\": \"readme.txt\"",
          "\"action\": \"replaces\"", "\"record\": \"2", "\"reason\": null"),
        {}, L("installed ~/canyon.zcpack"), L("="));
    row("install --dry-run as JSON: a path out of the folder refused",
        "install ~/climber.zcpack --to ~/Z --dry-run --json", 3,
        L("\"result\": -4", "\"path\": \"../x\"", "\"action\": \"refused\"",
          "\"reason\": \"outside the install folder\"", "\"path\": \"ok.txt\",\n            \"reason\": null"),
        L(InstallText::statusText(InstallResult::FDIR)), L("~/Z/"), L("="));

    const QString loop = u"~/Zoomcrest/Loops/loop.zct=x"_s;
    row("install says how to undo it", noTrack, 0,
        L(installed, "!Track file", "Recorded as ", "; undo it with: cratewright uninstall "), {});
    row("list by folder, newest first, with the data folder's size", "list", 0,
        L("Data folder: ~/data/zc-cratewright (", "\n\n~/Zoomcrest\n  ", "  Loop 1.3.0 by , 1 file(s)\n  ",
          "  Corkscrew Canyon 1.5.2 by Ines Halloway, 3 file(s)\n"),
        {}, L("installed ~/canyon.zcpack", "installed ~/loop.zcpack"));
    row("list with nothing recorded yet", "list", 0, L("No installs recorded."), {});
    row("list with a data folder it can't read says why", "list --json", 4,
        L("\"code\": \"RECORDS\"", "\"dataFolder\": \"~/data/zc-cratewright\""),
        L("cratewright: the recorded installs can't be listed\ncratewright: cannot read "
          "'~/data/zc-cratewright/records': Not a directory\n"),
        L("~/data/zc-cratewright/records=a file"));
    row("list as JSON", "list --json", 0,
        L("\"installBase\": \"~/Zoomcrest\"", "\"title\": \"Loop\"", "\"files\": 1", "\"state\": \"ended\"",
          "\"dataSize\": ", "\"code\": \"OK\""),
        {}, L("installed ~/loop.zcpack"));
    // As a kill between creating the install's last file and writing it leaves them.
    const QString killed =
        u"~/data/zc-cratewright/records/20260101-000000-abcd.journal=zc-cratewright install record 1\n"
        "id\t20260101-000000-abcd\ntitle\tLoop\ninstallBase\t~/Zoomcrest\n"
        "time\t2026-01-01T00:00:00.000Z\nF\t1\t0123456789abcdef0123456789abcdef\tLoops/loop.zct\n"_s;
    row("list first repairs what a killed install left, and says so", "list", 0,
        L("Loop  by , 0 file(s) [interrupted]"),
        L("cratewright: Repaired what the killed install of \"Loop\" into ~/Zoomcrest left: removed Loops/loop.zct, "
          "which it had only begun to write.\n"),
        L(killed, u"~/Zoomcrest/Loops/loop.zct="_s), L(u"!~/Zoomcrest/Loops/loop.zct"_s));
    row("uninstall --dry-run changes nothing", "uninstall Loop --dry-run", 0,
        L("Would remove: Loops/loop.zct", "Nothing was changed (--dry-run): Loop ("), {}, L("installed ~/loop.zcpack"),
        L(loop));
    row("uninstall by title as JSON", "uninstall Loop --json", 0,
        L("\"removed\": [\n        \"Loops/loop.zct\"", "\"foldersRemoved\": [\n        \"Loops\"", "\"result\": 0"),
        {}, L("installed ~/loop.zcpack"), L("!~/Zoomcrest/Loops", "~/Zoomcrest/"));
    row("uninstall waits for another install into the folder", "uninstall Loop", 0, {}, L(InstallText::waitingText()),
        L("installed ~/loop.zcpack", "locked ~/Zoomcrest"), L("!~/Zoomcrest/Loops"));
    row("JSON of an uninstall of a shared title", "uninstall Loop --json", 2, L("\"code\": \"AMBIGUOUS\""),
        L("2 installs have the title 'Loop'"), L("installed ~/loop.zcpack", "installed ~/loop.zcpack"), L(loop));
    row("JSON of an uninstall of what was never installed", "uninstall Loop --json", 2,
        L("\"code\": \"NORECORD\"", "\"cause\": null"),
        L("cratewright: No recorded install has the id or title 'Loop'"));
    row("JSON of an uninstall refused", "uninstall Loop --json", 4, L("\"code\": \"REFUSED\""),
        L("cratewright: The install folder ~/Zoomcrest can't be opened."),
        L("installed ~/loop.zcpack", "gone ~/Zoomcrest"));
    row("uninstall without an install", "uninstall", 1, {}, L(usage("uninstall")));
    row("uninstall --folder: the install folder moved on purpose", "uninstall Loop --folder ~/Moved", 0,
        L("Removed: Loops/loop.zct"), {}, L("installed ~/loop.zcpack", "moved ~/Zoomcrest ~/Moved"),
        L("!~/Moved/Loops"));
    row("uninstall --folder refused: not the folder installed into", "uninstall Loop --folder ~/Other", 4, {},
        L("~/Other is not the folder that the install of the record "), L("installed ~/loop.zcpack", "~/Other/"),
        L(loop));
    row("uninstall from a folder named in Latin-1, its record in another", "uninstall Chute", 0,
        L("Removed: Tracks/chute.zctrack", u"Undone: Chute ("_s, u") in "_s + Cafe + u'.'), {},
        L(u"data folder "_s + Cafe + u"-data"_s, u"installed "_s + Cafe + u".zcpack "_s + Cafe),
        L(Cafe + u'/', u'!' + Cafe + u"/Tracks"_s, Cafe + u"-data/zc-cratewright/records/"_s,
          u'!' + LossyCafe + u"-data"_s));

    row("store a simulator folder", "folder ~/Games/Zoomcrest", 0, L("Simulator folder stored: ~/Games/Zoomcrest"), {},
        L(simulator("~/Games/Zoomcrest")), L("stored ~/Games/Zoomcrest"));
    row("store a relative plain folder, overridden", "folder Games --not-simulator", 0, {}, {}, L("~/Games/"),
        L("stored ~/Games, not simulator"));
    // Read back by this process from the file the tool wrote.
    row("real binary: store a folder named in Latin-1", u"folder "_s + Cafe + u" --not-simulator"_s, 0,
        L(u"Simulator folder stored: "_s + Cafe), {}, L(Cafe + u'/', u"real binary"_s),
        L(u"stored "_s + Cafe + u", not simulator"_s));
    row("refuse a plain folder", "folder ~/Games", 4, {},
        L("'~/Games' holds no ZoomcrestSimulator.app", "--not-simulator"), L("~/Games/", "stored ~/Earlier"),
        L("stored ~/Earlier"));
    row("refuse a file, overridden or not", "folder ~/Games --not-simulator", 4, {},
        L("'~/Games' is not an existing folder"), L("~/Games=a file", "stored ~/Earlier"), L("stored ~/Earlier"));
    row("settings that can't be written", "folder ~/Games", 4, {}, L(InstallLocation::notSavedAlert().title),
        L(simulator("~/Games"), "~/config=a file"));
    row("show a simulator folder", "folder", 0,
        L("Simulator folder:       ~/Zoomcrest\nOverride flag:          no\nValid install location: yes\n"), {},
        L(simulator("~/Zoomcrest"), "stored ~/Zoomcrest"));
    row("show an overridden plain folder", "folder", 0, L("Override flag:          yes", "Valid install location: yes"),
        {}, L("~/Plain/", "stored ~/Plain, not simulator"));
    row("show the default folder, which fails the rule", "folder", 4,
        L("Simulator folder:       /Applications/Zoomcrest\nOverride flag:          no\n"
          "Valid install location: no\n"),
        {});
    row("install into the stored folder", "install ~/canyon.zcpack", 0,
        L("Track file: ~/Stored/Tracks/Corkscrew Canyon.zctrack"), {}, L(simulator("~/Stored"), "stored ~/Stored"));
    row("JSON of an install into a stored folder that is gone (a disk not mounted)", "install ~/canyon.zcpack --json",
        4, L("\"code\": \"LOCATION\"", "\"installBase\": \"~/Stored\""),
        L("cratewright: Not A Valid Install Location: ", "cratewright: '~/Stored' is not an existing folder.",
          "'cratewright folder DIR'"),
        L("stored ~/Stored"), L("!~/Stored"));

    const QString version = u"1.1\r\nhttps://x.example/\r\n"_s; // not this version, then: "1.1\r"
    row("version check", "version-check", 0, L(PlainText::lines(VersionText::messageFor(version))), {},
        L(u"server 200 "_s + version));
    row("empty version text", "version-check", 4, {}, L(u"cratewright: "_s + noVersion), L("server 200 "));
    row("no version text", "version-check", 4, {}, L(noVersion), L("server 404 1.1\n"));

    const QString example = u"install ~/example.zcpack --to ~/Zoomcrest"_s;
    // The stand-in writes its arguments one a line, then stays up, holding whatever it was given.
    row("real binary: install the example; the output of --ride ends while the simulator runs on",
        example + u" --ride"_s, 0, L(installed, trackFile, "Simulator started."), {},
        L("real binary",
          simulator("~/Zoomcrest")
              + u"ZoomcrestSimulator=#!/bin/sh\n"
                "printf '%s\\n' \"$@\" > ~/ride.part; echo $$ > ~/ride.pid; mv ~/ride.part ~/ride; exec sleep 120\n"_s),
        L(u"~/ride=-s\n"_s + Track + u'\n', "~/Zoomcrest/Scenery/Canyon/Props/mesa.obj"));
}

void TestCli::run()
{
    QFETCH(Row, row);
    for (const auto &[items, make] : {std::pair(row.setup, true), std::pair(row.after, false)})
        for (const QString &item : items)
            QVERIFY2(isKnownCell(path(item), make),
                     qPrintable(u"unknown %1 cell \"%2\""_s.arg(make ? u"setup"_s : u"after"_s, item)));
    const QString cells = row.arguments + row.setup.join(u' ') + row.after.join(u' ');
    if (TestFiles::holdsBytesNotUtf8(cells) && !TestFiles::takesAnyName(path(u"~/"_s)))
        QSKIP("this file system takes only names in UTF-8");
    if (!row.setup.filter(QRegularExpression(u"^mounted "_s)).isEmpty() && ::geteuid() != 0)
        QSKIP("mounts need root");
    for (const QString &item : std::as_const(row.setup)) {
        if (cell(path(item), true))
            continue;
        // FAT has no modes to make a script executable nor (through fusefat) folders that keep
        // what they hold when renamed.
        if ((item.contains(u"=#!"_s) || item.startsWith(u"moved "_s)) && (errno == EPERM || errno == ENOSYS))
            QSKIP(qPrintable(u"this file system can't hold "_s + item));
        QFAIL(qPrintable(item));
    }
    m_before = m_home->describe();
    const Fd home(::open(QFile::encodeName(path(u"~/"_s)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (row.err.join(u' ').contains(u"is not the folder"_s) && !FileSystemFeatures::keepsInodeNumbers(home.get()))
        QSKIP("folders here keep no identity to check: the link rule alone guards the path");

    QBuffer output, error;
    QVERIFY(output.open(QIODevice::WriteOnly) && error.open(QIODevice::WriteOnly));
    // Standard input is a pipe, open for answers with "Ctrl-C at the question".
    const bool ctrlC = row.setup.contains(u"Ctrl-C at the question"_s);
    int answers[2];
    QVERIFY(::pipe2(answers, O_CLOEXEC) == 0);
    QByteArray input = row.input;
    for (const QString &item : row.setup.filter(QRegularExpression(u"^stdin "_s)))
        input = TestFiles::readFile(path(item.mid(6)));
    QCOMPARE(::write(answers[1], input.constData(), input.size()), input.size());
    if (!ctrlC)
        answers[1] = (::close(answers[1]), -1);
    Console::FileDescriptorDevice inputDevice(answers[0], QIODevice::ReadOnly);
    // While the tool runs: the other install lets go of the folder once the tool polls for it;
    // the Ctrl-C comes once the tool waits in read(2) for the answer, and a "y" later, should the
    // read go on.
    std::atomic<bool> done = false;
    const int holdMs = row.setup.contains(u"held a second"_s) ? 1000 : 0;
    const auto meanwhile = [&, main = ::pthread_self(), task = ::gettid()] {
        QElapsedTimer sincePolled;
        const QByteArray polling = QByteArray::number(SYS_clock_nanosleep) + ' ';
        const QByteArray reading = QByteArray::number(SYS_read) + " 0x" + QByteArray::number(answers[0], 16) + ' ';
        bool interrupted = false;
        for (int ms = 0; !done && (m_lock >= 0 || ctrlC); QThread::msleep(1), ++ms) {
            const QByteArray call = TestFiles::readFile(u"/proc/self/task/%1/syscall"_s.arg(task));
            if (m_lock >= 0 && call.startsWith(polling) && !sincePolled.isValid())
                sincePolled.start();
            if (m_lock >= 0 && sincePolled.isValid() && sincePolled.elapsed() >= holdMs)
                ::close(std::exchange(m_lock, -1));
            if (ctrlC && !interrupted && call.startsWith(reading))
                interrupted = ::pthread_kill(main, SIGINT) == 0;
            if (ctrlC && ms == 5000) [[maybe_unused]]
                const ssize_t late = ::write(answers[1], "y\n", 2);
        }
    };
    // A full device is the real thing: /dev/full behind a file descriptor.
    const int fullFd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    Console::FileDescriptorDevice fullDevice(fullFd, QIODevice::WriteOnly);
    QIODevice *const full = &fullDevice;
    int status = -1;
    QByteArray outBytes;
    QString out, err;
    if (row.setup.contains(u"real binary"_s)) {
        // Standard output is read as `$(cratewright ...)` reads it: through a pipe that ends only
        // once every process that holds it has let it go.
        QProcess tool, reader;
        tool.setStandardOutputProcess(&reader);
        reader.start(u"cat"_s, QStringList());
        // The arguments as a shell hands them over, bytes: QProcess would encode them the lossy
        // way. Its child, its streams set up, becomes the tool here, never returning to Qt's exec.
        QList<QByteArray> bytes{QByteArray(CRATEWRIGHT_BINARY)};
        for (const QString &argument : path(row.arguments).split(u' '))
            bytes << FileName::encode(argument);
        std::vector<char *> argv;
        for (QByteArray &argument : bytes)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        tool.setChildProcessModifier([&argv] {
            ::execv(argv[0], argv.data());
            ::_exit(127);
        });
        tool.start(str(CRATEWRIGHT_BINARY), QStringList());
        QVERIFY(tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit);
        QVERIFY2(reader.waitForFinished(20000), "the output never came to an end");
        status = tool.exitCode();
        outBytes = reader.readAllStandardOutput();
        err = FileName::decode(tool.readAllStandardError());
    } else {
        std::thread helper(meanwhile);
        Console::setDevices(&inputDevice, row.setup.contains(u"full stdout"_s) ? full : &output,
                            row.setup.contains(u"full stderr"_s) ? full : &error,
                            row.setup.contains(u"stderr a terminal"_s));
        status = CommandLineTool().run((u"cratewright "_s + path(row.arguments)).split(u' ', Qt::SkipEmptyParts));
        Console::useStandardStreams();
        done = true;
        helper.join();
        outBytes = output.data();
        err = FileName::decode(error.data());
    }
    out = FileName::decode(outBytes);
    for (int fd : {fullFd, answers[0], answers[1]})
        ::close(fd);

    QVERIFY2(status == row.status, qPrintable(u"exit status %1, output:\n%2\nerrors:\n%3"_s.arg(status).arg(out, err)));
    for (const auto &[fragments, text, isOut] : {std::tuple(row.out, out, true), std::tuple(row.err, err, false)}) {
        for (const QString &fragment : fragments) {
            const QString wanted = path(fragment);
            QVERIFY2(wanted.startsWith(u'!') ? !text.contains(wanted.mid(1)) : text.contains(wanted),
                     qPrintable(wanted + (isOut ? u" in output:\n"_s : u" in errors:\n"_s) + text));
        }
        // Nothing a package or a server says may drive a terminal; the tool itself only wipes its
        // status line, and never leaves it behind.
        const QString wipe = u"\r\x1b[K"_s;
        static const QRegularExpression bar(u"\\[[#.]+\\] [\\d.]+ \\w+ of [\\d.]+ \\w+"_s);
        const qsizetype lastBar = text.lastIndexOf(bar);
        QVERIFY2(lastBar < 0 || text.indexOf(wipe, lastBar) > lastBar, qPrintable(text));
        // Never wider than the terminal, nor filling its last column (where a line wraps).
        for (auto it = bar.globalMatch(text); it.hasNext();) {
            const QString drawn = it.next().captured();
            QVERIFY2(drawn.size() < qEnvironmentVariableIntValue("COLUMNS"), qPrintable(drawn));
        }
        static const QRegularExpression control(u"[\\x00-\\x08\\x0b-\\x1f\\x7f-\\x9f]"_s);
        QVERIFY2(!QString(text).remove(wipe).contains(control), text.toUtf8().toPercentEncoding(" /:\n").constData());
    }
    // Standard output holds results only: nothing for a command line that fails or a package that
    // doesn't load; with --json one JSON object for every outcome but unwritable output,
    // whatever else is said meanwhile, in the layout "format" names and with its "code".
    const bool json = row.arguments.section(u" -- "_s, 0, 0).contains(u"--json"_s);
    if ((row.status == 1 || row.status == 2) && !json)
        QCOMPARE(out, QString());
    if (json && row.status != 5) {
        const QJsonObject answer = QJsonDocument::fromJson(outBytes).object();
        QVERIFY2(outBytes.isValidUtf8() && answer.value(u"format"_s) == 1, qPrintable(out));
        QVERIFY2(QRegularExpression(u"^[A-Z]+$"_s).match(answer.value(u"code"_s).toString()).hasMatch(),
                 qPrintable(out));
        QCOMPARE(answer.value(u"code"_s) == u"OK"_s, row.status == 0);
    }
    if (m_server)
        QCOMPARE(m_server->lastRequestPath(), VersionText::versionCheckUrl().path().toUtf8());
    for (const QString &item : std::as_const(row.after))
        QTRY_VERIFY2_WITH_TIMEOUT(cell(path(item), false), qPrintable(item), 10000);
    if (const QByteArray pid = TestFiles::readFile(path(u"~/ride.pid"_s)).trimmed(); !pid.isEmpty()) {
        // Asleep: neither ended with the tool nor a zombie. Never 0 or less: that would signal
        // the whole process group, or every process.
        QVERIFY2(pid.toLongLong() > 0, pid.constData());
        QVERIFY(TestFiles::readFile(u"/proc/%1/stat"_s.arg(QString::fromLatin1(pid))).contains(") S "));
        QCOMPARE(::kill(pid_t(pid.toLongLong()), SIGTERM), 0);
    }
}

void TestCli::terminalFoundOut_data()
{
    QTest::addColumn<bool>("terminal"); // standard error: a pseudo-terminal, or else a pipe
    QTest::addColumn<QByteArray>("term");
    QTest::addColumn<bool>("found");
    QTest::newRow("standard error a terminal") << true << "xterm-256color"_ba << true;
    QTest::newRow("standard error a pipe") << false << "xterm-256color"_ba << false;
    // It shows escape sequences as they stand: a bar there would be a heap of "\e[K".
    QTest::newRow("standard error a dumb terminal") << true << "dumb"_ba << false;
}

// On the process's own streams, the tool finds out for itself whether a person watches
// standard error (and shows a bar there: the terminal rows of run).
void TestCli::terminalFoundOut()
{
    QFETCH(bool, terminal);
    QFETCH(QByteArray, term);
    QFETCH(bool, found);
    qputenv("TERM", term); // unset again by init()
    int ends[2];
    QVERIFY((terminal ? ::openpty(&ends[0], &ends[1], nullptr, nullptr, nullptr) : ::pipe2(ends, O_CLOEXEC)) == 0);
    const int saved = ::dup(STDERR_FILENO);
    QVERIFY(saved >= 0 && ::dup2(ends[1], STDERR_FILENO) == STDERR_FILENO);
    Console::useStandardStreams();
    const bool isTerminal = Console::errorIsTerminal();
    ::dup2(saved, STDERR_FILENO);
    for (const int fd : {saved, ends[0], ends[1]})
        ::close(fd);
    Console::useStandardStreams();
    QCOMPARE(isTerminal, found);
}

void TestCli::progressText_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("text");
    constexpr qint64 MiB = qint64(1) << 20;
    QTest::newRow("bytes") << qint64(12) << qint64(30) << 80 << u"[#########...............] 12 B of 30 B"_s;
    QTest::newRow("whole KiB") << qint64(1536) << qint64(4095) << 80 << u"[#########...............] 1 KiB of 3 KiB"_s;
    QTest::newRow("tenths of GiB") << 1536 * MiB << 3072 * MiB << 80
                                   << u"[############............] 1.5 GiB of 3.0 GiB"_s;
    QTest::newRow("done") << 400 * MiB << 400 * MiB << 80 << u"[########################] 400 MiB of 400 MiB"_s;
    QTest::newRow("nothing to count") << qint64(0) << qint64(0) << 80 << u"[........................] 0 B of 0 B"_s;
    // One column short of the terminal: a line that fills the last one wraps on some.
    QTest::newRow("narrow: fewer cells") << 120 * MiB << 400 * MiB << 30 << u"[##......] 120 MiB of 400 MiB"_s;
    QTest::newRow("too narrow for a bar") << 120 * MiB << 400 * MiB << 22 << u"120 MiB of 400 MiB"_s;
    QTest::newRow("too narrow for the counts") << 120 * MiB << 400 * MiB << 11 << u"120 MiB of"_s;
}

void TestCli::progressText()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(int, columns);
    QFETCH(QString, text);
    QCOMPARE(ProgressBar::text(done, total, columns), text);
}

void TestCli::stopInsideLargeFile_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("inflating"); // signalled while the entry inflates, else while it's written
    QTest::newRow("SIGINT") << SIGINT << false;
    QTest::newRow("SIGTERM") << SIGTERM << false;
    QTest::newRow("SIGHUP") << SIGHUP << false;
    // Given up before its folder is made: not a step of the install waits for the inflate.
    QTest::newRow("SIGINT while the entry inflates") << SIGINT << true;
}

// The real tool, signalled while it writes the one large file of a package: it gives that file
// up at once, says so, and exits as a shell expects of that signal.
void TestCli::stopInsideLargeFile()
{
    QFETCH(int, signal);
    QFETCH(bool, inflating);
    // Large enough that inflating and writing it take a while.
    const QString package = path(u"~/large.zcpack"_s), tracks = path(u"~/Zoomcrest/Huge"_s);
    QVERIFY(writeLarge(package, {qint64(128) << 20}));

    QProcess tool;
    tool.start(str(CRATEWRIGHT_BINARY),
               {u"install"_s, package, u"--to"_s, path(u"~/Zoomcrest"_s), u"--overwrite=always"_s});
    QVERIFY(tool.waitForStarted());
    // The entry is being inflated while a second thread runs (the tool has no other), and the
    // file is being made once the tool holds it open unnamed in the install folder, or under a
    // hidden name.
    const auto writing = [&] {
        return inflating ? QDir(u"/proc/%1/task"_s.arg(tool.processId())).count() > 3 // with "." and ".."
                         : TestFiles::writingUnder(pid_t(tool.processId()), path(u"~/Zoomcrest"_s));
    };
    while (!tool.waitForFinished(0) && !writing())
        QThread::usleep(200);
    QVERIFY2(tool.state() == QProcess::Running, "the install ended before its file was seen in progress");
    QCOMPARE(::kill(pid_t(tool.processId()), signal), 0);
    QVERIFY(tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 128 + signal);
    QVERIFY(tool.readAllStandardError().contains(InstallText::stoppedText(0, 1).toUtf8()));
    // Nothing of the file under any name, not even a hidden temporary.
    QCOMPARE(QDir(tracks).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList());
    if (inflating)
        QVERIFY2(!QFileInfo::exists(tracks), "the folder was made: the stop waited for the inflate");
}

// On a machine of 256 MiB without swap, the real tool installs 3 GiB, one file of 1.5 GiB, then
// finds each file identical in a dry run: neither holds the package nor an entry whole in
// memory. Its own disk, with room for the files and for their install again, space no other
// test wants to find missing; its image in /var/tmp, on a disk where we know of one, while /tmp
// is often tmpfs, whose pages would count against the machine's memory.
void TestCli::installOnSmallMachine()
{
    if (qEnvironmentVariableIsEmpty("CRATEWRIGHT_TEST_SMALL_MACHINE"))
        QSKIP("runs where CRATEWRIGHT_TEST_SMALL_MACHINE is set, as ctest sets it: its disk is its own, so "
              "the file system runs (scripts/test-filesystems.sh) would only repeat it");
    constexpr qint64 MiB = qint64(1) << 20, DiskSize = 7168 * MiB;
    MemoryGroup group(256 * MiB);
    if (!group.missing().isEmpty())
        QSKIP(qPrintable(group.missing()));
    struct statfs images;
    if (::statfs("/var/tmp", &images) != 0 || images.f_type == TMPFS_MAGIC
        || qint64(images.f_bavail) * images.f_bsize < DiskSize)
        QSKIP("/var/tmp is no disk with 7 GiB free for the image");
    Ext4Mount disk;
    QString error;
    if (!disk.mount(u"/var/tmp"_s, path(u"~/disk"_s), DiskSize, 1024, &error))
        QSKIP(qPrintable(error));
    const QList<qint64> sizes{1536 * MiB, 256 * MiB, 256 * MiB, 256 * MiB, 256 * MiB, 256 * MiB, 256 * MiB};
    const QString package = path(u"~/huge.zcpack"_s), to = path(u"~/disk/Zoomcrest"_s);
    QVERIFY(writeLarge(package, sizes));

    // How the tool ended in the group, and what it said. Killed by a signal: for want of memory,
    // most likely.
    const auto inGroup = [&](const QString &option, QString *said) {
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.setChildProcessModifier([&group] {
            if (!group.enter())
                ::_exit(126);
        });
        tool.start(str(CRATEWRIGHT_BINARY), {u"install"_s, package, u"--to"_s, to, option});
        tool.waitForFinished(300000);
        *said = QString::fromUtf8(tool.readAll());
        return tool.state() == QProcess::Running          ? u"still running after 5 minutes"_s
               : tool.exitStatus() == QProcess::CrashExit ? u"killed by signal %1"_s.arg(tool.exitCode())
                                                          : u"exit status %1"_s.arg(tool.exitCode());
    };
    QString said;
    const QString installed = inGroup(u"--overwrite=always"_s, &said);
    QVERIFY2(installed == u"exit status 0"_s, qPrintable(installed + u"; it said:\n"_s + said));
    for (qsizetype i = 0; i < sizes.size(); ++i)
        QVERIFY2(holdsPattern(to + u"/Huge/%1"_s.arg(i), i, sizes[i]), qPrintable(QString::number(i)));
    const QString previewed = inGroup(u"--dry-run"_s, &said);
    QVERIFY2(previewed == u"exit status 0"_s && said.contains(u": 7 identical.\n"_s),
             qPrintable(previewed + u"; it said:\n"_s + said));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
