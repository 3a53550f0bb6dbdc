#pragma once

#include <QNetworkAccessManager>
#include <QSslConfiguration>

#include "sinks/sink_courier.h"
#include "sinks/sink_settings.h"

namespace auxpad {

// Sends each result as one signed POST, in order, one at a time: 2xx has it; a 4xx other
// than 408 and 429 refuses it for good; anything else, or no answer within the timeout,
// stops the batch, to go again after the retry schedule's pause.
//
//   Content-Type: application/json
//   X-Auxpad-Id: <job_uuid>:<revision>            the receiver drops a second delivery by it
//   X-Auxpad-Signature: sha256=<hex HMAC-SHA256 of the body with the secret>
class WebhookSender final : public SinkSender {
    Q_OBJECT
public:
    explicit WebhookSender(WebhookSettings settings, QObject* parent = nullptr);
    void send(std::vector<SinkItem> items, Done done) override;

    // The signature header's value for `body`.
    static QByteArray signature(const QByteArray& body, const QByteArray& secret);
    // What an answer with HTTP status `status` (0 for none) and `body` makes of a result.
    static SinkAnswer answerOf(int status, const QByteArray& body, const QString& error);

private:
    void next(std::shared_ptr<std::vector<SinkItem>> items, std::shared_ptr<std::vector<SinkAnswer>> answers,
              Done done);

    WebhookSettings settings_;
    QNetworkAccessManager network_;
    QSslConfiguration tls_;
};

} // namespace auxpad
