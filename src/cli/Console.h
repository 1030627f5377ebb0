// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QIODevice>
#include <QJsonObject>
#include <QString>

#include <optional>

// Where the command-line tool writes its output and its messages and reads its answers: the
// process's standard streams, or devices that a test installs, so that the whole tool runs
// inside a test. Every call writes its text at once, so lines from the tool, from the log and
// from prompts keep their order.
namespace Console {

// A file descriptor as a device, without buffering of its own, so that nothing waits in the
// process when it ends or when a log line is written beside the tool's output. A read is never
// retried after a signal: a stop signal must end the wait for an answer.
class FileDescriptorDevice : public QIODevice
{
public:
    FileDescriptorDevice(int fd, OpenMode mode);
    bool isSequential() const override { return true; }
    bool isTerminal() const;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    int m_fd;
};

// Reads answers from `input` and writes to `output` and `error` (open devices, not owned);
// `errorIsTerminal` says whether a person watches `error` as it is written.
void setDevices(QIODevice *input, QIODevice *output, QIODevice *error, bool errorIsTerminal = false);
// Standard input, output and error, which are also used until anything else is set.
void useStandardStreams();

// How much the tool says beyond its results, errors and questions: nothing (--quiet), what it
// did, or that and the log lines (--verbose).
enum class Verbosity { Quiet, Normal, Verbose };
void setVerbosity(Verbosity verbosity);
Verbosity verbosity();

// The text and a line feed. A path that FileName decoded is written with its own bytes, so
// that a name that is not UTF-8 can be used again as the tool printed it.
void out(const QString &text);
void err(const QString &text);
// The text as it stands, for a prompt that waits on the same line.
void errInline(const QString &text);
// A runtime error as coreutils and git print theirs: each line of `text` (its blank lines
// left out) after "cratewright: ", so that it stands out in a script's log and says who speaks.
void failure(const QString &text);
// One JSON object, laid out, as out() writes it. JSON has no room for a name's bytes that are
// not UTF-8 (Qt would write them as lone surrogates, "\udce9", which strict readers refuse):
// the output stays valid UTF-8, and each such byte shows as U+FFFD.
void outJson(const QJsonObject &object);
// What the tool did or is doing, as out() and err() write it, unless it was asked to be quiet.
void note(const QString &text);
void errNote(const QString &text);

// A line on the error device that the next one replaces in place, such as a progress bar; any
// other text first wipes it, so that nothing is written into it.
void showStatus(const QString &text);
void clearStatus();

// One line of input without its line feed; nothing once the input has ended, or when a
// signal broke off the wait for it.
std::optional<QString> readLine();
// Everything left on the input, for a package read from standard input ("-"); nothing when
// reading it failed.
std::optional<QByteArray> readAll();

// Whether everything written since the devices were installed arrived.
bool allWritten();
// Says on the error device which one could not be written and why, if it still takes text.
void reportWriteFailure();

// Whether a person watches the error device on a terminal that takes escape sequences: not
// under TERM=dumb, where "\r\e[K" would show as it stands.
bool errorIsTerminal();
bool inputIsTerminal();

} // namespace Console
