#pragma once

#include <QProcess>
#include <QStringList>

#include <optional>

// Starts `program` in `workDir` (the test's own when empty) with this process's environment
// changed by `changes`: NAME=VALUE sets a variable, a NAME alone unsets it.
inline void startProgram(QProcess& p, const QString& program, const QStringList& arguments,
                         const QStringList& changes = {}, const QString& workDir = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& change : changes)
        change.contains('=') ? env.insert(change.section('=', 0, 0), change.section('=', 1)) : env.remove(change);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.start(program, arguments);
}

// Runs `command` (the program, then its arguments) to its end. What it printed, after the
// command, when it did not exit 0 within `timeoutMs`; nothing when it did.
inline std::optional<QString> failureOf(const QStringList& command, int timeoutMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.first(), command.mid(1));
    if (p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return std::nullopt;
    return command.join(' ') + ": " + QString::fromLocal8Bit(p.readAll()).trimmed();
}
