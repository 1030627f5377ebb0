#include "ZLibCompFileMetaData.h"

void ZLibCompFileMetaData::setRelPath(const QString &relPath)
{
    m_relPath = relPath;
    m_relPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
}
