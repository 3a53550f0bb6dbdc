#include "sinks/sink_deliveries.h"

#include <QStringList>

#include "sinks/mqtt_sender.h"
#include "sinks/webhook_sender.h"

namespace auxpad {

SinkCouriers::SinkCouriers(RecordsThread& thread, const SinkSettings& settings, Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock)
{
    if (settings.webhook)
        couriers_.push_back(std::make_unique<SinkCourier>(thread, sinkName(*settings.webhook),
                                                          std::make_unique<WebhookSender>(*settings.webhook), clock));
    if (settings.mqtt)
        couriers_.push_back(std::make_unique<SinkCourier>(thread, sinkName(*settings.mqtt),
                                                          std::make_unique<MqttSender>(*settings.mqtt, clock), clock));
    for (const auto& courier : couriers_) {
        connect(courier.get(), &SinkCourier::heldChanged, this, &SinkCouriers::heldChanged);
        connect(courier.get(), &SinkCourier::failed, this, &SinkCouriers::failed);
        connect(courier.get(), &SinkCourier::refused, this, &SinkCouriers::refused);
    }
}

void SinkCouriers::deliverSoon()
{
    for (const auto& courier : couriers_)
        courier->deliverSoon();
}

void SinkCouriers::lastTry(int ms)
{
    const Stopwatch waited(clock_);
    for (const auto& courier : couriers_)
        courier->lastTry(std::max<int>(0, ms - static_cast<int>(waited.elapsed())));
}

QString SinkCouriers::heldText() const
{
    std::vector<std::pair<QString, int>> held;
    for (const auto& courier : couriers_)
        held.emplace_back(sinkKind(courier->sink()), courier->held());
    return heldForSinks(held);
}

int SinkCouriers::held() const
{
    int all = 0;
    for (const auto& courier : couriers_)
        all += courier->held();
    return all;
}

QString heldForSinks(const std::vector<std::pair<QString, int>>& held)
{
    QStringList said;
    for (const auto& [kind, count] : held)
        if (count > 0)
            said << QStringLiteral("held for %1: %2").arg(kind).arg(count);
    return said.join(", ");
}

} // namespace auxpad

#include "moc_sink_deliveries.cpp"
