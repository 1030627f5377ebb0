#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// What one run of `cratewright` left behind.
struct CliResult
{
    bool finished = false; // started and ended by itself, and its output came to an end
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

// Runs the real `cratewright` binary with HOME and XDG_CONFIG_HOME in a fresh temporary folder,
// so each runner has a settings store of its own. The calling thread's event loop keeps
// running while the tool runs, so a server in the test can answer it.
class CliRunner
{
public:
    CliRunner();

    bool isValid() const { return m_home.isValid(); }
    // A scratch folder that the tool also starts in, unless told otherwise.
    QString home() const { return m_home.path(); }
    // The settings file that the tool and the desktop program share.
    QString settingsFile() const;

    void setEnvironment(const QString &name, const QString &value) { m_environment.insert(name, value); }
    void setWorkingDirectory(const QString &path) { m_workingDirectory = path; }
    // Sends the tool's standard output or error to a file (a full device, say) instead.
    void setOutputFiles(const QString &out, const QString &err) { m_outFile = out; m_errFile = err; }

    // Runs the tool; `input` is its whole standard input, which is then closed.
    CliResult run(const QStringList &arguments, const QByteArray &input = QByteArray()) const;

private:
    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
    QString m_workingDirectory;
    QString m_outFile, m_errFile;
};
