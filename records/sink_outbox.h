#pragma once

#include <vector>

#include "base/expected.h"
#include "records/job_record.h"
#include "records/sink_state.h"

namespace auxpad {

class RecordTable;
class StoreConnection;

// A journal's outbox for its sinks (sink_deliveries): which sinks' results are held from
// now on, each board result they take written with its record; the records held for a
// sink, oldest first, and the marks that one went or was refused with the sink's answer;
// refused records held again (for every sink with ""); how each sink's deliveries stand,
// and what one refused.
class SinkOutbox {
public:
    SinkOutbox(StoreConnection& store, RecordTable& records) : store_(store), records_(records) {}

    void holdFor(std::vector<SinkInterest> sinks) { sinks_ = std::move(sinks); }
    // The record's results, held for each sink that takes them: in the record's transaction.
    Expected<void, QString> hold(const JobRecord& record);
    Expected<std::vector<JobRecord>, QString> held(const QString& sink, int most);
    Expected<void, QString> markDelivered(const QString& sink, const JobRecord& record);
    Expected<void, QString> markRefused(const QString& sink, const JobRecord& record, const QString& answer);
    Expected<int, QString> resendRefused(const QString& sink);
    Expected<std::vector<SinkCount>, QString> counts();
    Expected<std::vector<SinkRefusal>, QString> refusals(const QString& sink);

private:
    StoreConnection& store_;
    RecordTable& records_;
    std::vector<SinkInterest> sinks_;
};

} // namespace auxpad
