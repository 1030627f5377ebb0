#pragma once

#include <QString>

// Developer traces: one line per call to the system log and to standard error.
namespace SystemLog {
// Line breaks inside `line` are written as \n and \r, other control characters as U+FFFD.
QString oneLine(const QString &line);
void write(const QString &line);
}
