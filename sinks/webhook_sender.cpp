#include "sinks/webhook_sender.h"

#include <QMessageAuthenticationCode>
#include <QNetworkReply>
#include <QSslCertificate>

#include "sinks/board_document.h"

namespace auxpad {

WebhookSender::WebhookSender(WebhookSettings settings, QObject* parent)
    : SinkSender(parent), settings_(std::move(settings)), tls_(QSslConfiguration::defaultConfiguration())
{
    // The system's certificates, and a line's own authority when it names one.
    if (!settings_.caCertificates.isEmpty())
        tls_.addCaCertificates(settings_.caCertificates);
}

QByteArray WebhookSender::signature(const QByteArray& body, const QByteArray& secret)
{
    return "sha256=" + QMessageAuthenticationCode::hash(body, secret, QCryptographicHash::Sha256).toHex();
}

SinkAnswer WebhookSender::answerOf(int status, const QByteArray& body, const QString& error)
{
    if (status >= 200 && status < 300)
        return {SinkAnswer::Kind::Delivered, {}};
    // What a receiver says of a result it will never take: kept, as text, and short.
    const QString said = QString::fromUtf8(body.left(200)).simplified();
    if (status >= 400 && status < 500 && status != 408 && status != 429)
        return {SinkAnswer::Kind::Refused, QStringLiteral("HTTP %1 %2").arg(status).arg(said).trimmed()};
    if (status == 0)
        return {SinkAnswer::Kind::Failed, error};
    return {SinkAnswer::Kind::Failed, QStringLiteral("HTTP %1 %2").arg(status).arg(said).trimmed()};
}

void WebhookSender::send(std::vector<SinkItem> items, Done done)
{
    next(std::make_shared<std::vector<SinkItem>>(std::move(items)), std::make_shared<std::vector<SinkAnswer>>(),
         std::move(done));
}

void WebhookSender::next(std::shared_ptr<std::vector<SinkItem>> items, std::shared_ptr<std::vector<SinkAnswer>> answers,
                         Done done)
{
    if (answers->size() == items->size() || (!answers->empty() && answers->back().kind == SinkAnswer::Kind::Failed))
        return done(std::move(*answers));
    const SinkItem& item = (*items)[answers->size()];
    QNetworkRequest request(settings_.url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    request.setRawHeader("X-Auxpad-Id", idempotencyKey(item.record).toUtf8());
    request.setRawHeader("X-Auxpad-Signature", signature(item.body, settings_.secret));
    request.setTransferTimeout(settings_.timeoutMs);
    request.setSslConfiguration(tls_);
    QNetworkReply* reply = network_.post(request, item.body);
    connect(reply, &QNetworkReply::finished, this, [this, reply, items, answers, done = std::move(done)] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        // Qt's error text names the URL: said without its password.
        QString error = reply->errorString();
        error.replace(settings_.url.toString(), settings_.url.toDisplayString(QUrl::RemoveUserInfo));
        // A reply given up on its time limit is closed: it has no answer to read, and Qt
        // would warn on the operator's terminal for the asking.
        const QByteArray body = reply->isOpen() ? reply->read(200) : QByteArray();
        answers->push_back(answerOf(status, body, error));
        next(items, answers, done);
    });
}

} // namespace auxpad

#include "moc_webhook_sender.cpp"
