#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Small file helpers shared by the tests.
namespace TestFiles {
QByteArray readFile(const QString &path);
// Writes (or replaces) the file, making the folders on the way; true when every byte was
// written.
bool writeFile(const QString &path, const QByteArray &bytes);
// Everything under `folder`, files and folders, as sorted relative paths.
QStringList everythingUnder(const QString &folder);
} // namespace TestFiles
