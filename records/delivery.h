#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>

#include <functional>
#include <memory>
#include <optional>

#include "clock/retry_timer.h"
#include "records/journal.h"
#include "records/line_database.h"

namespace auxpad {

struct DeliveryCount {
    int delivered = 0; // records that went to the line database now
    int held = 0;      // records still held for it in the journal
    // The other journals that use this station's name there.
    std::vector<Namesake> namesakes;
    // The numbers' states the line's database refused now: each a serial that two boards
    // may carry.
    std::vector<SerialRefusal> refused;
};

// Delivers every record the journal holds for the line database, oldest first, a batch
// at a time: each batch in one transaction there, then marked delivered in the journal;
// then says there that this journal goes by the station's name; then, in one transaction,
// the states of the serial numbers leased to the journal, a state the line refuses marked
// so in the journal. A batch that did not go stays held; one that went but was not marked
// goes again, which changes nothing there. Waits on the database: a command may call
// this, a window not.
// `announce`: whether to say there now that this journal goes by its station's name, and
// hear which other journals do (a courier says it at every delivery of its first five
// minutes, then once a minute).
enum class Announce { Now, NotNow };
Expected<DeliveryCount, QString> deliverHeld(Journal& journal, LineDatabase& line, const QString& lineUrl,
                                             Announce announce = Announce::Now);

// What the operator is told of a station name that other journals use too, and of a
// serial the line's database refused: one wording for every front.
QString namesakeWarning(const QString& station, const std::vector<Namesake>& others);
QString doubledSerial(const SerialRefusal& refusal);

// The records' own thread, with connections of its own to the station's journal and the
// line's database: whatever may wait on a database runs there (Qt's SQL drivers wait on
// the network), so that the event loop's thread, with every board on it, never does.
// On a simulated clock the same work runs as calls posted to it, on its thread.
class RecordsThread final : public QObject {
    Q_OBJECT
public:
    struct Stores {
        QString journalUrl;
        QString lineUrl; // "" for none
        QString station; // whose leftovers and reservations these are
        Journal journal;
        LineDatabase line;
        Journal* sharedJournal = nullptr; // on the clock: the bench's own connection
        // Why the line's database does not answer now, when something says so (a
        // simulated outage); "" while it may be asked.
        std::function<QString()> lineAway;
        Expected<Journal*, QString> openJournal();
        Expected<LineDatabase*, QString> openLine();
    };

    RecordsThread(QString journalUrl, QString lineUrl, QString station = StoreUrls::stationName({}),
                  Clock& clock = realClock(), Offload offload = Offload::OwnThread, QObject* parent = nullptr);
    ~RecordsThread() override;

    // Says why the line's database does not answer, while it does not: before any work runs.
    void setLineAway(std::function<QString()> away) { stores_->lineAway = std::move(away); }
    // On the clock, where nothing waits, the journal is the bench's own open connection
    // rather than one more of the same file.
    void shareJournal(Journal& journal) { stores_->sharedJournal = &journal; }

    // Runs `task` on the records' thread; `done` then gets its result on this thread,
    // unless `receiver` is gone by then.
    template <typename Result>
    void run(std::function<Result(Stores&)> task, QObject* receiver, std::function<void(const Result&)> done)
    {
        if (offload_ == Offload::OnClock) {
            clock_.post(this, [this, task = std::move(task), guard = QPointer<QObject>(receiver), done = std::move(done)] {
                Result result = task(*stores_);
                clock_.post(guard, [guard, done, result] { if (guard) done(result); });
            });
            return;
        }
        QMetaObject::invokeMethod(
            worker_.get(),
            [this, task = std::move(task), guard = QPointer<QObject>(receiver), done = std::move(done)] {
                Result result = task(*stores_);
                QMetaObject::invokeMethod(
                    this, [guard, done, result] { if (guard) done(result); }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

private:
    Clock& clock_;
    Offload offload_;
    QThread thread_;
    std::unique_ptr<QObject> worker_; // lives on thread_
    std::unique_ptr<Stores> stores_;  // used only there
};

// Feeds the line database from the journal on the records' thread, as its RetryMachine
// says: one delivery at a time, 5 s after something is held (so that the records a bench
// writes meanwhile go together); a database that does not answer is tried again after a
// pause that grows to a minute.
class Courier final : public QObject {
    Q_OBJECT
public:
    Courier(RecordsThread& thread, QString lineUrl, Clock& clock = realClock(), QObject* parent = nullptr);

    // Something new is held: it goes with the next delivery.
    void deliverSoon();
    // Tries once more, after the try under way if there is one, and runs the event loop
    // until it is over (and any it calls for), or `ms` have passed.
    void lastTry(int ms) { retry_.lastTry(ms); }
    int held() const { return held_; }

signals:
    void heldChanged(int held);
    void failed(const QString& why); // a try that did not reach the database; it is tried again
    // Other journals use this station's name there: said once.
    void stationNameShared(const std::vector<Namesake>& others);
    // The line's database refused a number's written state: said for each, loudly.
    void serialDoubled(const QString& text);

private:
    void start();
    void tried(const Expected<DeliveryCount, QString>& outcome, std::optional<int> held);

    RecordsThread& thread_;
    QString lineUrl_;
    Clock& clock_;
    RetryTimer retry_;
    Stopwatch since_;                // since the courier began
    std::optional<Millis> announced_; // when it last said whose journal it delivers
    int held_ = 0;
    bool namesakesSaid_ = false;
};

} // namespace auxpad
