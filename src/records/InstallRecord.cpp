// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallRecord.h"

#include "fs/InstallFolder.h"
#include "package/EntryPathRule.h"
#include "package/PackageExtractor.h"
#include "platform/FileName.h"

#include <QDir>
#include <QHash>

#include <algorithm>
#include <charconv>

namespace {

const QByteArray Magic = "zc-cratewright install record 1";
// Kept readable in a text editor: only what would break a line or a field is encoded.
const QByteArray Unencoded = " !\"#$&'()*+,-./:;<=>?@[]^_`{|}~";

// Each line's first field, as it is written and read.
namespace Tag {
constexpr char Id[] = "id", Title[] = "title", Author[] = "author", Version[] = "version", Package[] = "package",
               PackageHash[] = "packageHash", InstallBase[] = "installBase", Time[] = "time",
               InstallBaseId[] = "installBaseId", Sequence[] = "sequence";
constexpr char Folder[] = "D", File[] = "F", Found[] = "E", Original[] = "O", NotKept[] = "N", End[] = "end";
} // namespace Tag

// Whether a character stands in a field as it is: printable ASCII but the escape characters.
constexpr bool isPlain(char16_t c)
{
    return c >= u' ' && c <= u'~' && c != u'%' && c != u'\\';
}

// A field's bytes as FileName has them: a path whose name is not UTF-8 keeps its bytes, and
// all other text is UTF-8 as before.
QByteArray encoded(const QString &text)
{
    QByteArray bytes = FileName::encode(text);
    // Most paths need no encoding: spare them the encoder.
    const bool plain = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return isPlain(uchar(c)); });
    return plain ? bytes : bytes.toPercentEncoding(Unencoded);
}

// `value`'s 16 lower-case hex digits at `at`; past them.
char *hexDigits(quint64 value, char *at)
{
    for (int shift = 60; shift >= 0; shift -= 4)
        *at++ = "0123456789abcdef"[(value >> shift) & 0xf];
    return at;
}

// Copies `text` to `at` as one byte a character; false when a character needs encoding, and
// what was copied is then no field. One pass without a branch: the rare text that needs
// encoding goes through encoded() after.
bool copiedIfPlain(QStringView text, char *at)
{
    const char16_t *units = text.utf16();
    bool plain = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        plain &= isPlain(units[i]);
        at[i] = char(units[i]);
    }
    return plain;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// What encoded() wrote. Qt's decoder makes up a byte for a '%' without two hex digits after
// it: a damaged path would name another file, so such a field is refused.
bool decoded(const QByteArray &field, QString *text)
{
    for (qsizetype at = field.indexOf('%'); at >= 0; at = field.indexOf('%', at + 3)) {
        if (at + 2 >= field.size() || !isHexDigit(field.at(at + 1)) || !isHexDigit(field.at(at + 2)))
            return false;
    }
    *text = FileName::decode(QByteArray::fromPercentEncoding(field));
    return true;
}

QByteArray field(const char *tag, const QString &value)
{
    return tag + QByteArray("\t") + encoded(value) + '\n';
}

// How far the consolidation of one path's lines has come.
struct PathState
{
    enum { New, Found, Replaced } state = New;
    bool ownEarlier = false; // an earlier entry of the same install wrote it
};

// A record as read so far, and how far each of its paths has come.
struct Reading
{
    InstallRecord record;
    QHash<QString, PathState> states;
    QHash<QString, int> index; // of each path in record.files

    RecordedFile &file(const QString &path) { return record.files[index.value(path)]; }
};

using Fields = QList<QByteArray>;

// Each reads one kind of line, its fields counted already; false when one of them is damaged.

template<QString InstallRecord::*text> bool readText(Reading &reading, const Fields &fields)
{
    return decoded(fields[1], &(reading.record.*text));
}

bool readPackageHash(Reading &reading, const Fields &fields)
{
    QString hex;
    return decoded(fields[1], &hex) && ContentHash::fromHex(hex, &reading.record.packageHash);
}

bool readTime(Reading &reading, const Fields &fields)
{
    QString time;
    return decoded(fields[1], &time)
           && (reading.record.time = QDateTime::fromString(time, Qt::ISODateWithMs)).isValid();
}

bool readIdentity(Reading &reading, const Fields &fields)
{
    bool device = false, inode = false;
    reading.record.baseIdentity = FolderIdentity{fields[1].toULongLong(&device), fields[2].toULongLong(&inode)};
    return device && inode;
}

bool readSequence(Reading &reading, const Fields &fields)
{
    bool ok = false;
    reading.record.sequence = fields[1].toULongLong(&ok);
    return ok;
}

bool readFolder(Reading &reading, const Fields &fields)
{
    QString path;
    if (!decoded(fields[1], &path))
        return false;
    if (!reading.record.foldersMade.contains(path))
        reading.record.foldersMade << path;
    return true;
}

bool readFile(Reading &reading, const Fields &fields)
{
    bool sized = false;
    const qint64 size = fields[1].toLongLong(&sized);
    ContentHash hash;
    QString path;
    if (!sized || !ContentHash::fromHex(QString::fromLatin1(fields[2]), &hash) || !decoded(fields[3], &path))
        return false;
    reading.record.lastNoted = path;
    PathState &state = reading.states[path];
    if (!reading.index.contains(path)) {
        reading.index.insert(path, int(reading.record.files.size()));
        RecordedFile file;
        file.path = path;
        reading.record.files.append(file);
    } else if (state.state == PathState::Found) {
        state.state = PathState::New; // tried again after it was kept
    } else {
        state.ownEarlier = true;
    }
    reading.file(path).size = size;
    reading.file(path).hash = hash;
    return true;
}

bool readFound(Reading &reading, const Fields &fields)
{
    QString path;
    if (!decoded(fields[1], &path) || !reading.index.contains(path))
        return false;
    PathState &state = reading.states[path];
    if (state.state == PathState::New && !state.ownEarlier)
        state.state = PathState::Found;
    return true;
}

bool readOriginal(Reading &reading, const Fields &fields)
{
    ContentHash hash;
    QString path;
    if (!ContentHash::fromHex(QString::fromLatin1(fields[1]), &hash) || !decoded(fields.last(), &path)
        || !reading.index.contains(path))
        return false;
    PathState &state = reading.states[path];
    if (state.state != PathState::Found)
        return true; // what stood there was this install's own earlier file
    state.state = PathState::Replaced;
    RecordedFile &file = reading.file(path);
    file.replaced = true;
    file.original = hash;
    bool ok = false, uid = true, gid = true;
    file.originalMode = fields[2].toUInt(&ok, 8);
    if (fields.size() == 6) // else a record made before owners were kept
        file.originalOwner = FileOwner{fields[3].toUInt(&uid), fields[4].toUInt(&gid)};
    return ok && uid && gid;
}

bool readNotKept(Reading &reading, const Fields &fields)
{
    QString path;
    if (!decoded(fields[1], &path) || !reading.index.contains(path))
        return false;
    PathState &state = reading.states[path];
    if (state.state == PathState::Found) {
        state.state = PathState::Replaced;
        reading.file(path).notKept = true;
    }
    return true;
}

bool readEnd(Reading &reading, const Fields &fields)
{
    bool ok = false;
    reading.record.result = fields[1].toInt(&ok);
    return ok;
}

// The lines a record holds, by their first field.
struct LineKind
{
    const char *tag;
    qsizetype fields; // the tag among them
    bool (*read)(Reading &reading, const Fields &fields);
};

const LineKind LineKinds[] = {
    {Tag::Id, 2, readText<&InstallRecord::id>},
    {Tag::Title, 2, readText<&InstallRecord::title>},
    {Tag::Author, 2, readText<&InstallRecord::author>},
    {Tag::Version, 2, readText<&InstallRecord::version>},
    {Tag::Package, 2, readText<&InstallRecord::packageName>},
    {Tag::PackageHash, 2, readPackageHash},
    {Tag::InstallBase, 2, readText<&InstallRecord::installBase>},
    {Tag::Time, 2, readTime},
    {Tag::InstallBaseId, 3, readIdentity},
    {Tag::Sequence, 2, readSequence},
    {Tag::Folder, 2, readFolder},
    {Tag::File, 4, readFile},
    {Tag::Found, 2, readFound},
    {Tag::Original, 6, readOriginal},
    {Tag::Original, 4, readOriginal},
    {Tag::NotKept, 2, readNotKept},
    {Tag::End, 2, readEnd},
};

bool readLine(Reading &reading, const QByteArray &line)
{
    const Fields fields = line.split('\t');
    for (const LineKind &kind : LineKinds) {
        if (fields.at(0) == kind.tag && fields.size() == kind.fields)
            return kind.read(reading, fields);
    }
    return false;
}

bool liesInside(const QString &path)
{
    return !path.isEmpty() && !path.startsWith(QLatin1Char('/')) && InstallFolder::normalised(path) == path
           && !path.split(QLatin1Char('/')).contains(QStringLiteral("..")) && !path.contains(QChar(u'\0'))
           && !EntryPathRule::insideSimulatorProgram(path);
}

} // namespace

QByteArray InstallRecord::headerLines() const
{
    return Magic + '\n' + field(Tag::Id, id) + field(Tag::Title, title) + field(Tag::Author, author)
           + field(Tag::Version, version) + field(Tag::Package, packageName)
           + field(Tag::PackageHash, packageHash.toHex()) + field(Tag::InstallBase, installBase)
           + field(Tag::Time, time.toString(Qt::ISODateWithMs))
           + (baseIdentity ? Tag::InstallBaseId + QByteArray("\t") + QByteArray::number(baseIdentity->device) + '\t'
                                 + QByteArray::number(baseIdentity->inode) + '\n'
                           : QByteArray())
           + (sequence ? Tag::Sequence + QByteArray("\t") + QByteArray::number(*sequence) + '\n' : QByteArray());
}

QByteArray InstallRecord::folderLine(const QString &path)
{
    return field(Tag::Folder, path);
}

QByteArray InstallRecord::fileLine(const QString &path, qint64 size, const ContentHash &hash)
{
    QByteArray line;
    appendFileLine(&line, path, size, hash);
    return line;
}

void InstallRecord::appendFileLine(QByteArray *line, const QString &path, qint64 size, const ContentHash &hash)
{
    // An install makes one of these per file: written straight into the line's space, with no
    // text made on the way, so that a record costs little beside a tiny file's write.
    const qsizetype start = line->size();
    line->resize(start + qsizetype(sizeof Tag::File) + 20 + 1 + 32 + 1 + path.size() + 1);
    char *at = line->data() + start;
    at = std::copy_n(Tag::File, sizeof Tag::File - 1, at);
    *at++ = '\t';
    at = std::to_chars(at, at + 20, size).ptr;
    *at++ = '\t';
    at = hexDigits(hash.low, hexDigits(hash.high, at));
    *at++ = '\t';
    if (copiedIfPlain(path, at)) {
        at[path.size()] = '\n';
        line->truncate(at + path.size() + 1 - line->constData());
        return;
    }
    // A name that needs more than its own characters, as rare as it is slow.
    line->truncate(at - line->constData());
    line->append(encoded(path)).append('\n');
}

QByteArray InstallRecord::foundLine(const QString &path)
{
    return field(Tag::Found, path);
}

QByteArray InstallRecord::originalLine(const QString &path, const ContentHash &hash, uint mode,
                                       const std::optional<FileOwner> &owner)
{
    const QByteArray owned = owner ? QByteArray::number(owner->uid) + '\t' + QByteArray::number(owner->gid) + '\t'
                                   : QByteArray();
    return QByteArray(Tag::Original) + '\t' + hash.hexBytes() + '\t' + QByteArray::number(mode, 8) + '\t' + owned
           + encoded(path) + '\n';
}

QByteArray InstallRecord::notKeptLine(const QString &path)
{
    return field(Tag::NotKept, path);
}

QByteArray InstallRecord::endLine(int code)
{
    return QByteArray(Tag::End) + '\t' + QByteArray::number(code) + '\n';
}

QByteArray InstallRecord::serialized() const
{
    QByteArray text = headerLines();
    for (const QString &folder : foldersMade)
        text += folderLine(folder);
    for (const RecordedFile &file : files) {
        text += fileLine(file.path, file.size, file.hash);
        if (file.replaced)
            text += foundLine(file.path)
                    + originalLine(file.path, file.original, file.originalMode, file.originalOwner);
        else if (file.notKept)
            text += foundLine(file.path) + notKeptLine(file.path);
    }
    if (result)
        text += endLine(*result);
    return text;
}

bool InstallRecord::parse(const QByteArray &text, InstallRecord *record, QString *error)
{
    QList<QByteArray> lines = text.split('\n');
    // A final line without its line feed was being written when the install was killed.
    lines.removeLast();
    if (lines.value(0) != Magic) {
        *error = QStringLiteral("not an install record");
        return false;
    }
    Reading reading;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!readLine(reading, lines.at(i))) {
            *error = QStringLiteral("line %1 cannot be read").arg(i + 1);
            return false;
        }
    }
    InstallRecord &parsed = reading.record;
    // A file found there and kept, not replaced, is no part of the install.
    parsed.files.removeIf(
        [&reading](const RecordedFile &file) { return reading.states.value(file.path).state == PathState::Found; });
    if (parsed.id.isEmpty() || parsed.installBase.isEmpty() || !parsed.time.isValid()) {
        *error = QStringLiteral("its header is incomplete");
        return false;
    }
    *record = parsed;
    return true;
}

QString InstallRecord::trackFile() const
{
    for (auto file = files.crbegin(); file != files.crend(); ++file)
        if (PackageExtractor::carriesTrackFileMark(file->path))
            return file->path;
    return QString();
}

QString InstallRecord::pathOutside() const
{
    if (!QDir::isAbsolutePath(installBase) || QDir::cleanPath(installBase) != installBase)
        return installBase;
    for (const QString &folder : foldersMade) {
        if (!liesInside(folder))
            return folder;
    }
    for (const RecordedFile &file : files) {
        if (!liesInside(file.path))
            return file.path;
    }
    return QString();
}

QHash<QString, int> InstallRecord::fileIndex() const
{
    QHash<QString, int> index;
    index.reserve(files.size());
    for (int i = int(files.size()) - 1; i >= 0; --i) // the first of a path, as a search would find
        index.insert(files.at(i).path, i);
    return index;
}

bool InstallRecord::isLaterThan(const InstallRecord &other) const
{
    if (sequence.has_value() != other.sequence.has_value())
        return sequence.has_value();
    if (sequence && *sequence != *other.sequence)
        return *sequence > *other.sequence;
    return time != other.time ? time > other.time : id > other.id;
}

bool InstallRecord::sharesFolderWith(const InstallRecord &other) const
{
    return installBase == other.installBase
           && (!baseIdentity || !other.baseIdentity || baseIdentity->sameFolder(*other.baseIdentity, true));
}
