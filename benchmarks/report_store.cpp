// A SQLite store of simulated board jobs, for timing the report over a year's worth of
// records (tools/perf-figures.sh) and for showing its chart (the README's). The jobs are
// spread evenly over DAYS days from Monday 2026-11-30, on STATIONS stations of eight
// ports each; each station fails its own share of boards, which drifts from day to day,
// with the captions the station shows, each failure's step and cause; a flash that loses
// its line is tried again on the same board, which then passes. The same arguments give
// the same store.
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
#include <map>
#include <random>

#include "records/store_connection.h"

namespace {

struct Outcome {
    const char* job;
    const char* result;
    const char* caption;
    const char* step;
    const char* cause;
    const char* message;
};

const Outcome kPassed[] = {
    {"flash", "passed", "Flash AUXPAD Successfully!\nPlease Reset the phone!", "initdata", "", ""},
    {"prodinfo", "passed", "Writing AUXPAD product info...\nAUXPAD Product Info written OK!", "write", "", ""},
    {"selftest", "passed", "AUXPAD board is Ready!", "self-test", "", ""},
};

// The failures, the most frequent first. The last is a lost line, whose board is tried
// again: its caption is the download's progress, its message why the line went.
const Outcome kFailed[] = {
    {"flash", "failed", "Flash AUXPAD Fail!\nPlease Reset the phone and Flash again!", "initdata", "no-ack",
     "ERROR07: FLASH AUXPAD_DSP failure! "},
    {"flash", "failed", "ERROR01: Fail to communicate with AUXPAD board! Check the cable connection! ", "self-test",
     "no-answer", ""},
    {"prodinfo", "failed", "ProdInfo write FAILED", "write", "no-answer", ""},
    {"selftest", "failed", "SelfTest Result: ERROR02: AUXPAD SelfTest Failed!", "self-test", "board-failed", ""},
    {"flash", "failed", "\n Flash AUXPAD Fail\nPlease Flash Again or reset the phone!", "initdisk", "no-ack",
     "ERROR07: FLASH AUXPAD_DSP failure! "},
    {"flash", "failed", "Downloading 28%\ninitdisk.txt\nElapsed Time: 00Min03Sec", "initdisk", "line-lost",
     "The serial port /dev/ttyUSB0 is gone: the adapter was reset"},
};
constexpr int kLineLost = 5;

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
              "data_size, data_sha256, data_blocks, format_wait_seconds, seconds, tool_version, pid, message, step, "
              "cause, board, first_try, tried_again) "
              "VALUES (?, ?, ?, ?, '/dev/ttyUSB0', ?, ?, ?, ?, '0102', 'MCU02.00.01', 'DSP02.00.07', '0671234', "
              "'061226', 'initdisk.txt', 19800, ?, 50, 'initdata.txt', 39600, ?, 100, 20, 24.5, '2.0', 1, ?, ?, ?, ?, "
              "?, ?)");
    std::mt19937 random(23);
    // Each station's share of failed boards on each day: between 1 and 9 per cent.
    std::vector<double> failing(static_cast<std::size_t>(days * stations));
    for (int s = 0; s < stations; ++s)
        for (int d = 0; d < days; ++d)
            failing[static_cast<std::size_t>(d * stations + s)] =
                0.01 + 0.015 * s + std::uniform_real_distribution<double>(0, 0.03)(random);
    std::discrete_distribution<int> failure({34, 21, 13, 10, 7, 15});
    std::uniform_real_distribution<double> chance(0, 1);
    const QDateTime start(QDate(2026, 11, 30), QTime(0, 0), Qt::UTC);
    const double spacing = days * 86400.0 / static_cast<double>(records);
    const QString diskSha(64, 'a');
    const QString dataSha(64, 'b');
    // A port's board whose line went, tried again at the port's next job: its board and
    // the first try's result.
    std::map<QString, std::pair<QString, QString>> retried;
    for (qint64 i = 0; i < records; ++i) {
        const QDateTime began = start.addMSecs(static_cast<qint64>(static_cast<double>(i) * spacing * 1000));
        const int station = static_cast<int>(i % stations);
        const auto day = static_cast<int>(static_cast<double>(i) * spacing / 86400);
        const QString port = QString("line1-st%1 COM%2").arg(station + 1).arg(21 + i / stations % 8);
        const auto again = retried.find(port);
        const bool failed = again == retried.end() && chance(random) < failing[static_cast<std::size_t>(day * stations + station)];
        const int kind = failed ? failure(random) : 0;
        const Outcome& o = failed ? kFailed[kind]
                           : again != retried.end() ? kPassed[0]
                                                    : kPassed[i / stations % 10 < 6 ? 0 : i / stations % 10 < 9 ? 1 : 2];
        // Each job is a board of its own, but a board tried again after its line went.
        const QString board = again != retried.end() ? again->second.first : QString("board-%1").arg(i);
        const QString firstTry = again != retried.end() ? again->second.second : QString::fromLatin1(o.result);
        if (again != retried.end())
            retried.erase(again);
        const bool triedAgain = failed && kind == kLineLost;
        if (triedAgain)
            retried[port] = {board, QString::fromLatin1(o.result)};
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
        q.addBindValue(QString::fromLatin1(o.message));
        q.addBindValue(QString::fromLatin1(o.step));
        q.addBindValue(QString::fromLatin1(o.cause));
        q.addBindValue(board);
        q.addBindValue(firstTry);
        q.addBindValue(triedAgain ? 1 : 0);
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
