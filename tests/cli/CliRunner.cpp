#include "CliRunner.h"

#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

CliRunner::CliRunner()
    : m_environment(QProcessEnvironment::systemEnvironment())
{
    m_environment.insert(QStringLiteral("HOME"), m_home.path());
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path() + QStringLiteral("/config"));
    m_environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    // Nothing here may reach the real site; the version check tests point this at their own
    // server, everyone else at a port where nobody listens.
    m_environment.insert(QStringLiteral("CRATEWRIGHT_SITE"), QStringLiteral("http://127.0.0.1:9"));
    for (const char *proxy : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                              "ALL_PROXY", "no_proxy", "NO_PROXY"})
        m_environment.remove(QString::fromLatin1(proxy));
    m_workingDirectory = m_home.path();
}

QString CliRunner::settingsFile() const
{
    return m_home.path() + QStringLiteral("/config/zc-cratewright/zc-cratewright.conf");
}

CliResult CliRunner::run(const QStringList &arguments, const QByteArray &input) const
{
    CliResult result;
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.setWorkingDirectory(m_workingDirectory);
    // Standard output is read as `$(cratewright ...)` reads it: through a pipe that ends only
    // once every process that holds it (a simulator that --ride started, say) has let it go.
    QProcess output;
    if (!m_outFile.isEmpty())
        process.setStandardOutputFile(m_outFile);
    else
        process.setStandardOutputProcess(&output);
    if (!m_errFile.isEmpty())
        process.setStandardErrorFile(m_errFile);

    QEventLoop loop;
    const auto quitWhenBothEnded = [&] {
        if (process.state() == QProcess::NotRunning && output.state() == QProcess::NotRunning)
            loop.quit();
    };
    QObject::connect(&process, &QProcess::finished, &loop, quitWhenBothEnded);
    QObject::connect(&output, &QProcess::finished, &loop, quitWhenBothEnded);
    process.start(QStringLiteral(CRATEWRIGHT_BINARY), arguments);
    if (m_outFile.isEmpty())
        output.start(QStringLiteral("cat"), QStringList());
    if (!process.waitForStarted() || (m_outFile.isEmpty() && !output.waitForStarted()))
        return result;
    process.write(input);
    process.closeWriteChannel();

    // Only a guard against a tool that hangs (waiting for input, say) or output that never
    // ends: the test then fails here instead of at the CTest time limit.
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning || output.state() != QProcess::NotRunning)
        loop.exec();
    if (process.state() != QProcess::NotRunning || output.state() != QProcess::NotRunning) {
        for (QProcess *stuck : {&process, &output}) {
            stuck->kill();
            stuck->waitForFinished();
        }
        return result;
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = output.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
