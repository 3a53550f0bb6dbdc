#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSslServer>
#include <QString>

// A webhook's receiver for the tests: HTTPS on a port of its own, with a certificate made
// by openssl for localhost; it answers each POST with the status it is told (or not at all)
// and keeps what came.
class HttpsReceiver final : public QObject {
public:
    struct Post {
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    // Makes the key and certificate in `dir` (cert.pem is what the tool is told to trust).
    explicit HttpsReceiver(const QString& dir);
    bool listen(quint16 port = 0);
    void close() { server_.close(); }
    quint16 port() const { return port_; }
    QString certificate() const { return dir_ + "/cert.pem"; }

    int status = 200;
    QByteArray answer = "ok";
    bool silent = false; // takes each POST and never answers it
    QList<Post> posts;

private:
    void serve(QSslSocket* socket);

    QString dir_;
    QSslServer server_;
    quint16 port_ = 0;
};
