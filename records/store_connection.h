#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <map>
#include <vector>

#include "base/expected.h"
#include "records/job_record.h"
#include "records/serial_range.h"
#include "records/store_urls.h"

namespace auxpad {

// A connection to the records of board jobs, through Qt SQL, in a SQLite file or a
// PostgreSQL database, and what the journal, the line's database and the reader share:
// one schema, with a version table and the migrations that bring an older store up to
// date (records/store_schema.cpp), so that any of them opens any store; the statements
// prepared on the connection; the station and the clock it writes for; and the writes
// the journal and the line's database both make, which each of them shows as its own.
// A record is keyed by its job's uuid, so writing it again, or an earlier state of it
// after a later one, leaves one row with its latest state.
class StoreConnection {
public:
    StoreConnection();
    virtual ~StoreConnection();
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    // Opens the store and brings its schema up to date, or says why it cannot. A report
    // reads the records there are and makes no store of its own: MustExist. A reader that
    // must never write, even by mistake (the line's page), opens it ReadOnly: as MustExist,
    // and every transaction on the connection is read-only.
    enum class Opening { MayCreate, MustExist, ReadOnly };
    Expected<void, QString> open(const QString& url, Opening how = Opening::MayCreate);
    void close();
    bool isOpen() const { return db_.isOpen(); }
    const QString& url() const { return url_; }
    // The station whose leftovers and reservations this connection deals with: the
    // one stationName({}) names until said otherwise.
    void setStation(QString station) { station_ = std::move(station); }
    const QString& station() const { return station_; }
    // The clock whose time the store writes (the real one unless said otherwise).
    void setClock(const Clock& clock) { clock_ = &clock; }

    // This store's own identity, made with it: a journal's is what leases are held by.
    Expected<QString, QString> identity();

    static constexpr int kSchemaVersion = 12;

protected:
    // Writes a job's record, in a transaction of its own; or several in one transaction:
    // all of them or none. On PostgreSQL, a notification on `announce` goes with the
    // transaction, when one is named.
    Expected<void, QString> save(const JobRecord& record);
    Expected<void, QString> saveAll(const std::vector<JobRecord>& records, const QString& announce = {});
    // Serial numbers, where the command's records are (records/serial_numbers.cpp): the
    // lowest of `range` that no record and no earlier reservation holds, reserved at once
    // for `port` (another station or command waits meanwhile); the reservation's end,
    // "written" or "not written"; and whether a passed record (of `job`, with `recipe`,
    // when given) already holds a serial. With `heldFor`, only the records still held for
    // that line database count.
    Expected<QString, QString> reserveSerial(const SerialRange& range, const QString& recipe, const QString& port);
    Expected<void, QString> markSerial(const QString& serial, const QString& state);
    Expected<bool, QString> serialPassed(const QString& serial, const QString& job = {}, const QString& recipe = {},
                                         const QString& heldFor = {});
    // Every number of `range` that a record or a reservation holds, inside a transaction.
    Expected<std::vector<qint64>, QString> takenNumbers(const SerialRange& range);

    // What a store works out for a record before writing it, and what it writes with it,
    // in the record's own transaction (a journal: what the board's other tries say, and the
    // record held for its sinks); nothing unless a store says so.
    virtual Expected<void, QString> derive(JobRecord&) { return {}; }
    virtual Expected<void, QString> writeAlongside(const JobRecord&) { return {}; }

    Unexpected<QString> fail(const QString& what, const QString& why) const;
    // A statement of this connection, prepared the first time: the ones a bench runs for
    // every board are parsed once, not thousands of times a shift. A read's results are
    // let go of (finish) once read, so that it holds no reading open.
    QSqlQuery& prepared(const QString& sql);
    // Runs a prepared statement with `values` bound, or says why it could not be `what`.
    Expected<QSqlQuery*, QString> execute(const QString& sql, const QVariantList& values, const char* what);
    // Runs `sql` once for each row of bound values, in one transaction that `begin` opens:
    // every row or none. How many rows the statements changed.
    Expected<int, QString> writeEach(const char* begin, const QString& sql, const std::vector<QVariantList>& rows);

    QSqlDatabase db_;
    bool postgres_ = false;
    QString station_;
    const Clock* clock_ = &realClock();

private:
    Expected<void, QString> migrate();

    QString connection_;
    QString url_;
    QString identity_; // once read
    std::map<QString, QSqlQuery> statements_; // prepared on this connection
};

} // namespace auxpad
