// Every board on record, with its serial and its files, in a SQLite file and on a
// PostgreSQL server, on simulated time.
#include <QSysInfo>

#include <cmath>
#include <set>

#include "records/record_reader.h"
#include "tests/line/line_fixture.h"
#include "tests/records/pg_server.h"

namespace {

class Records : public OnSimulatedTime {
protected:
    void SetUp() override
    {
        OnSimulatedTime::SetUp();
        ASSERT_EQ(pgServer().problem(), "");
        static int databases = 0;
        stores_ = {"sqlite:" + path("records.sqlite"), pgServer().newDatabase(QString("lines%1").arg(++databases))};
    }
    QStringList stores_; // SQLite, PostgreSQL
};

TEST_F(Records, AThreeBoardFlashIsOnRecordWithItsFiles)
{
    for (int com = 31; com < 37; ++com)
        bench_->board(com);
    std::vector<std::function<SimBench::Ran()>> flashes;
    for (int s = 0; s < 2; ++s)
        flashes.push_back([&, s] {
            return bench_->run(QStringList{"flash", "--disk", "disk.txt", "--data", "data.txt", "--json", "--db",
                                           stores_[s]}
                               + ports(31 + 3 * s, 3));
        });
    const auto ran = atOnce(flashes);
    for (int s = 0; s < 2; ++s) {
        const QString& store = stores_[s];
        SCOPED_TRACE(store.toStdString());
        EXPECT_EQ(ran[s].status, 0) << ran[s].err.toStdString();
        auto said = JsonLines(ran[s].out).results;
        const auto rows = report(store);
        ASSERT_EQ(rows.size(), 3u);
        const std::map<QString, QString> expected = {
            {"job", "flash"}, {"result", "passed"}, {"caption", "Flash AUXPAD Successfully!\nPlease Reset the phone!"},
            {"serial", "SN0000001"}, {"hardware", "0102"}, {"disk_file", "disk.txt"},
            {"disk_sha256", fileSha256(path("station/disk.txt"))}, {"data_sha256", fileSha256(path("station/data.txt"))},
            {"disk_size", QString::number(downloadText(60).size())}, {"blocks", "30"}, {"format_wait_seconds", "20.000"}};
        for (const auto& row : rows) {
            for (const auto& [column, value] : expected)
                EXPECT_EQ(row.at(column), value) << column.toStdString();
            EXPECT_GT(row.at("seconds").toDouble(), 20);
            EXPECT_EQ(said[row.at("port")]["seconds"].toDouble(), std::round(row.at("seconds").toDouble() * 10) / 10)
                << "the result says the record's time to a tenth";
            EXPECT_EQ(row.at("station"), QSysInfo::machineHostName());
            EXPECT_TRUE(row.at("started").endsWith('Z'));
        }

        // The table: a header and a line a board, each column where its header is, and
        // the caption on one line.
        const auto table = tool({"report", "--db", store});
        EXPECT_EQ(table.status, 0);
        const QStringList lines = QString::fromUtf8(table.out).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 4);
        EXPECT_TRUE(lines[0].startsWith("started "));
        for (const QString& line : lines.mid(1)) {
            EXPECT_EQ(line.indexOf(" SN0000001 ") + 1, lines[0].indexOf(" serial ") + 1) << line.toStdString();
            EXPECT_TRUE(line.contains("Flash AUXPAD Successfully! / Please Reset the phone!"));
        }
    }
}

TEST_F(Records, AJournalKeepsTheReportsIndexesOnlyWhileNoLineDatabaseIsReportedFrom)
{
    // The definitions of the report's indexes a store keeps, by name.
    auto reportIndexes = [](const QString& store) {
        std::map<QString, QString> found;
        for (const QStringList& index : peekRows(store.mid(7), "SELECT name, sql FROM sqlite_master WHERE type = 'index' "
                                                               "AND name LIKE 'board_jobs_%' AND sql IS NOT NULL"))
            found[index[0]] = index[1];
        for (const char* own : {"board_jobs_running", "board_jobs_uuid", "board_jobs_held", "board_jobs_serial_passed",
                                "board_jobs_board_tries", "board_jobs_unchained"})
            EXPECT_TRUE(found.erase(own)) << own << " is the store's own work's";
        return found;
    };
    bench_->board(31);
    const QStringList flash{"flash", "--disk", "disk.txt", "--data", "data.txt", "--port", "COM31"};
    ASSERT_EQ(bench_->run(flash + QStringList{"--db", stores_[0]}).status, 0);
    const auto lines = reportIndexes(stores_[0]);
    EXPECT_EQ(lines.size(), 10u);
    EXPECT_TRUE(reportIndexes(journal()).empty()) << "a journal that feeds a line is written with fewer pages";

    // Without a line's database, its reports read the journal, through the same indexes.
    ASSERT_EQ(bench_->run(flash).status, 0);
    EXPECT_EQ(reportIndexes(journal()), lines);
    EXPECT_EQ(report(journal()).size(), 2u);
}

TEST_F(Records, RunGivesEachBoardItsOwnSerialFromTheRecordsAndKeepsItOnARerun)
{
    write("recipe.ini", recipeText("\"AUXPAD V2, line A\"", downloadText(60), downloadText(120), "SN0001000-SN0001999"));
    for (int com = 31; com < 39; ++com)
        bench_->board(com, com == 33 ? QStringList{"--misstore-serial"} : QStringList{});
    // Two runs at once against each store.
    std::vector<std::function<SimBench::Ran()>> runs;
    for (int s = 0; s < 2; ++s)
        for (int half = 0; half < 2; ++half)
            runs.push_back([&, s, half] {
                return bench_->run(QStringList{"run", "--recipe", "recipe.ini", "--json", "--db", stores_[s]}
                                   + ports(31 + 4 * s + 2 * half, 2));
            });
    std::map<QString, QJsonObject> first;
    for (const auto& ran : atOnce(runs))
        first.merge(JsonLines(ran.out).results);
    ASSERT_EQ(first.size(), 8u);
    EXPECT_FALSE(first["COM33"]["ok"].toBool()) << "the board that stores its serial wrongly";
    EXPECT_EQ(first["COM33"]["message"].toString().left(38), "AUXPAD Product Info read back differs:");
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(stores_[s].toStdString());
        std::set<QString> serials;
        for (int i = 4 * s; i < 4 * s + 4; ++i) {
            const QJsonObject r = first[QString("COM%1").arg(31 + i)];
            if (i != 2) {
                EXPECT_TRUE(r["ok"].toBool()) << r["message"].toString().toStdString();
                serials.insert(r["serial"].toString());
            }
            EXPECT_EQ(r["serial_source"], "allocated");
            EXPECT_EQ(r["recipe"], "AUXPAD V2, line A");
            EXPECT_EQ(r["job"], "run");
        }
        EXPECT_EQ(serials.size(), s == 0 ? 3u : 4u) << "every serial distinct";
        for (const QString& serial : serials)
            EXPECT_TRUE(serial.startsWith("SN0001") && serial.size() == 9) << serial.toStdString();
        int bringUps = 0;
        for (const auto& row : report(stores_[s])) {
            EXPECT_EQ(row.at("recipe"), "AUXPAD V2, line A");
            bringUps += row.at("job") == "run";
            if (row.at("job") == "prodinfo" && row.at("port") == "COM33") {
                EXPECT_TRUE(row.at("result") == "failed" && row.at("readback").contains("Serial Number written"));
            }
            if (row.at("job") == "prodinfo" && row.at("result") == "passed") {
                EXPECT_TRUE(serials.count(row.at("serial")) && row.at("serial_source") == "allocated");
            }
        }
        EXPECT_EQ(bringUps, 4);
    }
    // A board that passed keeps its serial; nothing new is spent on it. On both stores at once.
    // One that comes with a number of the range that never passed is given one of its own.
    bench_->board(33, {"--prod-info", "0102,MCU02.00.01,DSP02.00.07,SN0001500,0671234,061226"});
    std::vector<std::function<SimBench::Ran()>> again;
    for (int s = 0; s < 2; ++s)
        again.push_back([&, s] {
            return bench_->run(QStringList{"run", "--recipe", "recipe.ini", "--json", "--db", stores_[s]}
                               + ports(31 + 4 * s, 1) + (s == 0 ? ports(33, 1) : QStringList()));
        });
    const auto reruns = atOnce(again);
    EXPECT_EQ(JsonLines(reruns[0].out).results["COM33"]["serial_source"], "allocated");
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(reruns[s].status, 0);
        const QString port = QString("COM%1").arg(31 + 4 * s);
        auto events = JsonLines(reruns[s].out).results;
        EXPECT_EQ(events[port]["serial"], first[port]["serial"]) << port.toStdString();
        EXPECT_EQ(events[port]["serial_source"], "kept");
    }
}

// Boards with faults, jobs of every kind, and a line's database that goes away twice: at
// the end it holds each job once, as its command told it. AUXPAD_SOAK_ROUNDS sets the
// length (tools/soak.sh runs it long).
TEST_F(Records, SoakThroughFaultsAndOutages)
{
    const int rounds = std::max(8, qEnvironmentVariableIntValue("AUXPAD_SOAK_ROUNDS"));
    const QStringList kinds[] = {{},
                                 {},
                                 {"--garbage-rate", "5", "--corrupt-rate", "2"},
                                 {"--garbage-rate", "8", "--corrupt-rate", "3"},
                                 {"--silent"},
                                 {"--self-test-codes", "3,0,3,3,3"},
                                 {}}; // COM37: product information
    const QString line = stores_[1];
    std::map<qint64, std::map<QString, QJsonObject>> told; // by round and command, by port
    int jobs = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < 7; ++i)
            bench_->board(31 + i, kinds[i]);
        bench_->board(38, {"--hangup-after-block", "2"}); // COM38 hangs up in the middle of its flash
        // Away from early in a round until well into the next, twice a soak.
        if (round == rounds / 4 || round == 3 * rounds / 4)
            bench_->lineAway(700, 45000);
        const auto ran = atOnce({
            [&] { return bench_->run(QStringList{"selftest", "--json", "--db", line} + ports(31, 6)); },
            [&] { return bench_->run(QStringList{"prodinfo", "--allow-reuse", "--json", "--db", line} + ports(37, 1)); },
            [&] {
                return bench_->run(QStringList{"flash", "--disk", "disk.txt", "--data", "data.txt", "--json", "--db", line}
                                   + ports(38, 1));
            },
        });
        for (std::size_t c = 0; c < ran.size(); ++c) {
            auto& results = told[round * 10 + static_cast<qint64>(c)];
            results = JsonLines(ran[c].out).results;
            jobs += static_cast<int>(results.size());
        }
    }
    bench_->lineBack();
    EXPECT_EQ(tool({"records", "sync", "--db", line}).status, 0);

    auxpad::RecordReader store;
    ASSERT_TRUE(store.open(line));
    const auto rows = store.find({}).value();
    EXPECT_EQ(static_cast<int>(rows.size()), jobs) << "one row a job";
    std::set<QString> uuids;
    for (const auxpad::JobRecord& r : rows)
        uuids.insert(r.uuid);
    EXPECT_EQ(uuids.size(), rows.size());
    // The processes are numbered in the order the commands started: three a round.
    qint64 firstPid = std::numeric_limits<qint64>::max();
    for (const auxpad::JobRecord& r : rows)
        firstPid = std::min(firstPid, r.pid);
    for (const auxpad::JobRecord& r : rows) {
        const qint64 n = r.pid - firstPid;
        EXPECT_EQ(r.result, told[(n / 3) * 10 + n % 3][r.port]["result"].toString()) << r.port.toStdString();
    }
}

} // namespace
