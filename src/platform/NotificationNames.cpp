#include "NotificationNames.h"

const QString PreferencesDidGetSaved = QStringLiteral("preferencesDidGetSaved");
const QString InstallPathIsNewlyBlessed = QStringLiteral("installPathIsNewlyBlessed");
