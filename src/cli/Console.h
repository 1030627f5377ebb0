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

// Whether everything written so far reached standard output and standard error, also what
// went there through stdio from elsewhere (log lines).
bool allWritten();
// Says on standard error which stream could not be written and why, if it still takes text.
void reportWriteFailure();

bool stderrIsTerminal();
bool stdinIsTerminal();

} // namespace Console
