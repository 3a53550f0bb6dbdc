#include "tests/sinks/https_receiver.h"

#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QSslSocket>

HttpsReceiver::HttpsReceiver(const QString& dir) : dir_(dir)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=localhost",
                                  "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout", dir + "/key.pem",
                                  "-out", dir + "/cert.pem"});
    openssl.waitForFinished(30000);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    QFile key(dir + "/key.pem");
    key.open(QIODevice::ReadOnly);
    tls.setPrivateKey(QSslKey(&key, QSsl::Rsa));
    tls.setLocalCertificateChain(QSslCertificate::fromPath(certificate()));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    server_.setSslConfiguration(tls);
    connect(&server_, &QSslServer::pendingConnectionAvailable, this, [this] {
        while (auto* socket = static_cast<QSslSocket*>(server_.nextPendingConnection()))
            serve(socket);
    });
}

bool HttpsReceiver::listen(quint16 port)
{
    if (!server_.listen(QHostAddress::LocalHost, port))
        return false;
    port_ = server_.serverPort();
    return true;
}

void HttpsReceiver::serve(QSslSocket* socket)
{
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QSslSocket::readyRead, this, [this, socket, buffer] {
        *buffer += socket->readAll();
        for (;;) {
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            Post post;
            for (const QByteArray& line : buffer->left(end).split('\n').mid(1)) {
                const qsizetype colon = line.indexOf(':');
                if (colon > 0)
                    post.headers[line.left(colon).trimmed().toLower()] = line.mid(colon + 1).trimmed();
            }
            const qsizetype length = post.headers.value("content-length").toLongLong();
            if (buffer->size() < end + 4 + length)
                return;
            post.body = buffer->mid(end + 4, length);
            buffer->remove(0, end + 4 + length);
            posts.append(post);
            if (silent)
                continue;
            socket->write(QByteArray("HTTP/1.1 ") + QByteArray::number(status) + " X\r\nContent-Length: "
                          + QByteArray::number(answer.size()) + "\r\nContent-Type: text/plain\r\n\r\n" + answer);
        }
    });
}
