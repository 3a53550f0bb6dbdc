#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include "records/label_record.h"
#include "records/serial_state.h"
#include "records/sink_state.h"
#include "records/store_connection.h"

namespace auxpad {

// The station's journal: the SQLite file where every record of its boards is written
// first, and what it keeps until the line's database has it: the records held for it,
// the serial numbers the line leased to this journal with what became of each, and the
// labels of the station's printer. Without a line database, serial numbers are reserved
// here.
class Journal : public StoreConnection {
public:
    using StoreConnection::markSerial;
    using StoreConnection::reserveSerial;
    using StoreConnection::save;
    using StoreConnection::saveAll;
    using StoreConnection::serialPassed;

    // Records this station's processes left running when they died are interrupted now:
    // those of a process that `alive` says is gone (by default, one this machine no
    // longer runs).
    static bool processAlive(qint64 pid);
    Expected<int, QString> closeLeftovers(const std::function<bool(qint64)>& alive = processAlive);

    // The records held for a line database (as StoreUrls::shownUrl names it), their
    // number, and the mark that each went there in the state it was delivered in.
    Expected<int, QString> heldCount(const QString& lineDb);
    Expected<std::vector<JobRecord>, QString> held(const QString& lineDb, int most);
    Expected<void, QString> markDelivered(const std::vector<JobRecord>& records);

    // The labels (records/label_records.cpp): one queued, the marks of its state as its
    // machine moves it (label/label_spool.h, the one caller), and the list of them: all,
    // those not printed yet (queued, handed or held), or those handed.
    Expected<qint64, QString> queueLabel(const LabelRecord& label);
    Expected<void, QString> markLabelHanded(qint64 id, int attempts);
    Expected<void, QString> markLabelPrinted(qint64 id, int jobId);
    Expected<void, QString> markLabelHeld(qint64 id, const QString& reason);
    Expected<void, QString> markLabelFailed(qint64 id, const QString& reason);
    Expected<void, QString> markLabelUnsure(qint64 id, const QString& reason);
    enum class Labels { All, Held, Handed };
    Expected<std::vector<LabelRecord>, QString> labels(Labels which);
    // The newest label of a serial, if it has one.
    Expected<std::optional<LabelRecord>, QString> lastLabel(const QString& serial);

    // The lease the line's database `lineDb` (as StoreUrls::shownUrl names it) gave this
    // journal (records/journal_lease.cpp), handed to its boards without asking there:
    // leased numbers kept (a number known already keeps its state, and one of `range` no
    // board took that the line no longer leases to this journal is dropped); how many of
    // `range` are left to take; the lowest of them taken for a board on `port`, in one
    // transaction (none when the lease is empty); a taken number's end, "written" or "not
    // written" (false for a number not leased to this station); the states not yet
    // delivered, the mark that they were, or that the line refused them and why, and those
    // refused; the numbers still leased, and their removal once given back.
    Expected<void, QString> keepLease(const QString& lineDb, const QString& recipe, const SerialRange& range,
                                      const QStringList& serials);
    Expected<int, QString> leaseLeft(const QString& lineDb, const SerialRange& range);
    Expected<std::optional<QString>, QString> takeLeased(const QString& lineDb, const SerialRange& range,
                                                         const QString& port);
    Expected<bool, QString> markLeased(const QString& lineDb, const QString& serial, const QString& state);
    Expected<std::vector<SerialState>, QString> heldSerialStates(const QString& lineDb);
    Expected<void, QString> markSerialStatesDelivered(const QString& lineDb, const std::vector<SerialState>& states);
    Expected<void, QString> markSerialStatesRefused(const QString& lineDb, const std::vector<SerialState>& states,
                                                    const std::vector<SerialRefusal>& refusals);
    Expected<std::vector<SerialRefusal>, QString> refusedSerialStates(const QString& lineDb);
    Expected<QStringList, QString> leasedSerials(const QString& lineDb);
    Expected<void, QString> dropLease(const QString& lineDb, const QStringList& serials);

    // The sinks (records/sink_records.cpp): those whose results are held from now on,
    // each board result they take written with the record; the records held for a sink,
    // oldest first, and the marks that one went or was refused with the sink's answer;
    // refused records held again (for every sink with ""); how each sink's deliveries
    // stand, and what one refused; the state of the label a bring-up asked for, "" for none.
    void holdFor(std::vector<SinkInterest> sinks) { sinks_ = std::move(sinks); }
    Expected<std::vector<JobRecord>, QString> heldForSink(const QString& sink, int most);
    Expected<void, QString> markSinkDelivered(const QString& sink, const JobRecord& record);
    Expected<void, QString> markSinkRefused(const QString& sink, const JobRecord& record, const QString& answer);
    Expected<int, QString> resendRefused(const QString& sink);
    Expected<std::vector<SinkCount>, QString> sinkCounts();
    Expected<std::vector<SinkRefusal>, QString> sinkRefusals(const QString& sink);
    Expected<QString, QString> labelStateOf(const QString& bringUp);

protected:
    // A board's record: how the board's first try ended, and, as a new try starts, the mark
    // on the board's earlier tries that it was tried again (records/journal.cpp).
    Expected<void, QString> derive(JobRecord& record) override;
    Expected<void, QString> writeAlongside(const JobRecord& record) override;

private:
    Expected<void, QString> updateLabel(qint64 id, const QString& set, const QVariantList& values);
    // At most `most` records, in the order they were kept, of those `where` (with `values`) holds.
    Expected<std::vector<JobRecord>, QString> recordsWhere(const QString& where, const QVariantList& values, int most);

    std::vector<SinkInterest> sinks_;
};

} // namespace auxpad
