#include "tests/e2e/sim_process.h"
#include "tests/support/programs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <stdexcept>

SimProcess::SimProcess(const QString& configDir, int com, const QStringList& options, bool counting)
{
    statsFile_ = QDir(configDir).filePath(QString("sim-stats-%1.txt").arg(com));
    logFile_ = QDir(configDir).filePath(QString("sim-log-%1.txt").arg(com));
    QFile::remove(statsFile_);
    // A file, not a pipe: nobody reads a pipe while a download holds the test's thread.
    process_.setStandardErrorFile(logFile_);
    QStringList args = {"--com", QString::number(com)};
    if (counting)
        args << "--stats" << statsFile_;
    startProgram(process_, AUXPAD_SIM_EXE, args + options + paceOptions(), {"XDG_CONFIG_HOME=" + configDir});
    if (!process_.waitForStarted(5000))
        throw std::runtime_error("auxpad-sim did not start");
    QElapsedTimer t;
    t.start();
    while (!process_.canReadLine() && t.elapsed() < 5000)
        process_.waitForReadyRead(100);
    device_ = QString::fromUtf8(process_.readLine()).trimmed();
    if (device_.isEmpty())
        throw std::runtime_error("auxpad-sim printed no device");
}

SimProcess::~SimProcess()
{
    if (process_.state() != QProcess::NotRunning) {
        inputOpen_ ? command("quit") : process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
    }
    process_.waitForFinished(3000);
}

void SimProcess::command(const std::string& line)
{
    process_.write((line + "\n").c_str());
    process_.waitForBytesWritten(1000);
}

void SimProcess::closeInput()
{
    process_.closeWriteChannel();
    inputOpen_ = false;
}

std::map<std::string, long> SimProcess::stats()
{
    QFile::remove(statsFile_);
    command("stats");
    QElapsedTimer t;
    t.start();
    // The simulator renames a whole file into place: once it is there, it is complete.
    while (!QFileInfo::exists(statsFile_) && t.elapsed() < 3000)
        QThread::msleep(10);
    return keptStats();
}

std::map<std::string, long> SimProcess::keptStats()
{
    std::map<std::string, long> out;
    QFile f(statsFile_);
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n')) {
            const int eq = line.indexOf('=');
            if (eq > 0)
                out[line.left(eq).trimmed().toStdString()] = line.mid(eq + 1).trimmed().toLong();
        }
    }
    return out;
}

bool SimProcess::waitForExit(int timeoutMs)
{
    // Qt says false for a process whose end the event loop has already seen.
    return process_.state() == QProcess::NotRunning || process_.waitForFinished(timeoutMs);
}

std::string SimProcess::log()
{
    QFile f(logFile_);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

QStringList paceOptions()
{
    const QByteArray pace = qgetenv("AUXPAD_E2E_PACE");
    if (pace.isEmpty())
        return {};
    return {"--baud-pace", QString::fromLatin1(pace)};
}
