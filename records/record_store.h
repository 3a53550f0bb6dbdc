#pragma once

#include <QSqlDatabase>
#include <QString>

#include <map>
#include <vector>

#include "base/expected.h"
#include "records/job_record.h"

namespace auxpad {

// Which records `report` lists; empty fields let everything through.
struct RecordFilter {
    QString since; // a date or an ISO 8601 time: records started then or later
    QString port;
    QString serial;
};

// The records of board jobs, through Qt SQL: a SQLite file at the station, or one
// PostgreSQL database for a whole line. One schema, with a version table and the
// migrations that bring an older store up to date.
class RecordStore {
public:
    RecordStore();
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Where records go: the --db option, else $AUXPAD_FLASH_DB, else
    // sqlite:$XDG_DATA_HOME/auxpad-flash/records.sqlite.
    static QString chooseUrl(const QString& option);
    // What --db says of itself, wherever it is taken.
    static const QString kOptionHelp;
    // Whether a URL is one this store takes ("" when it is); what is wrong otherwise.
    static QString checkUrl(const QString& url);

    // Opens the store and brings its schema up to date, or says why it cannot.
    Expected<void, QString> open(const QString& url);
    bool isOpen() const { return db_.isOpen(); }

    // A job that starts: its record is written at once, as running; `record.id` is set.
    Expected<void, QString> begin(JobRecord& record);
    // The same record, as the job ended.
    Expected<void, QString> finish(const JobRecord& record);
    // Records this station's processes left running when they died are interrupted now.
    int closeLeftovers();

    // The records that pass the filter, oldest first, one at a time.
    Expected<void, QString> visit(const RecordFilter& filter, const std::function<void(const JobRecord&)>& each);
    std::vector<JobRecord> find(const RecordFilter& filter);
    // For the columns a report's table shows, the longest text among the records that
    // pass the filter (a line break counted as the two characters \n) or the largest
    // number; one quick query where reading every record twice would be slow.
    Expected<std::map<QString, double>, QString> longest(const RecordFilter& filter);

    static constexpr int kSchemaVersion = 2;

private:
    Expected<void, QString> migrate();
    Unexpected<QString> fail(const QString& what, const QString& why) const;

    QSqlDatabase db_;
    QString connection_;
    QString url_;
    bool postgres_ = false;
};

} // namespace auxpad
