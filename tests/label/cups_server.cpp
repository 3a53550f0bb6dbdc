#include "tests/label/cups_server.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <poll.h>
#include <signal.h>

#include "tests/support/loopback.h"
#include "tests/support/programs.h"

namespace {

bool write(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace

CupsServer::CupsServer()
{
    // cupsd runs its filters and backends as lp: every folder must be open to it.
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                           | QFileDevice::ExeGroup);
    for (const char* folder : {"conf", "spool", "cache", "state", "log", "tmp", "pdf"})
        QDir().mkpath(dir_.filePath(folder));
    QFile::setPermissions(dir_.filePath("tmp"), QFileDevice::Permissions(0x7777));
    listener_ = listenOnLoopback(rawPort_);
    const int probe = listenOnLoopback(port_);
    ::close(probe);
    if (listener_ < 0 || probe < 0) {
        problem_ = "no loopback port to listen on";
        return;
    }
    thread_ = std::thread([this] { listen(); });
    write(dir_.filePath("conf/cupsd.conf"),
          QStringLiteral("Listen 127.0.0.1:%1\nBrowsing No\nWebInterface No\nLogLevel debug\nDefaultAuthType None\n"
                         "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                         "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
              .arg(port_));
    QString files = QStringLiteral("ServerRoot %1/conf\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
                                   "TempDir %1/tmp\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                   "PageLog %1/log/page_log\nUser lp\nGroup lp\nSystemGroup root\n")
                        .arg(dir_.path());
    write(dir_.filePath("conf/cups-files.conf"), files);
    // cups-pdf reads its settings from /etc/cups only; a queue's device names a file of
    // its own there, which points it at this server's folder.
    pdfQueue_ = QStringLiteral("auxpadtest%1").arg(::getpid());
    pdfConfig_ = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(pdfQueue_);
    if (!write(pdfConfig_, QStringLiteral("Out %1\nAnonDirName %1\n").arg(pdfFolder()))) {
        problem_ = "cannot write " + pdfConfig_;
        return;
    }
    QProcess cupsd;
    cupsd.setProgram("/usr/sbin/cupsd");
    cupsd.setArguments({"-f", "-c", dir_.filePath("conf/cupsd.conf"), "-s", dir_.filePath("conf/cups-files.conf")});
    cupsd.setStandardOutputFile(dir_.filePath("log/cupsd.out"));
    cupsd.setStandardErrorFile(dir_.filePath("log/cupsd.out"));
    if (!cupsd.startDetached(&cupsd_)) {
        problem_ = "cupsd does not start (Debian's cups package)";
        return;
    }
    qputenv("CUPS_SERVER", QStringLiteral("127.0.0.1:%1").arg(port_).toUtf8());
    bool up = false;
    for (int i = 0; i < 100 && !(up = answers(port_)); ++i)
        QThread::msleep(100);
    if (!up) {
        problem_ = "cupsd does not answer; its log: " + dir_.filePath("log/cupsd.out");
        return;
    }
    if (!admin("lpadmin", {"-p", pdfQueue_, "-E", "-v", "cups-pdf:/" + pdfQueue_, "-P",
                           "/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd"})
        || !admin("lpadmin", {"-p", rawQueue(), "-E", "-v", QStringLiteral("socket://127.0.0.1:%1").arg(rawPort_), "-m",
                              "raw"}))
        problem_ += " (cupsd log: " + dir_.filePath("log/error_log") + ")";
}

CupsServer::~CupsServer()
{
    if (cupsd_ > 0) {
        ::kill(static_cast<pid_t>(cupsd_), SIGTERM);
        for (int i = 0; i < 100 && ::kill(static_cast<pid_t>(cupsd_), 0) == 0; ++i)
            QThread::msleep(50);
    }
    QFile::remove(pdfConfig_);
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

QString CupsServer::rawUri() const
{
    return QStringLiteral("ipp://127.0.0.1:%1/printers/%2").arg(port_).arg(rawQueue());
}

std::vector<QByteArray> CupsServer::rawDocuments()
{
    const std::lock_guard lock(mutex_);
    return raw_;
}

bool CupsServer::admin(const QString& program, const QStringList& arguments)
{
    const std::optional<QString> failure = failureOf(QStringList{program} + arguments, 30000);
    if (failure)
        problem_ = *failure;
    return !failure;
}

int CupsServer::jobsWaiting(const QString& queue)
{
    QProcess process;
    process.start("lpstat", {"-W", "not-completed", "-o", queue});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return static_cast<int>(process.readAllStandardOutput().count('\n'));
}

void CupsServer::listen()
{
    while (!stopping_) {
        pollfd wait{listener_, POLLIN, 0};
        if (::poll(&wait, 1, 100) <= 0)
            continue;
        const int peer = ::accept(listener_, nullptr, nullptr);
        QByteArray document;
        char buffer[4096];
        for (ssize_t n; (n = ::read(peer, buffer, sizeof buffer)) > 0;)
            document.append(buffer, n);
        ::close(peer);
        const std::lock_guard lock(mutex_);
        raw_.push_back(document);
    }
}
