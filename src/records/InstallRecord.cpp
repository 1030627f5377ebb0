// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "InstallRecord.h"

#include "fs/InstallFolder.h"
#include "platform/FileName.h"

#include <QDir>
#include <QHash>

#include <algorithm>

namespace {

const QByteArray Magic = "zc-cratewright install record 1";
// Kept readable in a text editor: only what would break a line or a field is encoded.
const QByteArray Unencoded = " !\"#$&'()*+,-./:;<=>?@[]^_`{|}~";

// A field's bytes as FileName has them: a path whose name is not UTF-8 keeps its bytes, and
// all other text is UTF-8 as before.
QByteArray encoded(const QString &text)
{
    QByteArray bytes = FileName::encode(text);
    // Most paths need no encoding: spare them the encoder, which an install calls per file.
    const bool plain = std::all_of(bytes.cbegin(), bytes.cend(),
                                   [](char c) { return c >= ' ' && c <= '~' && c != '%' && c != '\\'; });
    return plain ? bytes : bytes.toPercentEncoding(Unencoded);
}

QString decoded(const QByteArray &field)
{
    return FileName::decode(QByteArray::fromPercentEncoding(field));
}

QByteArray field(const char *name, const QString &value)
{
    return name + QByteArray("\t") + encoded(value) + '\n';
}

// How far the consolidation of one path's lines has come.
struct PathState
{
    enum { New, Found, Replaced } state = New;
    bool ownEarlier = false; // an earlier entry of the same install wrote it
};

bool insideProgramFolder(const QString &path)
{
    return path.startsWith(QLatin1String("ZoomcrestSimulator.app/Contents/MacOS/"));
}

bool liesInside(const QString &path)
{
    return !path.isEmpty() && !path.startsWith(QLatin1Char('/')) && InstallFolder::normalised(path) == path
           && !path.split(QLatin1Char('/')).contains(QStringLiteral("..")) && !path.contains(QChar(u'\0'))
           && !insideProgramFolder(path);
}

} // namespace

QByteArray InstallRecord::headerLines() const
{
    return Magic + '\n' + field("id", id) + field("title", title) + field("author", author) + field("version", version)
           + field("package", packageName) + field("packageHash", packageHash.toHex())
           + field("installBase", installBase) + field("time", time.toString(Qt::ISODateWithMs));
}

QByteArray InstallRecord::folderLine(const QString &path)
{
    return "D\t" + encoded(path) + '\n';
}

QByteArray InstallRecord::fileLine(const QString &path, qint64 size, const ContentHash &hash)
{
    // Built in place: an install makes one of these per file.
    const QByteArray name = encoded(path);
    QByteArray line;
    line.reserve(name.size() + 60);
    line.append("F\t").append(QByteArray::number(size)).append('\t').append(hash.hexBytes()).append('\t');
    return line.append(name).append('\n');
}

QByteArray InstallRecord::foundLine(const QString &path)
{
    return "E\t" + encoded(path) + '\n';
}

QByteArray InstallRecord::originalLine(const QString &path, const ContentHash &hash, uint mode)
{
    return "O\t" + hash.hexBytes() + '\t' + QByteArray::number(mode, 8) + '\t' + encoded(path) + '\n';
}

QByteArray InstallRecord::notKeptLine(const QString &path)
{
    return "N\t" + encoded(path) + '\n';
}

QByteArray InstallRecord::endLine(int code)
{
    return "end\t" + QByteArray::number(code) + '\n';
}

QByteArray InstallRecord::serialized() const
{
    QByteArray text = headerLines();
    for (const QString &folder : foldersMade)
        text += folderLine(folder);
    for (const RecordedFile &file : files) {
        text += fileLine(file.path, file.size, file.hash);
        if (file.replaced)
            text += foundLine(file.path) + originalLine(file.path, file.original, file.originalMode);
        else if (file.notKept)
            text += foundLine(file.path) + notKeptLine(file.path);
    }
    if (result)
        text += endLine(*result);
    return text;
}

bool InstallRecord::parse(const QByteArray &text, InstallRecord *record, QString *error)
{
    InstallRecord parsed;
    QList<QByteArray> lines = text.split('\n');
    // A final line without its line feed was being written when the install was killed.
    lines.removeLast();
    if (lines.value(0) != Magic) {
        *error = QStringLiteral("not an install record");
        return false;
    }
    QHash<QString, PathState> states;
    QHash<QString, int> index;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines.at(i).split('\t');
        const QByteArray &kind = f.at(0);
        bool ok = true;
        ContentHash hash;
        if (f.size() == 2 && kind == "id")
            parsed.id = decoded(f[1]);
        else if (f.size() == 2 && kind == "title")
            parsed.title = decoded(f[1]);
        else if (f.size() == 2 && kind == "author")
            parsed.author = decoded(f[1]);
        else if (f.size() == 2 && kind == "version")
            parsed.version = decoded(f[1]);
        else if (f.size() == 2 && kind == "package")
            parsed.packageName = decoded(f[1]);
        else if (f.size() == 2 && kind == "packageHash")
            ok = ContentHash::fromHex(decoded(f[1]), &parsed.packageHash);
        else if (f.size() == 2 && kind == "installBase")
            parsed.installBase = decoded(f[1]);
        else if (f.size() == 2 && kind == "time")
            ok = (parsed.time = QDateTime::fromString(decoded(f[1]), Qt::ISODateWithMs)).isValid();
        else if (f.size() == 2 && kind == "end")
            parsed.result = f[1].toInt(&ok);
        else if (f.size() == 2 && kind == "D") {
            if (!parsed.foldersMade.contains(decoded(f[1])))
                parsed.foldersMade << decoded(f[1]);
        } else if (f.size() == 4 && kind == "F" && ContentHash::fromHex(QString::fromLatin1(f[2]), &hash)) {
            const QString path = decoded(f[3]);
            const qint64 size = f[1].toLongLong(&ok);
            PathState &state = states[path];
            if (!index.contains(path)) {
                index.insert(path, int(parsed.files.size()));
                RecordedFile file;
                file.path = path;
                parsed.files.append(file);
            } else if (state.state == PathState::Found) {
                state.state = PathState::New; // tried again after it was kept
            } else {
                state.ownEarlier = true;
            }
            parsed.files[index[path]].size = size;
            parsed.files[index[path]].hash = hash;
        } else if (f.size() == 2 && kind == "E") {
            PathState &state = states[decoded(f[1])];
            ok = index.contains(decoded(f[1]));
            if (state.state == PathState::New && !state.ownEarlier)
                state.state = PathState::Found;
        } else if (f.size() == 4 && kind == "O" && ContentHash::fromHex(QString::fromLatin1(f[1]), &hash)) {
            const QString path = decoded(f[3]);
            PathState &state = states[path];
            ok = index.contains(path);
            if (ok && state.state == PathState::Found) {
                state.state = PathState::Replaced;
                RecordedFile &file = parsed.files[index[path]];
                file.replaced = true;
                file.original = hash;
                file.originalMode = f[2].toUInt(&ok, 8);
            }
        } else if (f.size() == 2 && kind == "N") {
            const QString path = decoded(f[1]);
            PathState &state = states[path];
            ok = index.contains(path);
            if (ok && state.state == PathState::Found) {
                state.state = PathState::Replaced;
                parsed.files[index[path]].notKept = true;
            }
        } else {
            ok = false;
        }
        if (!ok) {
            *error = QStringLiteral("line %1 cannot be read").arg(i + 1);
            return false;
        }
    }
    QList<RecordedFile> files;
    for (const RecordedFile &file : std::as_const(parsed.files)) {
        if (states.value(file.path).state != PathState::Found)
            files.append(file);
    }
    parsed.files = files;
    if (parsed.id.isEmpty() || parsed.installBase.isEmpty() || !parsed.time.isValid()) {
        *error = QStringLiteral("its header is incomplete");
        return false;
    }
    *record = parsed;
    return true;
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

int InstallRecord::fileIndex(const QString &path) const
{
    for (int i = 0; i < files.size(); ++i) {
        if (files.at(i).path == path)
            return i;
    }
    return -1;
}

bool InstallRecord::isLaterThan(const InstallRecord &other) const
{
    return time != other.time ? time > other.time : id > other.id;
}
