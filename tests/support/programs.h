#pragma once

#include <QProcess>
#include <QStringList>

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
