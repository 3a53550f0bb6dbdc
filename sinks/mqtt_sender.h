#pragma once

#include <map>

#include "clock/clock.h"
#include "sinks/sink_courier.h"
#include "sinks/sink_settings.h"

struct mosquitto;

namespace auxpad {

// Publishes each result as one QoS 1 message, retain off, through libmosquitto on its own
// network thread: a persistent session (clean session off, the settings' client id), so
// that what is in flight when the broker goes is sent again when it is back, and a
// reconnect that waits as the retry schedule does. A result is delivered when the broker
// acknowledged it; one not acknowledged within the wait goes again with the next try.
class MqttSender final : public SinkSender {
    Q_OBJECT
public:
    MqttSender(MqttSettings settings, Clock& clock, QObject* parent = nullptr);
    ~MqttSender() override;
    void send(std::vector<SinkItem> items, Done done) override;

private:
    void connected(const QString& refused);
    void publishAll();
    void acknowledged(int mid);
    void finish();

    MqttSettings settings_;
    Clock& clock_;
    mosquitto* client_ = nullptr;
    QString problem_; // why the broker cannot be had, when it cannot
    bool connected_ = false;
    std::unique_ptr<Timer> wait_;
    // The try under way: each item's message id, and what became of each.
    std::vector<SinkItem> items_;
    bool published_ = false;
    std::map<int, std::size_t> inFlight_;
    std::vector<SinkAnswer> answers_;
    Done done_;
};

} // namespace auxpad
