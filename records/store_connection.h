#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <map>
#include <vector>

#include "base/expected.h"
#include "records/job_record.h"
#include "records/store_urls.h"

namespace auxpad {

// A connection to the records of board jobs, through Qt SQL, in a SQLite file or a
// PostgreSQL database: one schema, with a version table and the migrations that bring an
// older store up to date (records/store_schema.cpp), so that any store opens any of them;
// the statements prepared on the connection; the station and the clock it writes for.
// The journal, the line's database and the reader are each one connection, over whose
// tables small classes of their own read and write: its records (record_table.h), its
// serial numbers (serial_table.h), and in a journal its labels, leases, outbox and chain.
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
    const Clock& clock() const { return *clock_; }

    // This store's own identity, made with it: a journal's is what leases are held by.
    Expected<QString, QString> identity();

    static constexpr int kSchemaVersion = 16;

    // Whether the report's indexes (records by time, station, slot, job, result, operator
    // and order) are kept here. A journal that feeds a line's database is not where its
    // records are reported from, and each index is one more page written with every
    // record; the journal of a station without one is. Makes or drops only what differs,
    // so a store already as asked is not written to.
    Expected<void, QString> indexForReports(bool reportsReadHere);

    // What the tables over this connection share.
    QSqlDatabase& database() { return db_; }
    bool postgres() const { return postgres_; }
    Unexpected<QString> fail(const QString& what, const QString& why) const;
    // A statement of this connection, prepared the first time: the ones a bench runs for
    // every board are parsed once, not thousands of times a shift. A read's results are
    // let go of (finish) once read, so that it holds no reading open.
    QSqlQuery& prepared(const QString& sql);
    // Runs a prepared statement with `values` bound, or says why it could not be `what`.
    Expected<QSqlQuery*, QString> execute(const QString& sql, const QVariantList& values, const char* what);
    // Runs `sql` once for each row of bound values, in one transaction: every row or none.
    // How many rows the statements changed.
    Expected<int, QString> writeEach(const QString& sql, const std::vector<QVariantList>& rows);

protected:
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
