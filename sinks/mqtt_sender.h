#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "clock/clock.h"
#include "sinks/sink_courier.h"
#include "sinks/sink_settings.h"

struct mosquitto;

namespace auxpad {

// Publishes each result as one QoS 1 message, retain off, through libmosquitto on a network
// thread of its own: a persistent session (clean session off, the settings' client id), so
// that what is in flight when the broker goes is sent again when it is back. The thread
// connects, and connects again whenever the broker went or never answered, after the one
// retry schedule's pause (Backoff); a connect that waits on the network never holds up
// the event loop. A result is delivered when the broker
// acknowledged it; one not acknowledged within the wait goes again with the next try.
class MqttSender final : public SinkSender {
    Q_OBJECT
public:
    MqttSender(MqttSettings settings, Clock& clock, QObject* parent = nullptr);
    ~MqttSender() override;
    void send(std::vector<SinkItem> items, Done done) override;

private:
    void network(); // the network thread's loop
    void connected(const QString& refused);
    void publishAll();
    void acknowledged(int mid);
    void finish();

    MqttSettings settings_;
    mosquitto* client_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::mutex pauseLock_;
    std::condition_variable pause_;
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
