#pragma once

#include <QString>

// Developer traces: one line per call to the system log and to standard error.
namespace SystemLog {
void write(const QString &line);
}
