#include "sinks/mqtt_sender.h"

#include <QMetaObject>
#include <QPointer>

#include <mosquitto.h>

#include <mutex>

namespace auxpad {

namespace {

constexpr int kKeepAliveS = 30;
constexpr Millis kAckWaitMs = 10000; // a batch whose acknowledgements take longer goes again

void libraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

MqttSender::MqttSender(MqttSettings settings, Clock& clock, QObject* parent)
    : SinkSender(parent), settings_(std::move(settings)), clock_(clock), wait_(clock.timer())
{
    libraryOnce();
    connect(wait_.get(), &Timer::timeout, this, [this] { finish(); });
    client_ = mosquitto_new(settings_.clientId.toUtf8().constData(), false, this);
    if (!client_) {
        problem_ = QStringLiteral("the MQTT client could not be made");
        return;
    }
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    if (!settings_.username.isEmpty())
        mosquitto_username_pw_set(client_, settings_.username.toUtf8().constData(),
                                  settings_.password.isEmpty() ? nullptr : settings_.password.constData());
    if (settings_.tls)
        mosquitto_tls_set(client_, settings_.caFile.isEmpty() ? nullptr : settings_.caFile.toUtf8().constData(),
                          settings_.caFile.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
    // The library's thread calls these; what they say is handed to this object's thread.
    mosquitto_publish_callback_set(client_, [](mosquitto*, void* self, int mid) {
        auto* sender = static_cast<MqttSender*>(self);
        QMetaObject::invokeMethod(sender, [sender, mid] { sender->acknowledged(mid); }, Qt::QueuedConnection);
    });
    mosquitto_connect_callback_set(client_, [](mosquitto*, void* self, int rc) {
        auto* sender = static_cast<MqttSender*>(self);
        const QString why = rc == 0 ? QString() : QString::fromUtf8(mosquitto_connack_string(rc));
        QMetaObject::invokeMethod(sender, [sender, why] { sender->connected(why); }, Qt::QueuedConnection);
    });
    mosquitto_disconnect_callback_set(client_, [](mosquitto*, void* self, int) {
        auto* sender = static_cast<MqttSender*>(self);
        QMetaObject::invokeMethod(
            sender, [sender] {
                sender->connected_ = false;
                if (sender->problem_.isEmpty())
                    sender->problem_ = QStringLiteral("the broker %1:%2 is away").arg(sender->settings_.host).arg(sender->settings_.port);
            },
            Qt::QueuedConnection);
    });
    mosquitto_reconnect_delay_set(client_, 1, 60, true);
    const int connecting = mosquitto_connect_async(client_, settings_.host.toUtf8().constData(), settings_.port, kKeepAliveS);
    if (connecting != MOSQ_ERR_SUCCESS && connecting != MOSQ_ERR_ERRNO)
        problem_ = QString::fromUtf8(mosquitto_strerror(connecting));
    // A broker away at the start is tried again by the library's thread, as it is later.
    mosquitto_loop_start(client_);
}

MqttSender::~MqttSender()
{
    if (!client_)
        return;
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, true);
    mosquitto_destroy(client_);
}

void MqttSender::connected(const QString& refused)
{
    problem_ = refused;
    connected_ = refused.isEmpty();
    if (connected_ && done_ && !published_)
        publishAll();
}

void MqttSender::send(std::vector<SinkItem> items, Done done)
{
    done_ = std::move(done);
    items_ = std::move(items);
    answers_.assign(items_.size(), {SinkAnswer::Kind::Failed, {}});
    inFlight_.clear();
    published_ = false;
    wait_->start(kAckWaitMs);
    // Nothing is queued while the broker is away, since each try would queue the batch once
    // more: it goes once connected, within the wait. What was in flight when the broker
    // went stays in the session, and goes when it is back.
    if (connected_)
        publishAll();
    else if (problem_.isEmpty())
        problem_ = QStringLiteral("the broker %1:%2 is not connected").arg(settings_.host).arg(settings_.port);
}

void MqttSender::publishAll()
{
    published_ = true;
    for (std::size_t i = 0; i < items_.size() && client_; ++i) {
        const QByteArray topic = fillTopic(settings_.topic, items_[i].record).toUtf8();
        int mid = 0;
        const int rc = mosquitto_publish(client_, &mid, topic.constData(), static_cast<int>(items_[i].body.size()),
                                         items_[i].body.constData(), 1, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            answers_[i].detail = QString::fromUtf8(mosquitto_strerror(rc));
            continue; // goes again with the next try
        }
        inFlight_[mid] = i;
    }
    if (inFlight_.empty())
        finish();
}

void MqttSender::acknowledged(int mid)
{
    const auto it = inFlight_.find(mid);
    if (it == inFlight_.end())
        return; // one of an earlier try, sent again by the session
    answers_[it->second] = {SinkAnswer::Kind::Delivered, {}};
    inFlight_.erase(it);
    if (inFlight_.empty())
        finish();
}

void MqttSender::finish()
{
    wait_->stop();
    if (!done_)
        return;
    const QString why = problem_.isEmpty() ? QStringLiteral("the broker %1:%2 did not acknowledge in time")
                                                 .arg(settings_.host)
                                                 .arg(settings_.port)
                                           : problem_;
    for (SinkAnswer& a : answers_)
        if (a.kind == SinkAnswer::Kind::Failed && a.detail.isEmpty())
            a.detail = why;
    inFlight_.clear();
    auto done = std::move(done_);
    done_ = nullptr;
    done(std::move(answers_));
}

} // namespace auxpad
