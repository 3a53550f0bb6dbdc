#include "records/delivery.h"

#include <QElapsedTimer>
#include <QEventLoop>

namespace auxpad {

namespace {
constexpr int kBatch = 200;
} // namespace

Expected<DeliveryCount, QString> deliverHeld(RecordStore& journal, RecordStore& line, const QString& lineUrl)
{
    const QString lineDb = RecordStore::shownUrl(lineUrl);
    DeliveryCount count;
    for (;;) {
        auto batch = journal.held(lineDb, kBatch);
        if (!batch)
            return unexpected(batch.error());
        if (batch->empty())
            break;
        std::vector<JobRecord> delivered = *batch;
        for (JobRecord& r : delivered)
            r.lineDb.clear(); // the line database holds nothing for another
        if (!line.isOpen()) {
            if (const auto opened = line.open(lineUrl); !opened)
                return unexpected(opened.error());
        }
        // The line's open pages hear of the batch as it commits.
        if (const auto saved = line.saveAll(delivered, RecordStore::kRecordsChannel); !saved) {
            line.close(); // opened afresh at the next try
            return unexpected(saved.error());
        }
        if (const auto marked = journal.markDelivered(*batch); !marked)
            return unexpected(marked.error());
        count.delivered += static_cast<int>(batch->size());
    }
    // Then what became of the numbers leased to this station, after the records that
    // hold them, each change once in the line's database.
    const auto states = journal.heldSerialStates(lineDb);
    if (!states)
        return unexpected(states.error());
    if (states->empty())
        return count;
    if (!line.isOpen()) {
        if (const auto opened = line.open(lineUrl); !opened)
            return unexpected(opened.error());
    }
    if (const auto applied = line.applySerialStates(*states); !applied) {
        line.close();
        return unexpected(applied.error());
    }
    if (const auto marked = journal.markSerialStatesDelivered(lineDb, *states); !marked)
        return unexpected(marked.error());
    return count;
}

Expected<RecordStore*, QString> RecordsThread::Stores::openJournal()
{
    if (!journal.isOpen()) {
        if (auto opened = journal.open(journalUrl); !opened)
            return unexpected(opened.error());
    }
    return &journal;
}

Expected<RecordStore*, QString> RecordsThread::Stores::openLine()
{
    if (!line.isOpen()) {
        if (auto opened = line.open(lineUrl); !opened)
            return unexpected(opened.error());
    }
    return &line;
}

RecordsThread::RecordsThread(QString journalUrl, QString lineUrl, QString station, QObject* parent)
    : QObject(parent), worker_(std::make_unique<QObject>()), stores_(std::make_unique<Stores>())
{
    stores_->journalUrl = std::move(journalUrl);
    stores_->lineUrl = std::move(lineUrl);
    // Whoever opens a connection first (a delivery, a refill), it is this station's.
    stores_->journal.setStation(station);
    stores_->line.setStation(station);
    stores_->station = std::move(station);
    worker_->moveToThread(&thread_);
    thread_.start();
}

RecordsThread::~RecordsThread()
{
    // The connections go on the thread that made them, after what is under way there.
    QMetaObject::invokeMethod(worker_.get(), [this] { stores_.reset(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

Courier::Courier(RecordsThread& thread, QString lineUrl, QObject* parent)
    : QObject(parent), thread_(thread), lineUrl_(std::move(lineUrl))
{
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &Courier::start);
}

void Courier::deliverSoon()
{
    if (busy_)
        again_ = true;
    else if (!retry_.isActive()) // after a failed try, the next is already set
        start();
}

void Courier::start()
{
    retry_.stop();
    busy_ = true;
    again_ = false;
    // What was delivered, and how many records are still held when the journal can say.
    using Outcome = std::pair<Expected<DeliveryCount, QString>, std::optional<int>>;
    thread_.run<Outcome>(
        [line = lineUrl_](RecordsThread::Stores& stores) -> Outcome {
            const auto journal = stores.openJournal();
            if (!journal)
                return {unexpected(journal.error()), std::nullopt};
            auto delivered = deliverHeld(**journal, stores.line, line);
            if (!delivered)
                stores.line.close(); // opened afresh at the next try
            const auto held = (*journal)->heldCount(RecordStore::shownUrl(line));
            if (!held)
                return {unexpected(held.error()), std::nullopt};
            return {delivered, *held};
        },
        this, [this](const Outcome& outcome) { tried(outcome.first, outcome.second); });
}

void Courier::tried(const Expected<DeliveryCount, QString>& outcome, std::optional<int> held)
{
    busy_ = false;
    if (held && *held != held_) {
        held_ = *held;
        emit heldChanged(held_);
    }
    if (outcome) {
        backoff_.succeeded();
        if (again_)
            return start();
    } else {
        again_ = false; // the next try takes everything
        retry_.start(static_cast<int>(backoff_.failed()));
        emit failed(outcome.error());
    }
    emit idle();
}

void Courier::lastTry(int ms)
{
    QElapsedTimer waited;
    waited.start();
    auto waitForIdle = [&] {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(this, &Courier::idle, &loop, &QEventLoop::quit);
        limit.start(std::max<qint64>(0, ms - waited.elapsed()));
        loop.exec();
    };
    // A try under way may have counted before the last record was written: one more
    // follows it, whatever it came to, and its count is the one that stands.
    if (busy_)
        waitForIdle();
    start();
    waitForIdle();
}

} // namespace auxpad
