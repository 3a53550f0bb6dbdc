#pragma once

#include <QSqlDatabase>
#include <QString>

#include <map>
#include <vector>

#include "records/job_record.h"
#include "records/record_query.h"

namespace auxpad {

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

    // A report reads the records there are and makes no store of its own.
    enum class Opening { MayCreate, MustExist };
    // "" once the store is open and its schema current; otherwise why not.
    QString open(const QString& url, Opening how = Opening::MayCreate);
    bool isOpen() const { return db_.isOpen(); }
    const QString& url() const { return url_; }
    QString lastError() const { return lastError_; }

    // A job that starts: its record is written at once, as running; `record.id` is set.
    bool begin(JobRecord& record);
    // The same record, as the job ended.
    bool finish(const JobRecord& record);
    // Records this station's processes left running when they died are interrupted now.
    int closeLeftovers();

    // The records that pass the filter, oldest first, one at a time; false when they
    // cannot be read (lastError says why).
    bool visit(const RecordFilter& filter, const std::function<void(const JobRecord&)>& each);
    std::vector<JobRecord> find(const RecordFilter& filter);
    // For the columns a report's table shows, the longest text among the records that
    // pass the filter (a line break counted as the two characters \n) or the largest
    // number; one quick query where reading every record twice would be slow.
    std::map<QString, double> longest(const RecordFilter& filter);
    // The records that pass the filter as CSV in UTF-8, oldest first: a header row, then
    // a line for each, with CRLF line ends; handed to `write` a large piece at a time.
    // False when they cannot be read (records/record_csv.cpp).
    bool writeCsv(const RecordFilter& filter, const std::function<void(const QByteArray&)>& write);
    // The summary of the records that pass the filter; false when they cannot be read
    // (records/record_query.cpp).
    bool summarise(const RecordFilter& filter, Period by, Summary& out);

    static constexpr int kSchemaVersion = 3;

private:
    bool migrate();
    bool fail(const QString& what, const QString& why);

    QSqlDatabase db_;
    QString connection_;
    QString url_;
    QString lastError_;
    bool postgres_ = false;
};

} // namespace auxpad
