#pragma once

#include <QObject>

#include "records/record_store.h"
#include "runner/board_runner.h"

namespace auxpad {

// Keeps the record of every job one board's engine runs: written as the job starts,
// completed as it ends, each in a transaction of its own, from the engine's summary of
// the job. A store that cannot take a record is said; the jobs go on regardless.
class RecordKeeper final : public QObject {
    Q_OBJECT
public:
    // Without a store, nothing is kept.
    RecordKeeper(BoardRunner& runner, RecordStore* store, QObject* parent = nullptr);

signals:
    void failed(const QString& why); // the store did not take a record

private:
    void take(const Effect& effect);
    void begin(const JobSummary& job);
    void end(const JobSummary& job);
    void write(const Expected<void, QString>& written);

    BoardRunner& runner_;
    RecordStore* store_;
    JobRecord record_;
    bool open_ = false;
};

} // namespace auxpad
