#pragma once

#include <QObject>

#include "records/record_store.h"
#include "runner/board_runner.h"

namespace auxpad {

// Keeps the record of every job one board's engine runs: written as the job starts,
// completed as it ends, each in a transaction of its own. A store that cannot take a
// record is said once; the jobs go on regardless.
class RecordKeeper final : public QObject {
    Q_OBJECT
public:
    // Without a store, nothing is kept.
    RecordKeeper(BoardRunner& runner, RecordStore* store, QObject* parent = nullptr);

    // The job under way, if any, ends as interrupted: the window closes, the command stops.
    void interrupt();
    bool storeFailed() const { return storeFailed_; }

signals:
    void failed(const QString& why); // the first time the store does not take a record

private:
    void take(const Effect& effect);
    void begin(JobKind kind);
    void end(const QString& result);
    void write(bool ok);

    BoardRunner& runner_;
    RecordStore* store_;
    JobRecord record_;
    bool open_ = false;
    bool storeFailed_ = false;
};

} // namespace auxpad
