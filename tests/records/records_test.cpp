// Every board on record, in a SQLite file and on a PostgreSQL server of its own.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <csignal>
#include <memory>
#include <set>

#include "records/record_store.h"
#include "tests/e2e/sim_process.h"
#include "tests/records/pg_server.h"
#include "tests/support/station_bench.h"

namespace {

// One test's stores: a SQLite file and a PostgreSQL database, and the boards.
class Records : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(pgServer().problem(), "");
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkpath("config");
        QDir(dir_.path()).mkpath("station");
        write("station/flash.ini", "Format=\"20\"\r\n");
        write("station/disk.txt", downloadText(60));
        write("station/data.txt", downloadText(120));
        static int databases = 0;
        stores_ = {"sqlite:" + dir_.filePath("records.sqlite"), pgServer().newDatabase(QString("records%1").arg(++databases))};
    }
    void boards(int count, const QStringList& options = {"--quiet"})
    {
        for (int i = 0; i < count; ++i)
            sims_.push_back(std::make_unique<SimProcess>(dir_.filePath("config"), 31 + static_cast<int>(sims_.size()), options));
    }
    QStringList ports(int first, int count) const
    {
        QStringList out;
        for (int i = first; i < first + count; ++i)
            out << "--port" << QString("COM%1").arg(31 + i);
        return out;
    }
    void write(const QString& name, const std::string& content)
    {
        QFile f(dir_.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content.data(), static_cast<qint64>(content.size()));
    }
    std::unique_ptr<QProcess> start(const QStringList& arguments)
    {
        auto tool = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        tool->setProcessEnvironment(env);
        tool->setWorkingDirectory(dir_.filePath("station"));
        tool->start(QStringLiteral(AUXPAD_FLASH_EXE), arguments);
        return tool;
    }
    static int finish(QProcess& tool, QString* errors = nullptr)
    {
        EXPECT_TRUE(tool.waitForFinished(120000));
        if (errors)
            *errors = QString::fromUtf8(tool.readAllStandardError());
        return tool.exitCode();
    }
    // The report as CSV: one map of column to value per record.
    std::vector<std::map<QString, QString>> report(const QString& store, const QStringList& filter = {})
    {
        auto tool = start(QStringList{"report", "--csv", "--db", store} + filter);
        EXPECT_EQ(finish(*tool), 0);
        QString text = QString::fromUtf8(tool->readAllStandardOutput());
        std::vector<std::map<QString, QString>> rows;
        QStringList header;
        // Fields with a line break are quoted; the captions are the only ones that have one.
        for (QString line : text.split("\r\n", Qt::SkipEmptyParts)) {
            QStringList fields;
            QString field;
            bool quoted = false;
            for (const QChar c : line) {
                if (c == '"')
                    quoted = !quoted;
                else if (c == ',' && !quoted)
                    fields << std::exchange(field, QString());
                else
                    field += c;
            }
            fields << field;
            if (header.isEmpty()) {
                header = fields;
                continue;
            }
            std::map<QString, QString> row;
            for (qsizetype i = 0; i < header.size(); ++i)
                row[header[i]] = fields.value(i);
            rows.push_back(row);
        }
        return rows;
    }
    QString sha256(const QString& name)
    {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
    }

    QTemporaryDir dir_;
    QStringList stores_; // SQLite, PostgreSQL
    std::vector<std::unique_ptr<SimProcess>> sims_;
};

TEST_F(Records, AThreeBoardFlashIsOnRecordWithItsFiles)
{
    boards(6);
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int s = 0; s < 2; ++s)
        runs.push_back(start(QStringList{"flash", "--disk", "disk.txt", "--data", "data.txt", "--db", stores_[s]}
                             + ports(3 * s, 3)));
    for (auto& run : runs)
        EXPECT_EQ(finish(*run), 0);
    for (const QString& store : stores_) {
        SCOPED_TRACE(store.toStdString());
        const auto rows = report(store);
        ASSERT_EQ(rows.size(), 3u);
        for (const auto& row : rows) {
            EXPECT_EQ(row.at("job"), "flash");
            EXPECT_EQ(row.at("result"), "passed");
            EXPECT_EQ(row.at("caption"), "Flash AUXPAD Successfully!\nPlease Reset the phone!");
            EXPECT_EQ(row.at("serial"), "SN0000001");
            EXPECT_EQ(row.at("hardware"), "0102");
            EXPECT_EQ(row.at("disk_file"), "disk.txt");
            EXPECT_EQ(row.at("disk_sha256"), sha256("station/disk.txt"));
            EXPECT_EQ(row.at("data_sha256"), sha256("station/data.txt"));
            EXPECT_EQ(row.at("disk_size"), QString::number(downloadText(60).size()));
            EXPECT_EQ(row.at("blocks"), "30");
            EXPECT_EQ(row.at("format_wait_seconds"), "20.000");
            EXPECT_GT(row.at("seconds").toDouble(), 20);
            EXPECT_EQ(row.at("station"), QSysInfo::machineHostName());
            EXPECT_TRUE(row.at("started").endsWith('Z'));
        }
        EXPECT_EQ(report(store, {"--port", rows[1].at("port")}).size(), 1u);
        EXPECT_EQ(report(store, {"--since", "2999-01-01"}).size(), 0u);

        // The table: a header and a line a board, each column where its header is, and
        // the caption's line break shown as \n.
        auto tool = start({"report", "--db", store});
        EXPECT_EQ(finish(*tool), 0);
        const QStringList lines = QString::fromUtf8(tool->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 4);
        EXPECT_TRUE(lines[0].startsWith("started "));
        for (const QString& line : lines.mid(1)) {
            EXPECT_EQ(line.indexOf(" SN0000001 ") + 1, lines[0].indexOf(" serial ") + 1) << line.toStdString();
            EXPECT_TRUE(line.contains("Flash AUXPAD Successfully!\\nPlease Reset the phone!"));
        }
    }
}

TEST_F(Records, AProcessKilledMidFlashLeavesItsRecordReadableAndNotPassed)
{
    boards(2);
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(stores_[s].toStdString());
        auto tool = start(QStringList{"flash", "--disk", "disk.txt", "--data", "data.txt", "--json", "--db", stores_[s]}
                          + ports(s, 1));
        QByteArray out;
        while (!out.contains("format wait") && tool->waitForReadyRead(15000))
            out += tool->readAll();
        ::kill(static_cast<pid_t>(tool->processId()), SIGKILL);
        tool->waitForFinished(5000);

        auxpad::RecordStore store;
        ASSERT_EQ(store.open(stores_[s]), "");
        const auto left = store.find({});
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(left[0].result, "running");
        EXPECT_EQ(left[0].disk->sha256, sha256("station/disk.txt"));

        // The next start marks it.
        const auto rows = report(stores_[s]);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].at("result"), "interrupted");
        EXPECT_FALSE(rows[0].at("finished").isEmpty());
    }
}

TEST_F(Records, TwoProcessesWriteAtOnce)
{
    boards(8);
    for (const QString& store : stores_) {
        SCOPED_TRACE(store.toStdString());
        auto first = start(QStringList{"selftest", "--db", store} + ports(0, 4));
        auto second = start(QStringList{"selftest", "--db", store} + ports(4, 4));
        EXPECT_EQ(finish(*first), 0);
        EXPECT_EQ(finish(*second), 0);
        const auto rows = report(store);
        ASSERT_EQ(rows.size(), 8u);
        std::set<QString> ports;
        for (const auto& row : rows) {
            EXPECT_EQ(row.at("result"), "passed");
            ports.insert(row.at("port"));
        }
        EXPECT_EQ(ports.size(), 8u);
    }
}

// The first schema the records had, with one job in it.
void olderStore(QSqlDatabase& db, bool postgres)
{
    QSqlQuery q(db);
    for (const QString& statement :
         {QString("CREATE TABLE schema_version (version INTEGER NOT NULL)"), QString("INSERT INTO schema_version VALUES (1)"),
          QString("CREATE TABLE board_jobs (id %1, started TEXT NOT NULL, finished TEXT, station TEXT NOT NULL, "
                  "port TEXT NOT NULL, device TEXT NOT NULL, job TEXT NOT NULL, result TEXT NOT NULL, caption TEXT, "
                  "serial TEXT, hardware TEXT, mcusw TEXT, dspsw TEXT, code TEXT, manufacture TEXT, "
                  "defaults_used INTEGER NOT NULL DEFAULT 0, disk_file TEXT, disk_size BIGINT, disk_sha256 TEXT, "
                  "data_file TEXT, data_size BIGINT, data_sha256 TEXT, tool_version TEXT NOT NULL)")
              .arg(postgres ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT"),
          QString("INSERT INTO board_jobs (started, finished, station, port, device, job, result, serial, tool_version) "
                  "VALUES ('2026-01-02T03:04:05.006Z', '2026-01-02T03:04:35.006Z', 'old', 'COM1', '/dev/ttyS0', "
                  "'prodinfo', 'passed', 'SN0000007', '1.9')")})
        EXPECT_TRUE(q.exec(statement)) << statement.toStdString();
}

TEST_F(Records, AnOlderStoreIsBroughtUpToDateAndKeepsItsRecords)
{
    for (const QString& url : stores_) {
        SCOPED_TRACE(url.toStdString());
        {
            const bool postgres = url.startsWith("postgresql");
            QSqlDatabase db = QSqlDatabase::addDatabase(postgres ? "QPSQL" : "QSQLITE", "older");
            if (postgres) {
                const QUrl parsed(url);
                db.setHostName(parsed.host());
                db.setPort(parsed.port());
                db.setUserName(parsed.userName());
                db.setDatabaseName(parsed.path().mid(1));
            } else {
                db.setDatabaseName(url.mid(7));
            }
            ASSERT_TRUE(db.open());
            olderStore(db, postgres);
            db.close();
        }
        QSqlDatabase::removeDatabase("older");

        auxpad::RecordStore store;
        ASSERT_EQ(store.open(url), "");
        auxpad::JobRecord job;
        job.started = auxpad::recordTime();
        job.station = "new";
        job.port = "COM2";
        job.device = "/dev/ttyS1";
        job.job = "selftest";
        job.result = "running";
        job.toolVersion = "2.0";
        job.pid = 1;
        ASSERT_TRUE(store.begin(job)) << store.lastError().toStdString();
        job.end("passed");
        job.message = "a column the older schema lacked";
        ASSERT_TRUE(store.finish(job));
        const auto all = store.find({});
        ASSERT_EQ(all.size(), 2u);
        EXPECT_EQ(all[0].serial, "SN0000007");
        EXPECT_EQ(all[0].toolVersion, "1.9");
        EXPECT_TRUE(all[0].message.isNull());
        EXPECT_EQ(all[1].message, "a column the older schema lacked");
    }
}

TEST_F(Records, AStoreThatCannotBeWrittenLosesNoBoardButIsSaid)
{
    boards(1);
    pgServer().makeReadOnly(stores_[1].section('/', -1));
    const QStringList unwritable = {"sqlite:/proc/no-such-folder/records.sqlite", stores_[1],
                                    QString("postgresql://auxpad@127.0.0.1:%1/records").arg(pgServer().port() + 1)};
    for (const QString& store : unwritable) {
        SCOPED_TRACE(store.toStdString());
        auto tool = start(QStringList{"selftest", "--json", "--db", store} + ports(0, 1));
        QString errors;
        EXPECT_EQ(finish(*tool, &errors), 1);
        EXPECT_TRUE(tool->readAllStandardOutput().contains("\"ok\":true")) << "the board passed all the same";
        EXPECT_TRUE(errors.contains("records")) << errors.toStdString();
    }
}

} // namespace
