#pragma once

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of Debian's package, started for the tests in a folder of its own,
// on a free port of the loopback, as an unprivileged user (postgres when the tests run as
// root), and stopped when this goes.
class PgServer {
public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // "" once the server runs; otherwise what went wrong.
    const QString& problem() const { return problem_; }
    // A fresh database on it, as a URL the tool takes.
    QString newDatabase(const QString& name);
    // The same database, but every transaction on it read-only.
    void makeReadOnly(const QString& name);
    int port() const { return port_; }
    // The server goes away and comes back, with everything it held.
    bool stop();
    bool start();

private:
    bool run(const QString& program, const QStringList& arguments);
    bool sql(const QString& statement);
    QString serverLog() const;

    QTemporaryDir dir_;
    QString bin_;
    QString data_;
    int port_ = 0;
    bool started_ = false;
    QString problem_;
};

// The test program's one server, started before its first test and stopped after its
// last, shared by every test file of the program.
PgServer& pgServer();
