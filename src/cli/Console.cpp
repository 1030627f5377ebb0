// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Console.h"

#include "platform/FileName.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <memory>
#include <unistd.h>

namespace Console {

FileDescriptorDevice::FileDescriptorDevice(int fd, OpenMode mode)
    : m_fd(fd)
{
    open(mode | QIODevice::Unbuffered);
}

bool FileDescriptorDevice::isTerminal() const
{
    return ::isatty(m_fd) == 1;
}

qint64 FileDescriptorDevice::readData(char *data, qint64 maxSize)
{
    const ssize_t count = ::read(m_fd, data, size_t(maxSize));
    if (count < 0)
        setErrorString(qt_error_string(errno));
    return count > 0 ? count : -1;
}

qint64 FileDescriptorDevice::writeData(const char *data, qint64 size)
{
    qint64 written = 0;
    while (written < size) {
        const ssize_t count = ::write(m_fd, data + written, size_t(size - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            setErrorString(qt_error_string(errno));
            return -1;
        }
        written += count;
    }
    return written;
}

namespace {

bool installed = false;
QIODevice *input = nullptr;
QIODevice *output = nullptr;
QIODevice *error = nullptr;
bool errorTerminal = false;
Verbosity currentVerbosity = Verbosity::Normal;
bool statusShown = false;
std::unique_ptr<FileDescriptorDevice> standardStreams[3];

// The first device that failed to take a write, and why.
QIODevice *failedDevice = nullptr;
QString failureReason;

void ensureInstalled()
{
    if (!installed)
        useStandardStreams();
}

bool isTerminal(const QIODevice *device)
{
    const auto *stream = dynamic_cast<const FileDescriptorDevice *>(device);
    return stream && stream->isTerminal();
}

void writeBytes(QIODevice *device, const QByteArray &bytes)
{
    if (device->write(bytes) != bytes.size() && !failedDevice) {
        failedDevice = device;
        failureReason = device->errorString();
    }
}

// Back to the start of the line, and everything up to its end erased.
const QByteArray WipeLine = QByteArrayLiteral("\r\x1b[K");

void write(QIODevice *device, const QString &text)
{
    // Standard output may share the terminal with the status line, so it is wiped for both.
    if (statusShown) {
        statusShown = false;
        writeBytes(error, WipeLine);
    }
    writeBytes(device, FileName::encode(text));
}

QJsonValue asText(const QJsonValue &value)
{
    if (value.isString())
        return FileName::asText(value.toString());
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue &item : value.toArray())
            array.append(asText(item));
        return array;
    }
    if (value.isObject()) {
        QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            *it = asText(*it);
        return object;
    }
    return value;
}

} // namespace

void setDevices(QIODevice *in, QIODevice *out, QIODevice *err, bool errIsTerminal)
{
    installed = true;
    input = in;
    output = out;
    error = err;
    errorTerminal = errIsTerminal;
    statusShown = false;
    failedDevice = nullptr;
    failureReason.clear();
}

void useStandardStreams()
{
    if (!standardStreams[0]) {
        standardStreams[0] = std::make_unique<FileDescriptorDevice>(STDIN_FILENO, QIODevice::ReadOnly);
        standardStreams[1] = std::make_unique<FileDescriptorDevice>(STDOUT_FILENO, QIODevice::WriteOnly);
        standardStreams[2] = std::make_unique<FileDescriptorDevice>(STDERR_FILENO, QIODevice::WriteOnly);
    }
    setDevices(standardStreams[0].get(), standardStreams[1].get(), standardStreams[2].get(),
               standardStreams[2]->isTerminal() && qgetenv("TERM") != "dumb");
}

void setVerbosity(Verbosity verbosity)
{
    currentVerbosity = verbosity;
}

Verbosity verbosity()
{
    return currentVerbosity;
}

void out(const QString &text)
{
    ensureInstalled();
    write(output, text + QLatin1Char('\n'));
}

void outJson(const QJsonObject &object)
{
    const QJsonDocument document(asText(object).toObject());
    out(QString::fromUtf8(document.toJson(QJsonDocument::Indented)).trimmed());
}

void err(const QString &text)
{
    ensureInstalled();
    write(error, text + QLatin1Char('\n'));
}

void errInline(const QString &text)
{
    ensureInstalled();
    write(error, text);
}

void failure(const QString &text)
{
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        err(QStringLiteral("cratewright: ") + line);
}

void note(const QString &text)
{
    if (currentVerbosity != Verbosity::Quiet)
        out(text);
}

void errNote(const QString &text)
{
    if (currentVerbosity != Verbosity::Quiet)
        err(text);
}

void showStatus(const QString &text)
{
    ensureInstalled();
    // Written whole in one call, so that the terminal never shows a half-drawn line.
    writeBytes(error, WipeLine + FileName::encode(text));
    statusShown = true;
}

void clearStatus()
{
    ensureInstalled();
    if (statusShown)
        write(error, QString());
}

std::optional<QString> readLine()
{
    ensureInstalled();
    // A byte at a time, so that nothing after the line is taken from a shared input.
    QByteArray line;
    char c = 0;
    while (input->getChar(&c)) {
        if (c == '\n')
            return QString::fromLocal8Bit(line);
        line += c;
    }
    if (line.isEmpty())
        return std::nullopt;
    return QString::fromLocal8Bit(line);
}

std::optional<QByteArray> readAll()
{
    ensureInstalled();
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        // The device ends a read at the end of input and at a failure alike; only a failure
        // sets errno.
        errno = 0;
        const qint64 count = input->read(buffer, sizeof buffer);
        if (count <= 0)
            return errno == 0 ? std::optional(bytes) : std::nullopt;
        bytes.append(buffer, count);
    }
}

bool allWritten()
{
    return failedDevice == nullptr;
}

void reportWriteFailure()
{
    if (!failedDevice)
        return;
    const QString name = failedDevice == output ? QCoreApplication::translate("Console", "standard output")
                                                : QCoreApplication::translate("Console", "standard error");
    err(QCoreApplication::translate("Console", "cratewright: could not write to %1: %2").arg(name, failureReason));
}

bool errorIsTerminal()
{
    ensureInstalled();
    return errorTerminal;
}

bool inputIsTerminal()
{
    ensureInstalled();
    return isTerminal(input);
}

} // namespace Console
