#pragma once

#include <QObject>

#include "records/journal.h"
#include "bringup/bring_up_machine.h"
#include "runner/board_runner.h"
#include "runner/surroundings.h"

namespace auxpad {

// What a bring-up adds to the records of its jobs.
struct JobTags {
    QString recipe;
    QString recipeSha256;
    QString serialSource; // "allocated" or "kept", once known
};

// Who runs the boards, where, and for which order: on every record of the run; and why,
// when the run is an exception to the line's rules.
struct Attribution {
    QString station = StoreUrls::stationName({});
    QString operatorId; // "" for nobody signed in
    QString order;      // the work order or lot, "" for none
    QString reason;     // "" unless an exception was asked for
};

// A job's record as it starts on `port`, from this station and the process `around`
// names: a fresh uuid, the time on its clock, the tool's version, `tags`, `attribution`,
// and the result "running".
JobRecord startingRecord(const PortName& port, const JobTags& tags, const Attribution& attribution,
                         const Surroundings& around);

// The one mapping from a job's summary to its record: what the summary fills at the start
// and at the end alike, and, once the job has ended, its end, at the time on `clock`.
void fillRecord(JobRecord& record, const JobSummary& job);
void endRecord(JobRecord& record, const JobSummary& job, const Clock& clock);
// A board's whole bring-up as it ended: its last step's record, named "run", with the
// bring-up's own result, the flash job's files and the serial the board holds.
void fillBringUpRecord(JobRecord& record, const BringUpResult& bringUp, const JobSummary& flash, const Clock& clock);

// A board's identity, made when it arrives: in its slot, or on a command's port.
QString newBoardIdentity();

// Keeps the record of every job one board's engine runs, in the station's journal:
// written as the job starts, and again as it ends, each in a transaction of its own, from
// the engine's summary of the job, and held there for the line's database if one is
// named. A job whose end cannot be put on record has failed: nobody could trace the board.
class RecordKeeper final : public QObject {
    Q_OBJECT
public:
    // Without a journal, nothing is kept; `lineDb` names the line database (as
    // StoreUrls::shownUrl does), or is "" for none.
    RecordKeeper(BoardRunner& runner, Journal* journal, QString lineDb, const Surroundings& around,
                 QObject* parent = nullptr);

    // The tags of the jobs that start from now on.
    void tag(JobTags tags) { tags_ = std::move(tags); }
    // Who runs the jobs that start from now on.
    void attribute(Attribution attribution) { attribution_ = std::move(attribution); }
    // The board on this port from now on: every job and try of it is on record with its
    // identity, until another board arrives. Without one, each job is a board of its own.
    void setBoard(QString board) { board_ = std::move(board); }
    const QString& board() const { return board_; }

signals:
    void saved();                    // a record went into the journal
    void failed(const QString& why); // the journal did not take a record
    // The job as it is on record: the engine's summary, failed when its end could not
    // be written.
    void recorded(const auxpad::JobSummary& job);

private:
    void take(const Effect& effect);
    void begin(const JobSummary& job);
    void end(JobSummary job);
    Expected<void, QString> write();

    BoardRunner& runner_;
    Journal* journal_;
    const Surroundings& around_;
    QString lineDb_;
    JobTags tags_;
    Attribution attribution_;
    QString board_;
    JobRecord record_;
    bool open_ = false;
};

} // namespace auxpad
