#pragma once

#include <QString>

// Standard output and standard error for the command-line tool. Every call writes its text
// at once, so lines from the tool, from the system log and from prompts keep their order.
namespace Console {

// The text and a line feed.
void out(const QString &text);
void err(const QString &text);
// The text as it stands, for a prompt that waits on the same line.
void errInline(const QString &text);

bool stderrIsTerminal();
bool stdinIsTerminal();

} // namespace Console
