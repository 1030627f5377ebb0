// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PathProbe.h"

#include "platform/FileName.h"

#include <sys/stat.h>

namespace PathProbe {

Kind kindAt(const QByteArray &encodedPath)
{
    struct stat info;
    if (encodedPath.isEmpty() || ::stat(encodedPath.constData(), &info) != 0)
        return Kind::Nothing;
    return S_ISDIR(info.st_mode) ? Kind::Folder : Kind::Other;
}

Kind kindAt(const QString &path)
{
    return kindAt(FileName::encode(path));
}

} // namespace PathProbe
