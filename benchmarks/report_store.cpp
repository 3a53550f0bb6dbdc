// A SQLite store of simulated board jobs, for timing the report over a year's worth of
// records (tools/perf-figures.sh) and for showing its chart (the README's). The jobs are
// spread evenly over DAYS days from Monday 2026-11-30, on STATIONS stations of eight
// ports each; each station fails its own share of boards, which drifts from day to day,
// with the captions the station shows. The same arguments give the same store.
//
//   report_store FILE RECORDS DAYS STATIONS

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>
#include <random>

#include "records/store_connection.h"

namespace {

struct Outcome {
    const char* job;
    const char* result;
    const char* caption;
};

const Outcome kPassed[] = {
    {"flash", "passed", "Flash AUXPAD Successfully!\nPlease Reset the phone!"},
    {"prodinfo", "passed", "Writing AUXPAD product info...\nAUXPAD Product Info written OK!"},
    {"selftest", "passed", "AUXPAD board is Ready!"},
};

// The failures, the most frequent first.
const Outcome kFailed[] = {
    {"flash", "failed", "Flash AUXPAD Fail!\nPlease Reset the phone and Flash again!"},
    {"flash", "failed", "ERROR01: Fail to communicate with AUXPAD board! Check the cable connection! "},
    {"prodinfo", "failed", "ProdInfo write FAILED"},
    {"selftest", "failed", "SelfTest Result: ERROR02: AUXPAD SelfTest Failed!"},
    {"flash", "failed", "ERROR07: FLASH AUXPAD_DSP failure! "},
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: report_store FILE RECORDS DAYS STATIONS\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const qint64 records = QByteArray(argv[2]).toLongLong();
    const int days = QByteArray(argv[3]).toInt();
    const int stations = QByteArray(argv[4]).toInt();
    if (records < 1 || days < 1 || stations < 1) {
        std::fprintf(stderr, "report_store: RECORDS, DAYS and STATIONS are counts of one or more\n");
        return 2;
    }
    QFile::remove(file);
    {
        auxpad::StoreConnection store; // the schema, with its indexes
        if (const auto opened = store.open("sqlite:" + file); !opened) {
            std::fprintf(stderr, "report_store: %s\n", opened.error().toLocal8Bit().constData());
            return 1;
        }
    }
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fill");
    db.setDatabaseName(file);
    if (!db.open() || !db.transaction()) {
        std::fprintf(stderr, "report_store: %s\n", db.lastError().text().toLocal8Bit().constData());
        return 1;
    }
    QSqlQuery q(db);
    q.prepare("INSERT INTO board_jobs (started, finished, station, port, device, job, result, caption, serial, "
              "hardware, mcusw, dspsw, code, manufacture, disk_file, disk_size, disk_sha256, disk_blocks, data_file, "
              "data_size, data_sha256, data_blocks, format_wait_seconds, seconds, tool_version, pid) "
              "VALUES (?, ?, ?, ?, '/dev/ttyUSB0', ?, ?, ?, ?, '0102', 'MCU02.00.01', 'DSP02.00.07', '0671234', "
              "'061226', 'initdisk.txt', 19800, ?, 50, 'initdata.txt', 39600, ?, 100, 20, 24.5, '2.0', 1)");
    std::mt19937 random(23);
    // Each station's share of failed boards on each day: between 1 and 9 per cent.
    std::vector<double> failing(static_cast<std::size_t>(days * stations));
    for (int s = 0; s < stations; ++s)
        for (int d = 0; d < days; ++d)
            failing[static_cast<std::size_t>(d * stations + s)] =
                0.01 + 0.015 * s + std::uniform_real_distribution<double>(0, 0.03)(random);
    std::discrete_distribution<int> failure({40, 25, 15, 12, 8});
    std::uniform_real_distribution<double> chance(0, 1);
    const QDateTime start(QDate(2026, 11, 30), QTime(0, 0), Qt::UTC);
    const double spacing = days * 86400.0 / static_cast<double>(records);
    const QString diskSha(64, 'a');
    const QString dataSha(64, 'b');
    for (qint64 i = 0; i < records; ++i) {
        const QDateTime began = start.addMSecs(static_cast<qint64>(static_cast<double>(i) * spacing * 1000));
        const int station = static_cast<int>(i % stations);
        const auto day = static_cast<int>(static_cast<double>(i) * spacing / 86400);
        const bool failed = chance(random) < failing[static_cast<std::size_t>(day * stations + station)];
        const Outcome& o = failed ? kFailed[failure(random)] : kPassed[i / stations % 10 < 6 ? 0 : i / stations % 10 < 9 ? 1 : 2];
        q.addBindValue(began.toString(Qt::ISODateWithMs));
        q.addBindValue(began.addMSecs(24500).toString(Qt::ISODateWithMs));
        q.addBindValue(QString("line1-st%1").arg(station + 1));
        q.addBindValue(QString("COM%1").arg(21 + i / stations % 8));
        q.addBindValue(QString::fromLatin1(o.job));
        q.addBindValue(QString::fromLatin1(o.result));
        q.addBindValue(QString::fromLatin1(o.caption));
        // A board is met about twice: flashed, then written or tested.
        q.addBindValue(QString("SN%1").arg(i / 2, 7, 10, QChar('0')));
        q.addBindValue(diskSha);
        q.addBindValue(dataSha);
        if (!q.exec()) {
            std::fprintf(stderr, "report_store: %s\n", q.lastError().text().toLocal8Bit().constData());
            return 1;
        }
    }
    if (!db.commit()) {
        std::fprintf(stderr, "report_store: %s\n", db.lastError().text().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
