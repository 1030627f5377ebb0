#include "GuiTestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

GuiTestEnvironment::GuiTestEnvironment()
{
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    QCoreApplication::setOrganizationName(QStringLiteral("zc-cratewright-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("zc-cratewright-tests"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
}

void GuiTestEnvironment::clearSettings()
{
    QSettings settings;
    settings.clear();
    settings.sync();
}
