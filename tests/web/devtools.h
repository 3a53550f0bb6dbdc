#pragma once

#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QWebSocket>

#include <sys/types.h>

// Headless Chromium of Debian's package showing one page, driven through its DevTools
// protocol: the page's own script runs as in a browser at the line, and the test reads
// what the page shows.
class Browser {
public:
    explicit Browser(const QString& url);
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    // "" once the page is open; otherwise what went wrong.
    const QString& problem() const { return problem_; }
    // The value of a JavaScript expression in the page.
    QJsonValue eval(const QString& expression);
    // Milliseconds until the expression held, or -1 when it did not within `ms`.
    int waitFor(const QString& expression, int ms);
    // The page as shown, as PNG.
    QByteArray screenshot();

private:
    QJsonObject call(const QString& method, const QJsonObject& params);

    // Chromium's profile and its own temporary files both live here, so that one removal,
    // once its processes are gone, leaves nothing behind in the machine's /tmp.
    QTemporaryDir scratch_;
    QProcess process_;
    pid_t group_ = 0;
    QWebSocket socket_;
    int id_ = 0;
    QString problem_;
};

// A GET from the server: its status, its headers by lower-case name, its body.
struct Got {
    int status = 0;
    QMap<QByteArray, QByteArray> headers;
    QByteArray body;
};
Got httpGet(const QString& url);
