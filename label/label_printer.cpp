#include "label/label_printer.h"

namespace auxpad {

struct LabelPrinter::Worker : QObject {
    QString url;
    const Clock* clock = nullptr;
    Journal* shared = nullptr;
    std::unique_ptr<Journal> journal; // made, used and closed where the work runs only

    Expected<Journal*, QString> open()
    {
        if (shared)
            return shared;
        if (!journal) {
            auto store = std::make_unique<Journal>();
            store->setClock(*clock);
            if (auto opened = store->open(url); !opened)
                return unexpected(opened.error());
            journal = std::move(store);
        }
        return journal.get();
    }
};

LabelPrinter::LabelPrinter(QString journalUrl, LabelSettings settings, Clock& clock, Offload offload,
                           PrinterLink printer, Journal* shared, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), clock_(clock), offload_(offload), printer_(std::move(printer)),
      worker_(std::make_unique<Worker>()), pause_(clock.timer())
{
    qRegisterMetaType<LabelRecord>();
    worker_->url = std::move(journalUrl);
    worker_->clock = &clock_;
    worker_->shared = shared;
    connect(pause_.get(), &Timer::timeout, this, &LabelPrinter::pump);
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
            waiting_.push_back({*queued, label::Queued{}});
            pump();
        });
    });
}

void LabelPrinter::printHeld()
{
    offload([this] {
        auto journal = worker_->open();
        auto found = journal ? findLabels(**journal) : Expected<FoundLabels, QString>(unexpected(journal.error()));
        back([this, found] {
            if (!found)
                return emit journalFailed(found.error());
            for (const LabelRecord& label : found->unsure)
                emit unsure(label);
            // A start tries the printer afresh, whatever an earlier run found of it.
            printerState_ = label::movePrinter(printerState_, label::Restarted{}, clock_.now());
            for (const LabelRecord& label : found->waiting)
                waiting_.push_back({label, label::move(labelState(label), label::Restarted{})});
            pump();
        });
    });
}

void LabelPrinter::pump()
{
    if (handing_ || waiting_.empty())
        return;
    if (const auto* unusable = std::get_if<label::PrinterUnusable>(&printerState_))
        return holdWaiting(unusable->reason);
    if (const auto due = label::printerDue(printerState_); due && tickDiff(*due, clock_.now()) > 0) {
        holdWaiting(std::get<label::PrinterAway>(printerState_).reason);
        pause_->start(tickDiff(*due, clock_.now()));
        return;
    }
    Waiting next = std::move(waiting_.front());
    waiting_.pop_front();
    next.state = label::move(next.state, label::PrinterBack{});
    hand(std::move(next));
}

void LabelPrinter::holdWaiting(const std::string& reason)
{
    // Labels that find their printer away wait as held, each said so once.
    for (Waiting& w : waiting_) {
        if (!std::holds_alternative<label::Queued>(w.state) || !label::mayHand(w.state))
            continue;
        offload([this, w, reason]() mutable {
            auto journal = worker_->open();
            auto moved = journal ? moveLabel(**journal, w.label, w.state, label::Waits{reason})
                                 : Expected<void, QString>(unexpected(journal.error()));
            back([this, label = w.label, moved] {
                if (!moved)
                    return emit journalFailed(moved.error());
                emit finished(label);
            });
        });
        w.state = label::move(w.state, label::Waits{reason});
    }
}

void LabelPrinter::hand(Waiting waiting)
{
    if (!label::mayHand(waiting.state))
        return;
    handing_ = true;
    offload([this, waiting]() mutable {
        auto journal = worker_->open();
        label::LabelEvent answer = label::Broken{};
        auto after = journal ? handLabel(**journal, waiting.label, settings_, waiting.state, printer_, &answer)
                             : Expected<LabelRecord, QString>(unexpected(journal.error()));
        back([this, after, waiting, answer]() mutable {
            handing_ = false;
            if (!after) {
                emit journalFailed(after.error());
                return pump();
            }
            waiting.label = *after;
            handed(std::move(waiting), answer);
        });
    });
}

void LabelPrinter::handed(Waiting waiting, const label::LabelEvent& answer)
{
    emit finished(waiting.label);
    const bool wasUsable = !std::holds_alternative<label::PrinterUnusable>(printerState_);
    printerState_ = label::movePrinter(printerState_, answer, clock_.now());
    if (std::holds_alternative<label::Held>(waiting.state))
        waiting_.push_front(std::move(waiting)); // first again when the printer is back
    if (const auto* unusable = std::get_if<label::PrinterUnusable>(&printerState_); unusable && wasUsable)
        emit this->unusable(QString::fromStdString(unusable->reason));
    pump();
}

} // namespace auxpad

#include "moc_label_printer.cpp"
