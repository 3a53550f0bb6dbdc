#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "label/label_printer.h"
#include "records/delivery.h"
#include "runner/board_job.h"
#include "runner/board_status.h"
#include "runner/board_runner.h"
#include "runner/bring_up.h"
#include "runner/lease_keeper.h"
#include "runner/record_keeper.h"
#include "runner/slot.h"
#include "sinks/sink_deliveries.h"

namespace auxpad {

// The boards a front runs, each on its own port, and the records they are kept on: the
// station window's one board, a command's or the line window's many. The station's
// journal comes first (and what a dead process of this station left running is closed),
// then every port, before a byte goes to any board. A line database, when one is named,
// is fed from the journal as the records are written, and at the start with whatever
// was held for it.
class Bench final : public QObject, public BringUpHost {
    Q_OBJECT
public:
    Bench(TextFiles& files, std::string iniPath, Surroundings surroundings = {}, QObject* parent = nullptr);
    ~Bench() override;

    // Who runs the boards, on every record: said before the records are opened and the ports added.
    void attribute(Attribution attribution) { attribution_ = std::move(attribution); }
    const Attribution& attribution() const override { return attribution_; }
    // Another operator signed in: the jobs that start from now on are theirs.
    void signIn(const QString& operatorId);
    // Opens the journal at `journalUrl`, or says why the jobs cannot be put on record;
    // `lineUrl` ("" for none) is the line's database it feeds.
    Expected<void, QString> openRecords(const QString& lineUrl, const QString& journalUrl = StoreUrls::journalUrl());
    // The station's journal, once open: its access log and list of people are the
    // bench's session's to read and write, on this thread.
    Journal& journal() { return journal_; }
    // Where each board's result goes too, from the journal (a webhook, an MQTT broker):
    // said before the records are opened, which send what earlier runs left held first.
    void sendResultsTo(SinkSettings sinks) { sinkSettings_ = std::move(sinks); }
    // Adds a board's port and opens it; when it cannot be opened, every port is closed.
    Expected<void, QString> addPort(const PortName& port);
    void close();

    // What each board runs: a job at a time; with a recipe, a whole bring-up; watching,
    // a slot that starts each board by itself. Called once every port is added.
    void prepare(const Recipe* recipe, BringUpRules rules = {}, bool watch = false);
    // Starts every slot of a watching bench.
    void startSlots();
    // Stops everything under way: each job ends as interrupted, each slot stops.
    void stop();

    std::size_t size() const { return boards_.size(); }
    Clock& clock() const { return *surroundings_.clock; }
    const Surroundings& surroundings() const override { return surroundings_; }
    BoardRunner& runner(std::size_t i) { return *boards_[i]->runner; }
    RecordKeeper& keeper(std::size_t i) { return *boards_[i]->keeper; }
    BoardJob& job(std::size_t i) { return *boards_[i]->job; }
    BringUp* bringUp(std::size_t i) { return boards_[i]->bringUp.get(); }
    Slot* slot(std::size_t i) { return boards_[i]->slot.get(); }
    // What every front shows of board `i`; `statusChanged` says when it changed.
    const BoardStatus& status(std::size_t i) const { return boards_[i]->status; }
    // What the bench's boards came to since it started: each board counted once by its
    // identity, by the rule the records are counted by (base/board_counts.h), as its status
    // says it; and the words for board `i`'s slot when it fails more than the bench.
    Tally tally() const { return book_.tally(); }
    const BoardBook& book() const { return book_; }
    std::optional<std::string> outlier(std::size_t i) const { return book_.outlier(status(i).port); }
    // A front starts board `i` (a board put on it now): its bring-up, or a flash job with
    // `files`; nothing while it is busy.
    void start(std::size_t i, const FlashFiles& files);
    bool busy(std::size_t i) const;
    // How long board `i` has run, now while it runs, else as its status says.
    double seconds(std::size_t i) const;
    std::vector<BoardJob*> jobs();
    // Why the jobs are not on record, once they are not.
    const std::optional<QString>& recordsProblem() const { return recordsProblem_; }
    // What the journal chained as it opened, written before it chained its entries: what
    // a front says once ("", when there was nothing).
    QString chainedNotice() const;

    // The line database, as messages name it ("" for none), and the records held for it.
    const QString& lineDb() const { return lineDb_; }
    int held() const { return courier_ ? courier_->held() : 0; }
    // "held for webhook: N, ...": what the sinks hold, "" when they hold nothing.
    QString sinksHeld() const { return sinks_ ? sinks_->heldText() : QString(); }
    // Gives what is held one more try, waiting for it at most `ms`.
    void lastDelivery(int ms);
    // The records' own thread, for what waits on a database (nullptr without records).
    RecordsThread* recordsThread() override { return thread_.get(); }
    // A board took a serial number, after waiting `waited` for it: with a line database,
    // the station's lease is refilled in the background when it runs low.
    void serialTaken(Millis waited) override;
    // The longest a board has waited for its serial number, and a passed board for its
    // label to be printed.
    Millis longestSerialWait() const { return longestSerialWait_; }
    Millis longestLabelWait() const { return longestLabelWait_; }
    // Puts a record that no engine job keeps (a board's whole bring-up) in the journal.
    Expected<void, QString> keep(JobRecord& record) override;

    // Prints a label for each board that passes, on `settings`'s printer: first what earlier
    // runs left queued or held. Called once the records are open.
    void printLabels(const LabelSettings& settings);
    bool printsLabels() const override { return labels_ != nullptr; }
    // The label of the board `job` runs on, which passed.
    void printLabel(const BoardJob& job, const LabelRequest& request) override;
    // Labels waiting for their printer.
    int labelsHeld() const { return static_cast<int>(heldLabels_.size()); }
    // Gives every label asked for its first hand to the printer, waiting at most `ms`.
    void lastLabels(int ms);

signals:
    // The records stopped being kept: said once, at the start or when a write failed.
    void recordsFailed(const QString& why);
    void heldChanged(int held);
    // What the sinks hold changed; and why one of them did not take a result.
    void sinksHeldChanged(const QString& text);
    void sinkProblem(const QString& why);
    // Another journal goes by this station's name in the line's database: said once.
    void stationNameShared(const QString& warning);
    // The line's database refused a serial this station wrote: two boards may carry it.
    void serialDoubled(const QString& text);
    // Each board's news, the same for every front: `board` is its index.
    void arrived(std::size_t board);
    void left(std::size_t board);
    void phaseChanged(std::size_t board);
    void progressed(std::size_t board);
    void told(std::size_t board, const QString& text);
    // A board's job or bring-up ended (with a slot, one of its boards' bring-ups).
    void finished(std::size_t board);
    // A board's label reached its printer ("printed"), waits for it ("held") or "failed".
    void labelShown(std::size_t board, const QString& state);
    // Board `board`'s status changed: a phase, its progress, its end, its label, its slot.
    void statusChanged(std::size_t board);
    // What the operator must hear of the labels: one an earlier run may have printed, a
    // journal that took no mark.
    void labelsNoticed(const QString& text);

private:
    struct Board {
        std::unique_ptr<BoardRunner> runner;
        std::unique_ptr<RecordKeeper> keeper;
        std::unique_ptr<BoardJob> job;
        std::unique_ptr<BringUp> bringUp;
        std::unique_ptr<Slot> slot;
        BoardStatus status;
    };
    void follow(std::size_t i);
    void followEnds(std::size_t i);
    // What board `i` says while it runs: its serial once read, the boxes it shows.
    void hear(std::size_t i, const Effect& effect);
    // Board `i`'s status becomes `status`; said to every front.
    void show(std::size_t i, BoardStatus status);
    void showSlot(std::size_t i);
    void recordsLost(const QString& why);

    TextFiles& files_;
    std::string iniPath_;
    Surroundings surroundings_;
    Journal journal_;
    QString lineDb_;
    std::unique_ptr<RecordsThread> thread_;
    std::unique_ptr<Courier> courier_;
    SinkSettings sinkSettings_;
    std::unique_ptr<SinkCouriers> sinks_;
    std::unique_ptr<LeaseKeeper> lease_;
    std::vector<std::unique_ptr<Board>> boards_;
    std::optional<QString> recordsProblem_;
    int chainedBefore_ = 0;
    BoardBook book_;
    int loneJobs_ = 0; // lone jobs on no board's identity, each a board of its own
    QString journalUrl_;
    std::unique_ptr<LabelPrinter> labels_;
    std::map<QString, std::size_t> labelBoard_; // by bring-up
    std::set<QString> labelsInHand_;             // asked for, no answer yet
    std::set<qint64> heldLabels_;
    std::map<QString, Millis> labelAsked_;       // by bring-up, until printed
    Millis longestSerialWait_ = 0;
    Millis longestLabelWait_ = 0;
    void labelFinished(const LabelRecord& label);
    Attribution attribution_;
};

} // namespace auxpad
