// The records' figures of the README's performance table: what writing a record costs
// in a SQLite store, and a store of 100,000 records for tools/perf-figures.sh to time
// `auxpad-flash report` over. Prints markdown table rows.
//
//   records_figures FOLDER     the stores go into FOLDER; the large one is big.sqlite

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

#include <QUuid>

#include "records/journal.h"

namespace {

auxpad::JobRecord aJob(int n)
{
    auxpad::JobRecord r;
    r.started = auxpad::recordTime();
    r.station = "bench";
    r.port = QString("COM%1").arg(1 + n % 8);
    r.device = "/dev/ttyUSB0";
    r.job = "flash";
    r.result = "running";
    r.toolVersion = "bench";
    r.pid = 1;
    r.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.disk = auxpad::JobRecord::File{"initdisk.txt", 19800, QString(64, 'a'), std::nullopt, std::nullopt};
    r.data = auxpad::JobRecord::File{"initdata.txt", 39600, QString(64, 'b'), std::nullopt, std::nullopt};
    return r;
}

// A job's record as a station writes it: as the job starts, and as it ends.
bool writeJob(auxpad::Journal& store, int n)
{
    auxpad::JobRecord r = aJob(n);
    if (!store.records().save(r))
        return false;
    r.revision = 2;
    r.finished = auxpad::recordTime();
    r.result = "passed";
    r.seconds = 0.001;
    r.caption = "Flash AUXPAD Successfully!\nPlease Reset the phone!";
    r.serial = QString("SN%1").arg(n, 7, 10, QChar('0'));
    r.disk->blocks = 50;
    r.data->blocks = 100;
    return store.records().save(r).has_value();
}

void row(const char* figure, const QString& measured, const char* goal, bool met)
{
    std::printf("| %s | %s | %s | %s |\n", figure, measured.toUtf8().constData(), goal, met ? "yes" : "**no**");
}

// A figure with no goal of its own.
void row(const char* figure, const QString& measured)
{
    std::printf("| %s | %s |  |  |\n", figure, measured.toUtf8().constData());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: records_figures FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    auxpad::Journal store;
    if (const auto opened = store.open("sqlite:" + folder + "/small.sqlite"); !opened) {
        std::fprintf(stderr, "records_figures: %s\n", opened.error().toLocal8Bit().constData());
        return 1;
    }
    QElapsedTimer t;
    t.start();
    int n = 0;
    for (; n < 1000; ++n)
        writeJob(store, n);
    const double thousand = static_cast<double>(t.nsecsElapsed()) / 1e9;
    const double eachMs = thousand * 1000 / n;
    row("A board job's record in the station's SQLite store: written as running at the start, completed at the end, "
        "each in a transaction of its own; mean of 1,000 jobs",
        QString("**%1 ms**").arg(eachMs, 0, 'f', 3), "< 5 ms", eachMs < 5);
    row("1,000 records inserted (each job's two writes)", QString("**%1 s**").arg(thousand, 0, 'f', 3), "< 1 s",
        thousand < 1);
    // The chain's work, which a record's write no longer does: the same records chained
    // as they are handed on (here all at once, as a station without a line database
    // chains them at its close).
    t.restart();
    if (const auto chained = store.chainUnchained(); !chained) {
        std::fprintf(stderr, "records_figures: %s\n", chained.error().toLocal8Bit().constData());
        return 1;
    }
    const double chainMs = static_cast<double>(t.nsecsElapsed()) / 1e6 / n;
    row("Those records chained as they are handed on, off the board's path: SHA-256 of each one's content and of its "
        "entry, in one transaction; mean per record",
        QString("**%1 ms**, %2 % of its write").arg(chainMs, 0, 'f', 3).arg(chainMs / eachMs * 100, 0, 'f', 1));

    // The large store, filled in one go; the report over it is timed by the script.
    {
        auxpad::StoreConnection big; // the schema, with its indexes
        if (!big.open("sqlite:" + folder + "/big.sqlite"))
            return 1;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fill");
    db.setDatabaseName(folder + "/big.sqlite");
    db.open();
    db.transaction();
    QSqlQuery q(db);
    q.prepare("INSERT INTO board_jobs (started, finished, station, port, device, job, result, caption, serial, "
              "hardware, mcusw, dspsw, code, manufacture, disk_file, disk_size, disk_sha256, disk_blocks, data_file, "
              "data_size, data_sha256, data_blocks, format_wait_seconds, seconds, tool_version, pid) VALUES (?, ?, 'bench', ?, "
              "'/dev/ttyUSB0', 'flash', 'passed', 'Flash AUXPAD Successfully!\nPlease Reset the phone!', ?, '0102', "
              "'MCU02.00.01', 'DSP02.00.07', '0671234', '061226', 'initdisk.txt', 19800, ?, 50, 'initdata.txt', 39600, "
              "?, 100, 20, 24.5, 'bench', 1)");
    for (int i = 0; i < 100000; ++i) {
        const QString time = QDateTime::fromSecsSinceEpoch(1780000000 + i * 30, Qt::UTC).toString(Qt::ISODateWithMs);
        q.addBindValue(time);
        q.addBindValue(time);
        q.addBindValue(QString("COM%1").arg(1 + i % 8));
        q.addBindValue(QString("SN%1").arg(i, 7, 10, QChar('0')));
        q.addBindValue(QString(64, 'a'));
        q.addBindValue(QString(64, 'b'));
        q.exec();
    }
    db.commit();
    return 0;
}
