// The line's promises checked against stores someone broke after a shift: records audit
// names the promise and exits 1, and says so of stores it cannot read.
#include <QSqlDatabase>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "shift/simulate_command.h"
#include "tests/support/programs.h"

using namespace auxpad::shift;

namespace {

// `records audit` on the stores of a small shift kept in `dir`, after each of `edits` ran
// on its file of them: its exit status and what it printed.
std::pair<int, QString> auditAfter(const std::vector<std::pair<QString, QString>>& edits)
{
    QTemporaryDir dir;
    ShiftPlan p;
    p.stations = 1;
    p.slotsEach = 3;
    p.hours = 0.25;
    p.keep = dir.path();
    const auto done = simulate(p);
    EXPECT_TRUE(done);
    for (const auto& [store, edit] : edits) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "edit");
            db.setDatabaseName(dir.filePath(store));
            EXPECT_TRUE(db.open() && QSqlQuery(db).exec(edit)) << edit.toStdString();
        }
        QSqlDatabase::removeDatabase("edit");
    }
    QProcess audit;
    startProgram(audit, AUXPAD_FLASH_EXE,
                 {"records", "audit", "--db", "sqlite:" + dir.filePath("line.sqlite"), "--journal",
                  dir.filePath("station-1.sqlite")});
    EXPECT_TRUE(audit.waitForFinished(60000));
    return {audit.exitCode(), QString::fromUtf8(audit.readAllStandardOutput() + audit.readAllStandardError())};
}

// The line's last board that passed.
const char* const lastPassed = "(SELECT MAX(id) FROM board_jobs WHERE job = 'run' AND result = 'passed')";

// Each edit shows, and is named: a promise broken, an edit at the line's database, a record
// gone from it and from its journal, a record put in from outside any journal, the chain itself edited.
TEST(Audit, NamesEachPromiseBrokenAndEachEditOfTheStores)
{
    const auto [untouched, table] = auditAfter({});
    EXPECT_EQ(untouched, 0) << table.toStdString();
    EXPECT_FALSE(table.contains("NO")) << table.toStdString();
    const QString oneRun = "(SELECT MIN(job_uuid) FROM board_jobs WHERE job = 'run')";
    const auto no = [](const char* promise) { return QString(promise).leftJustified(31) + "NO"; };
    // The edits, each on its store, and the patterns of what the audit says of them.
    const std::pair<std::vector<std::pair<QString, QString>>, QStringList> cases[] = {
        {{{"line.sqlite", QString("DELETE FROM board_jobs WHERE id = %1").arg(lastPassed)}}, {no("passed-on-record-once")}},
        {{{"line.sqlite", QString("UPDATE board_jobs SET serial = (SELECT MIN(serial) FROM board_jobs WHERE job = 'run' AND "
                                  "result = 'passed') WHERE id = %1")
                              .arg(lastPassed)}},
         {no("serial-on-one-board")}},
        {{{"station-1.sqlite", "DELETE FROM labels WHERE id = (SELECT MIN(id) FROM labels WHERE state = 'printed')"}},
         {no("one-label-per-passed-board")}},
        {{{"line.sqlite", QString("UPDATE board_jobs SET serial = 'SN9999999' WHERE id = %1").arg(lastPassed)}},
         {no("records-unaltered"), "was edited: here and in its journal: serial: SN9999999, SN"}},
        {{{"line.sqlite", "DELETE FROM board_jobs WHERE job_uuid = " + oneRun},
          {"station-1.sqlite", "DELETE FROM board_jobs WHERE job_uuid = " + oneRun}},
         {"is in its chain but gone from the line's database: it was deleted"}},
        {{{"line.sqlite", QString("INSERT INTO board_jobs (started, station, port, device, job, result, serial, tool_version, "
                                  "job_uuid, journal) SELECT started, station, port, device, job, result, 'SN1000999', "
                                  "tool_version, 'forged-1', journal FROM board_jobs WHERE id = %1")
                              .arg(lastPassed)}},
         {"the record forged-1 of station-1 is in no journal's chain"}},
        // The last entry's hash, which no later entry names. Its first digit changes
        // whatever it was: one hash in sixteen already starts with a 0.
        {{{"line.sqlite", "UPDATE chain SET hash = (CASE WHEN hash LIKE '0%' THEN '1' ELSE '0' END) || substr(hash, 2) "
                          "WHERE seq = (SELECT MAX(seq) FROM chain)"}},
         {"chain entry [0-9]+ \\([a-z]+ [^)]+\\) was edited"}},
    };
    for (const auto& [edits, says] : cases) {
        const auto [status, said] = auditAfter(edits);
        EXPECT_EQ(status, 1) << said.toStdString();
        for (const QString& pattern : says)
            EXPECT_TRUE(said.contains(QRegularExpression(pattern))) << pattern.toStdString() << " in " << said.toStdString();
    }
}

TEST(Audit, StoresThatCannotBeReadEndWithStatusTwo)
{
    QTemporaryDir dir;
    QProcess audit;
    startProgram(audit, AUXPAD_FLASH_EXE, {"records", "audit", "--db", "sqlite:" + dir.filePath("none.sqlite")});
    ASSERT_TRUE(audit.waitForFinished(30000));
    EXPECT_EQ(audit.exitCode(), 2);
    EXPECT_TRUE(audit.readAllStandardError().contains("no such file"));
}

} // namespace
