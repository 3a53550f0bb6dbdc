#include "label/label_printer.h"

namespace auxpad {

struct LabelPrinter::Worker : QObject {
    QString url;
    const Clock* clock = nullptr;
    RecordStore* shared = nullptr;
    std::unique_ptr<RecordStore> journal; // made, used and closed where the work runs only

    Expected<RecordStore*, QString> open()
    {
        if (shared)
            return shared;
        if (!journal) {
            auto store = std::make_unique<RecordStore>();
            store->setClock(*clock);
            if (auto opened = store->open(url); !opened)
                return unexpected(opened.error());
            journal = std::move(store);
        }
        return journal.get();
    }
};

LabelPrinter::LabelPrinter(QString journalUrl, LabelSettings settings, Clock& clock, Offload offload,
                           PrinterLink printer, RecordStore* shared, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), clock_(clock), offload_(offload), printer_(std::move(printer)),
      worker_(std::make_unique<Worker>())
{
    qRegisterMetaType<LabelRecord>();
    worker_->url = std::move(journalUrl);
    worker_->clock = &clock_;
    worker_->shared = shared;
    if (offload_ == Offload::OwnThread) {
        worker_->moveToThread(&thread_);
        thread_.setObjectName(QStringLiteral("labels"));
        thread_.start();
    }
}

LabelPrinter::~LabelPrinter()
{
    if (offload_ == Offload::OnClock)
        return;
    // What is under way ends first; the journal closes on its own thread.
    QMetaObject::invokeMethod(worker_.get(), [w = worker_.get()] { w->journal.reset(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void LabelPrinter::offload(std::function<void()> work)
{
    if (offload_ == Offload::OnClock)
        clock_.post(this, std::move(work));
    else
        QMetaObject::invokeMethod(worker_.get(), std::move(work));
}

void LabelPrinter::back(std::function<void()> call)
{
    if (offload_ == Offload::OnClock)
        clock_.post(this, std::move(call));
    else
        QMetaObject::invokeMethod(this, std::move(call));
}

void LabelPrinter::print(const LabelRequest& request)
{
    offload([this, request] {
        auto journal = worker_->open();
        auto queued = journal ? queueLabel(**journal, request) : Expected<LabelRecord, QString>(unexpected(journal.error()));
        back([this, queued] {
            if (!queued)
                return emit journalFailed(queued.error());
            hand(*queued, label::Queued{});
        });
    });
}

void LabelPrinter::printHeld()
{
    offload([this] {
        auto journal = worker_->open();
        const Millis at = clock_.now();
        std::vector<LabelRecord> unsure, held;
        QString why;
        if (journal) {
            auto reclaimed = (*journal)->reclaimHandedLabels();
            auto waiting = (*journal)->labels(RecordStore::Labels::Held);
            if (reclaimed && waiting) {
                unsure = *reclaimed;
                held = *waiting;
            }
            why = !reclaimed ? reclaimed.error() : !waiting ? waiting.error() : QString();
        } else {
            why = journal.error();
        }
        back([this, unsure, held, why, at] {
            if (!why.isEmpty())
                emit journalFailed(why);
            for (const LabelRecord& label : unsure)
                emit this->unsure(label);
            for (const LabelRecord& label : held)
                hand(label, label::move(labelState(label, at), label::Restarted{}, at));
        });
    });
}

void LabelPrinter::hand(LabelRecord label, label::LabelState state)
{
    if (!label::mayHand(state))
        return;
    offload([this, label, state]() mutable {
        auto journal = worker_->open();
        auto after = journal ? handLabel(**journal, label, settings_, state, clock_.now(), printer_)
                             : Expected<LabelRecord, QString>(unexpected(journal.error()));
        back([this, after, state] {
            if (!after)
                return emit journalFailed(after.error());
            handed(*after, state);
        });
    });
}

void LabelPrinter::handed(const LabelRecord& label, const label::LabelState& state)
{
    emit finished(label);
    const auto due = label::nextDeadline(state);
    if (!due) {
        held_.erase(label.id);
        return;
    }
    // A fresh pause for each refusal: it ends this hand's state, not an earlier one's.
    auto& pause = held_[label.id];
    pause = clock_.timer();
    connect(pause.get(), &Timer::timeout, this, [this, label, state] {
        hand(label, label::move(state, label::DeadlinePassed{}, clock_.now()));
    });
    pause->start(std::max<Millis>(0, tickDiff(*due, clock_.now())));
}

} // namespace auxpad
