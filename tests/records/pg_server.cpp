#include "tests/records/pg_server.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include "tests/support/loopback.h"
#include "tests/support/programs.h"

namespace {

PgServer* server = nullptr;

struct ServerEnvironment : ::testing::Environment {
    void SetUp() override { server = new PgServer; }
    void TearDown() override { delete server; }
};
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

} // namespace

PgServer& pgServer()
{
    return *server;
}

PgServer::PgServer()
{
    for (const char* version : {"17", "16", "15"}) {
        if (QFile::exists(QString("/usr/lib/postgresql/%1/bin/pg_ctl").arg(version))) {
            bin_ = QString("/usr/lib/postgresql/%1/bin/").arg(version);
            break;
        }
    }
    if (bin_.isEmpty()) {
        problem_ = "no PostgreSQL server is installed (Debian's postgresql package)";
        return;
    }
    data_ = dir_.filePath("data");
    // The server refuses to run as root.
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam("postgres");
        if (!user) {
            problem_ = "running as root, and there is no postgres user to run the server as";
            return;
        }
        for (const QString& path : {dir_.path(), data_}) {
            QDir().mkpath(path);
            if (::chown(path.toLocal8Bit().constData(), user->pw_uid, user->pw_gid) != 0) {
                problem_ = "cannot hand " + path + " to the postgres user";
                return;
            }
        }
    }
    if (!run(bin_ + "initdb", {"-D", data_, "-U", "auxpad", "--auth=trust", "-E", "UTF8", "--no-sync"}))
        return;
    // A free port can be taken by another program between its choice and the server's
    // bind (the tests run side by side, and their connections draw local ports from the
    // same range), so a server that found its port taken tries another.
    for (int attempt = 0; attempt < 3; ++attempt) {
        port_ = freePort();
        if (start()) {
            problem_.clear();
            return;
        }
        if (!serverLog().contains("Address already in use"))
            break;
    }
    problem_ += "\n" + serverLog().right(2000);
}

QString PgServer::serverLog() const
{
    QFile log(dir_.filePath("server.log"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

PgServer::~PgServer()
{
    stop();
}

bool PgServer::start()
{
    started_ = run(bin_ + "pg_ctl", {"-D", data_, "-w", "-l", dir_.filePath("server.log"), "-o",
                                     QString("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                                         .arg(port_)
                                         .arg(dir_.path()),
                                     "start"});
    return started_;
}

bool PgServer::stop()
{
    if (started_ && run(bin_ + "pg_ctl", {"-D", data_, "-w", "-m", "fast", "stop"}))
        started_ = false;
    return !started_;
}

bool PgServer::run(const QString& program, const QStringList& arguments)
{
    // The server refuses to run as root.
    const QStringList asUser = ::geteuid() == 0 ? QStringList{"runuser", "-u", "postgres", "--"} : QStringList{};
    const std::optional<QString> failure = failureOf(asUser + QStringList{program} + arguments, 60000);
    if (failure)
        problem_ = *failure;
    return !failure;
}

bool PgServer::sql(const QString& statement)
{
    return run(bin_ + "psql", {"-h", "127.0.0.1", "-p", QString::number(port_), "-U", "auxpad", "-d", "postgres", "-v",
                               "ON_ERROR_STOP=1", "-c", statement});
}

QString PgServer::newDatabase(const QString& name)
{
    sql("CREATE DATABASE " + name);
    return QString("postgresql://auxpad@127.0.0.1:%1/%2").arg(port_).arg(name);
}

void PgServer::makeReadOnly(const QString& name)
{
    sql("ALTER DATABASE " + name + " SET default_transaction_read_only = on");
}
