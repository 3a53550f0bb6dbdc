#include "sinks/mqtt_sender.h"

#include <QMetaObject>
#include <QPointer>

#include <mosquitto.h>

#include <mutex>

#include "base/backoff.h"

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
    : SinkSender(parent), settings_(std::move(settings)), wait_(clock.timer())
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
                    sender->problem_ = QStringLiteral("the broker %1:%2 is away")
                                           .arg(sender->settings_.host)
                                           .arg(sender->settings_.port);
            },
            Qt::QueuedConnection);
    });
    mosquitto_threaded_set(client_, true);
    thread_ = std::thread([this] { network(); });
}

void MqttSender::network()
{
    Backoff backoff;
    const QByteArray host = settings_.host.toUtf8();
    bool linked = mosquitto_connect(client_, host.constData(), settings_.port, kKeepAliveS) == MOSQ_ERR_SUCCESS;
    while (!stopping_) {
        if (linked && mosquitto_loop(client_, 1000, 1) == MOSQ_ERR_SUCCESS) {
            backoff.succeeded();
            continue;
        }
        // Gone, or never there: again after the schedule's pause, unless the sender goes.
        std::unique_lock<std::mutex> lock(pauseLock_);
        pause_.wait_for(lock, std::chrono::milliseconds(backoff.failed()), [this] { return stopping_.load(); });
        lock.unlock();
        if (!stopping_)
            linked = mosquitto_reconnect(client_) == MOSQ_ERR_SUCCESS;
    }
}

MqttSender::~MqttSender()
{
    if (!client_)
        return;
    {
        const std::lock_guard<std::mutex> lock(pauseLock_);
        stopping_ = true;
    }
    pause_.notify_all();
    mosquitto_disconnect(client_);
    if (thread_.joinable())
        thread_.join();
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

#include "moc_mqtt_sender.cpp"
