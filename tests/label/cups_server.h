#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A CUPS scheduler of Debian's package, started for the tests on a loopback port with a
// folder of its own, and stopped when this goes. It has a PDF queue (cups-pdf, writing
// into pdfFolder()) and a raw queue whose device is a socket this object listens on.
// CUPS_SERVER points libcups at it.
class CupsServer {
public:
    CupsServer();
    ~CupsServer();
    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    const QString& problem() const { return problem_; }
    QString pdfQueue() const { return pdfQueue_; }
    QString rawQueue() const { return QStringLiteral("raw"); }
    QString rawUri() const;
    QString pdfFolder() const { return dir_.filePath("pdf"); }
    // The documents the raw queue's device received, whole, so far.
    std::vector<QByteArray> rawDocuments();
    // cupsreject/cupsaccept, lpadmin and friends, on this server.
    bool admin(const QString& program, const QStringList& arguments);
    // How many jobs `queue` holds that are not done yet: -1 when lpstat cannot tell. Once
    // none is left, what the queues' devices were given has come out whole.
    int jobsWaiting(const QString& queue);

private:
    void listen();

    QTemporaryDir dir_;
    QString pdfQueue_, pdfConfig_;
    int port_ = 0, rawPort_ = 0, listener_ = -1;
    qint64 cupsd_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<QByteArray> raw_;
    QString problem_;
};
