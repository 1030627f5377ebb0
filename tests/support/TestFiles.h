// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <utility>
#include <sys/types.h>

// Files and folder trees for tests, made and read back in one notation, one line per thing
// ("Tracks/", "data=hello", "x -> ../victim", "pipe (fifo)"): see "Tree lines" in
// CONTRIBUTING.md. On a file system that keeps no modes (FAT, exFAT, NTFS without
// permissions), whatever its mount options show is no mode of anything and is left out.
namespace TestFiles {

// The tables' cells: a literal is UTF-8; a list may mix literals and QStrings.
inline QString str(const char *text)
{
    return QString::fromUtf8(text);
}
inline QString str(const QString &text)
{
    return text;
}
template<typename... T> QStringList L(const T &...items)
{
    return {str(items)...};
}

QByteArray readFile(const QString &path);
// Writes (or replaces) the file, making the folders on the way; true when every byte was
// written.
bool writeFile(const QString &path, const QByteArray &bytes);

// The line describeTree() gives a file holding `content`.
QString fileLine(const QString &relativePath, const QByteArray &content);
// Everything under `root`, sorted.
QStringList describeTree(const QString &root);

// A temporary folder made from lines. Mounts and owners need root (needsRoot()); mounts go with
// the tree, and so does every name in it, also those QTemporaryDir can't remove (not UTF-8).
// Tests run with umask 0. A line with an attribute it doesn't know fails make(), saying so.
class Tree
{
public:
    // In the system's temporary folder, or where `templatePath` says (as QTemporaryDir has it).
    Tree() = default;
    explicit Tree(const QString &templatePath)
        : m_dir(templatePath)
    {
    }
    ~Tree();
    bool make(const QStringList &lines);
    // After make() failed: why the file system the tree is on can't hold a line (no named
    // pipes, no symbolic links, no modes or owners kept), for the test to skip; empty when it
    // failed for another reason.
    QString unsupported() const { return m_unsupported; }
    QString path(const QString &relative = QString()) const;
    QStringList describe() const { return describeTree(m_dir.path()); }
    static bool needsRoot(const QStringList &lines);

private:
    bool makeLine(QString line);

    QTemporaryDir m_dir;
    QStringList m_mounts;
    QString m_unsupported;
};

// Whether the file system holding `folder` keeps the modes it is given.
bool keepsModes(const QString &folder);
// Whether the file system holding `folder` takes names that are not UTF-8: NTFS, exFAT and FAT
// keep names as UTF-16 and refuse them.
bool takesAnyName(const QString &folder);
// Whether `text` holds bytes of a name that are not UTF-8 (as FileName keeps them).
bool holdsBytesNotUtf8(const QString &text);
// Whether an install killed mid-write into `path` may leave a hidden temporary
// (".cratewright-…") behind: where the file system has no unnamed files (O_TMPFILE), or the
// kernel can't give one a name.
bool killMayLeaveHidden(const QString &path);
// `lines` less those of hidden temporaries.
QStringList withoutHidden(QStringList lines);
// A tree as describe() gives it and the tree a table wants, as two texts to compare: "=" alone
// stands for `made`; a line "X ?" may be missing (X is taken out of both); "A | B" is either.
std::pair<QString, QString> treeTexts(QStringList actual, const QStringList &wanted, const QStringList &made = {});

// Runs `body` in a child process, for limits and signals that must not reach the test. The
// test runs `meanwhile` with the child's id, then waits for it. Returns what `body` returned
// (from -128 to 127), or KilledBy plus the signal that ended the child.
constexpr int KilledBy = 1000;
int runInChild(const std::function<int()> &body, const std::function<void(pid_t)> &meanwhile = {});
// Whether the process `child` holds open a regular file under `folder`, named or not: a file
// being written.
bool writingUnder(pid_t child, const QString &folder);
// Runs `install` in a child that is killed outright once it has called `fileDone` and is
// writing a file under `folder`, or once it has called it twice or ended; returns as
// runInChild().
int killWhileWriting(const QString &folder, const std::function<void(const std::function<void()> &fileDone)> &install);

} // namespace TestFiles
