#include "label/label_printer.h"

#include <QTimer>

namespace auxpad {

struct LabelPrinter::Worker : QObject {
    QString url;
    std::unique_ptr<RecordStore> journal; // made, used and closed on the thread only

    Expected<RecordStore*, QString> open()
    {
        if (!journal) {
            auto store = std::make_unique<RecordStore>();
            if (auto opened = store->open(url); !opened)
                return unexpected(opened.error());
            journal = std::move(store);
        }
        return journal.get();
    }
};

LabelPrinter::LabelPrinter(QString journalUrl, LabelSettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), worker_(std::make_unique<Worker>())
{
    qRegisterMetaType<LabelRecord>();
    clock_.start();
    worker_->url = std::move(journalUrl);
    worker_->moveToThread(&thread_);
    thread_.setObjectName(QStringLiteral("labels"));
    thread_.start();
}

LabelPrinter::~LabelPrinter()
{
    // What is under way ends first; the journal closes on its own thread.
    QMetaObject::invokeMethod(worker_.get(), [w = worker_.get()] { w->journal.reset(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void LabelPrinter::print(const LabelRequest& request)
{
    QMetaObject::invokeMethod(worker_.get(), [this, request] {
        auto journal = worker_->open();
        auto queued = journal ? queueLabel(**journal, request) : Expected<LabelRecord, QString>(unexpected(journal.error()));
        QMetaObject::invokeMethod(this, [this, queued] {
            if (!queued)
                return emit journalFailed(queued.error());
            hand(*queued, label::Queued{});
        });
    });
}

void LabelPrinter::printHeld()
{
    QMetaObject::invokeMethod(worker_.get(), [this] {
        auto journal = worker_->open();
        const Millis at = now();
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
        QMetaObject::invokeMethod(this, [this, unsure, held, why, at] {
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
    QMetaObject::invokeMethod(worker_.get(), [this, label, state]() mutable {
        auto journal = worker_->open();
        auto after = journal ? handLabel(**journal, label, settings_, state, now())
                             : Expected<LabelRecord, QString>(unexpected(journal.error()));
        QMetaObject::invokeMethod(this, [this, after, state] {
            if (!after)
                return emit journalFailed(after.error());
            handed(*after, state);
        });
    });
}

void LabelPrinter::handed(const LabelRecord& label, const label::LabelState& state)
{
    emit finished(label);
    if (const auto due = label::nextDeadline(state)) {
        QTimer::singleShot(std::max<Millis>(0, tickDiff(*due, now())), this, [this, label, state] {
            hand(label, label::move(state, label::DeadlinePassed{}, now()));
        });
    }
}

} // namespace auxpad
