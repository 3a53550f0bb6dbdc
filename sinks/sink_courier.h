#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

#include "clock/retry_timer.h"
#include "records/delivery.h"

namespace auxpad {

// A board result on its way to a sink: its record and the document it is sent as.
struct SinkItem {
    JobRecord record;
    QByteArray body;
};

// What a sink made of one item: it has it, it refused it for good (with the first 200
// bytes of its answer), or it did not answer so (tried again later).
struct SinkAnswer {
    enum class Kind { Delivered, Refused, Failed };
    Kind kind = Kind::Failed;
    QString detail;
};

// How one kind of sink sends: a webhook's POSTs, an MQTT broker's messages. `send` answers
// for each item in order, all at once through `done`; it may stop at the first that
// failed, answering for fewer, since what follows goes again with it.
class SinkSender : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(std::vector<SinkAnswer>)>;
    using QObject::QObject;
    virtual void send(std::vector<SinkItem> items, Done done) = 0;
};

// Feeds one sink from the journal, as the Courier feeds the line's database: the reads and
// marks on the records' thread, one delivery at a time as its RetryTimer says, 5 s after
// something is held, again after the one retry schedule's pause when the sink does not
// answer. Each sink has its own, so that one away holds up no other.
class SinkCourier final : public QObject {
    Q_OBJECT
public:
    SinkCourier(RecordsThread& thread, QString sink, std::unique_ptr<SinkSender> sender, Clock& clock = realClock(),
                QObject* parent = nullptr);

    const QString& sink() const { return sink_; }
    void deliverSoon() { retry_.asked(); }
    // One last try, waiting at most `ms` for it to be over.
    void lastTry(int ms) { retry_.lastTry(ms); }
    int held() const { return held_; }

signals:
    void heldChanged(int held);
    void failed(const QString& why);
    void refused(const QString& why);

private:
    using Batch = Expected<std::vector<SinkItem>, QString>;
    void start();
    void sent(std::vector<SinkItem> items, std::vector<SinkAnswer> answers);
    void tried(bool worked, std::optional<int> held);

    RecordsThread& thread_;
    QString sink_;
    std::unique_ptr<SinkSender> sender_;
    Clock& clock_;
    RetryTimer retry_;
    int held_ = 0;
};

} // namespace auxpad
