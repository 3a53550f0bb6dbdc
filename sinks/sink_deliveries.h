#pragma once

#include <QObject>

#include <memory>
#include <vector>

#include "sinks/sink_courier.h"
#include "sinks/sink_settings.h"

namespace auxpad {

// Every sink a station is set up with, each fed from the journal by a courier of its own
// on the records' thread: what a bench and `records sync` both use.
class SinkCouriers final : public QObject {
    Q_OBJECT
public:
    SinkCouriers(RecordsThread& thread, const SinkSettings& settings, Clock& clock = realClock(),
                 QObject* parent = nullptr);

    // Something new is held: each courier delivers it soon.
    void deliverSoon();
    // One last try of each, waiting at most `ms` in all.
    void lastTry(int ms);
    const std::vector<std::unique_ptr<SinkCourier>>& couriers() const { return couriers_; }
    // "held for webhook: 2, held for mqtt: 1": the sinks that hold something, "" when none does.
    QString heldText() const;
    int held() const;

signals:
    void heldChanged();
    void failed(const QString& why);
    void refused(const QString& why);

private:
    Clock& clock_;
    std::vector<std::unique_ptr<SinkCourier>> couriers_;
};

// "held for webhook: N" for each sink of `counts` that holds something, joined by ", ".
QString heldForSinks(const std::vector<std::pair<QString, int>>& held);

} // namespace auxpad
