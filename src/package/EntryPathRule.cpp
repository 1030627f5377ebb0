// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EntryPathRule.h"

#include "fs/InstallFolder.h"
#include "platform/FileName.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace {

const QString SimulatorProgramFolder = QStringLiteral("ZoomcrestSimulator.app/Contents/MacOS/");

// No file system call takes a longer path, and deeper paths would make the checks before
// writing cost more than the install.
bool tooLong(const QString &installBase, const QString &relativePath)
{
    // A UTF-16 unit takes at most three bytes: most paths need no encoding to tell.
    if ((installBase.size() + 1 + relativePath.size()) * 3 < PATH_MAX)
        return false;
    return FileName::encode(installBase).size() + 1 + FileName::encode(relativePath).size() >= PATH_MAX;
}

long longestName(const QString &installBase)
{
    const long longest = ::pathconf(FileName::encode(installBase).constData(), _PC_NAME_MAX);
    return longest > 0 ? longest : NAME_MAX;
}

// A component the file system can't take would fail part way, after other files were written.
bool nameTooLong(const QString &relativePath, long longest)
{
    if (relativePath.size() * 3 <= longest)
        return false; // the common case: no component can be that long
    const QStringList components = relativePath.split(QLatin1Char('/'));
    return std::any_of(components.cbegin(), components.cend(),
                       [longest](const QString &name) { return FileName::encode(name).size() > longest; });
}

bool climbsOut(const QString &relativePath)
{
    if (!relativePath.contains(QLatin1String("..")))
        return false; // the common case, without splitting the path
    return relativePath.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

// The file system would cut a name at its first NUL, so the file written would not be the
// one that was checked.
bool holdsNul(const QString &relativePath)
{
    return relativePath.contains(QChar(u'\0'));
}

} // namespace

EntryPathRule::EntryPathRule(const QString &installBase)
    : m_installBase(installBase)
    , m_longestName(longestName(installBase))
{
}

bool EntryPathRule::insideSimulatorProgram(const QString &relativePath)
{
    if (!relativePath.contains(QLatin1String("ZoomcrestSimulator.app")))
        return false; // the common case, without normalising the path
    return InstallFolder::normalised(relativePath).startsWith(SimulatorProgramFolder);
}

InstallOutcome::Refusal EntryPathRule::judge(const QString &relPath, const QString &relFilePath) const
{
    using Refusal = InstallOutcome::Refusal;
    if (climbsOut(relPath) || climbsOut(relFilePath))
        return Refusal::OutsideFolder;
    if (holdsNul(relFilePath))
        return Refusal::NulCharacter;
    if (insideSimulatorProgram(relFilePath))
        return Refusal::SimulatorProgram;
    if (tooLong(m_installBase, relFilePath))
        return Refusal::PathTooLong;
    if (nameTooLong(relFilePath, m_longestName))
        return Refusal::NameTooLong;
    return Refusal::None;
}
