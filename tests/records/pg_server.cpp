#include "tests/records/pg_server.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>


namespace {

// A port of the loopback nobody listens on just now.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

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
    port_ = freePort();
    if (!run(bin_ + "initdb", {"-D", data_, "-U", "auxpad", "--auth=trust", "-E", "UTF8", "--no-sync"}))
        return;
    start();
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
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (::geteuid() == 0)
        process.start("runuser", QStringList{"-u", "postgres", "--", program} + arguments);
    else
        process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        problem_ = program + " failed: " + QString::fromLocal8Bit(process.readAll());
        return false;
    }
    return true;
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
