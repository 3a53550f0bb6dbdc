#include "sinks/sink_courier.h"

#include "sinks/board_document.h"

namespace auxpad {

namespace {
constexpr int kBatch = 50;
constexpr Millis kGatherMs = 5000; // results written within this go in one delivery
} // namespace

SinkCourier::SinkCourier(RecordsThread& thread, QString sink, std::unique_ptr<SinkSender> sender, Clock& clock,
                         QObject* parent)
    : QObject(parent), thread_(thread), sink_(std::move(sink)), sender_(std::move(sender)), clock_(clock),
      retry_(clock, kGatherMs, [this] { start(); })
{
    sender_->setParent(this);
}

void SinkCourier::start()
{
    thread_.run<Batch>(
        [sink = sink_](RecordsThread::Stores& stores) -> Batch {
            const auto journal = stores.openJournal();
            if (!journal)
                return unexpected(journal.error());
            auto records = (*journal)->outbox().held(sink, kBatch);
            if (!records)
                return unexpected(records.error());
            std::vector<SinkItem> items;
            for (JobRecord& record : *records) {
                // The label as it stands now: a passed board's is printed after its record.
                const auto label = (*journal)->labels().stateOf(record.uuid);
                if (!label)
                    return unexpected(label.error());
                QByteArray body = boardDocumentBytes(record, *label);
                items.push_back({std::move(record), std::move(body)});
            }
            return items;
        },
        this,
        [this](const Batch& batch) {
            if (!batch) {
                emit failed(batch.error());
                return tried(false, std::nullopt);
            }
            if (batch->empty())
                return tried(true, 0);
            sender_->send(*batch, [this, items = *batch](std::vector<SinkAnswer> answers) {
                sent(items, std::move(answers));
            });
        });
}

void SinkCourier::sent(std::vector<SinkItem> items, std::vector<SinkAnswer> answers)
{
    bool worked = answers.size() == items.size();
    QString why;
    for (const SinkAnswer& a : answers) {
        if (a.kind == SinkAnswer::Kind::Failed) {
            worked = false;
            why = a.detail;
        }
        if (a.kind == SinkAnswer::Kind::Refused)
            emit refused(QStringLiteral("%1 refused a result: %2").arg(sink_, a.detail));
    }
    if (!why.isEmpty())
        emit failed(QStringLiteral("%1 did not take the results: %2").arg(sink_, why));
    using Marked = Expected<int, QString>;
    thread_.run<Marked>(
        [sink = sink_, items = std::move(items),
         answers = std::move(answers)](RecordsThread::Stores& stores) -> Marked {
            const auto journal = stores.openJournal();
            if (!journal)
                return unexpected(journal.error());
            for (std::size_t i = 0; i < answers.size(); ++i) {
                const auto marked = answers[i].kind == SinkAnswer::Kind::Delivered
                    ? (*journal)->outbox().markDelivered(sink, items[i].record)
                    : answers[i].kind == SinkAnswer::Kind::Refused
                    ? (*journal)->outbox().markRefused(sink, items[i].record, answers[i].detail)
                    : Expected<void, QString>();
                if (!marked)
                    return unexpected(marked.error());
            }
            const auto counts = (*journal)->outbox().counts();
            if (!counts)
                return unexpected(counts.error());
            for (const SinkCount& c : *counts)
                if (c.sink == sink)
                    return c.held;
            return 0;
        },
        this,
        [this, worked](const Marked& held) {
            if (!held)
                emit failed(held.error());
            // A full batch may have more behind it: the next goes at once.
            tried(worked && held.has_value(), held ? std::optional<int>(*held) : std::nullopt);
        });
}

void SinkCourier::tried(bool worked, std::optional<int> held)
{
    if (held && *held != held_) {
        held_ = *held;
        emit heldChanged(held_);
    }
    retry_.tried(worked);
    if (worked && held && *held > 0)
        retry_.askedAtOnce();
}

} // namespace auxpad

#include "moc_sink_courier.cpp"
