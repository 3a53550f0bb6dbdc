#include "records/delivery.h"

#include <QEventLoop>

namespace auxpad {

namespace {
constexpr int kBatch = 200;
constexpr int kFirstPauseMs = 1000;
constexpr int kLongestPauseMs = 60000;
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
        if (const auto saved = line.saveAll(delivered); !saved) {
            line.close(); // opened afresh at the next try
            return unexpected(saved.error());
        }
        if (const auto marked = journal.markDelivered(*batch); !marked)
            return unexpected(marked.error());
        count.delivered += static_cast<int>(batch->size());
    }
    return count;
}

// Lives on the courier's thread, with its own connections to both databases.
class Courier::Worker final : public QObject {
    Q_OBJECT
public:
    Worker(QString journalUrl, QString lineUrl) : journalUrl_(std::move(journalUrl)), lineUrl_(std::move(lineUrl)) {}

    void deliver()
    {
        QString why;
        if (!journal_) {
            journal_ = std::make_unique<RecordStore>();
            line_ = std::make_unique<RecordStore>();
            if (const auto opened = journal_->open(journalUrl_); !opened)
                why = opened.error();
        }
        if (why.isEmpty()) {
            if (const auto done = deliverHeld(*journal_, *line_, lineUrl_); !done)
                why = done.error();
        }
        const auto held = journal_->heldCount(RecordStore::shownUrl(lineUrl_));
        emit tried(held.value_or(0), why);
    }
    // The connections go on the thread that made them.
    void close()
    {
        line_.reset();
        journal_.reset();
    }

signals:
    void tried(int held, const QString& why);

private:
    QString journalUrl_;
    QString lineUrl_;
    std::unique_ptr<RecordStore> journal_;
    std::unique_ptr<RecordStore> line_;
};

Courier::Courier(QString journalUrl, QString lineUrl, QObject* parent)
    : QObject(parent), worker_(new Worker(std::move(journalUrl), std::move(lineUrl)))
{
    worker_->moveToThread(&thread_);
    connect(worker_, &Worker::tried, this, &Courier::tried);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &Courier::start);
    thread_.start();
}

Courier::~Courier()
{
    retry_.stop();
    QMetaObject::invokeMethod(worker_, &Worker::close, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete worker_;
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
    QMetaObject::invokeMethod(worker_, &Worker::deliver, Qt::QueuedConnection);
}

void Courier::tried(int held, const QString& why)
{
    busy_ = false;
    if (held != held_) {
        held_ = held;
        emit heldChanged(held_);
    }
    if (why.isEmpty()) {
        pauseMs_ = 0;
        if (again_)
            return start();
    } else {
        again_ = false; // the next try takes everything
        pauseMs_ = pauseMs_ == 0 ? kFirstPauseMs : std::min(pauseMs_ * 2, kLongestPauseMs);
        retry_.start(pauseMs_);
        emit failed(why);
    }
    emit idle();
}

void Courier::settle(int ms)
{
    if (!busy_)
        start(); // one last try now, which also counts what is held
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &Courier::idle, &loop, &QEventLoop::quit);
    limit.start(ms);
    loop.exec();
}

} // namespace auxpad

#include "delivery.moc"
