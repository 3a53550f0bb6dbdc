// The line's database in least privilege, on a PostgreSQL server the test starts: each
// station's login adds its records and changes only its own, and deletes none; a viewer
// reads and writes nothing.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include "tests/line/line_fixture.h"
#include "tests/records/pg_server.h"

namespace {

class Roles : public OnSimulatedTime {
protected:
    void SetUp() override
    {
        OnSimulatedTime::SetUp();
        ASSERT_EQ(pgServer().problem(), "");
        owner_ = pgServer().newDatabase("roles");
    }
    // The line's database as `login` reaches it.
    QString as(const QString& login) const { return QString(owner_).replace("auxpad@", login + "@"); }
    // A connection of `login`'s own, for statements of the test's.
    QSqlDatabase connect(const QString& login)
    {
        const QUrl url(as(login));
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", login);
        db.setHostName(url.host());
        db.setPort(url.port());
        db.setUserName(login);
        db.setDatabaseName(url.path().mid(1));
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
        return db;
    }
    QString owner_;
};

TEST_F(Roles, EachStationChangesOnlyItsOwnRecordsAndDeletesNoneAndAViewerOnlyReads)
{
    for (const auto& [login, role] : {std::pair{"station_a", "station"}, std::pair{"station_b", "station"},
                                      std::pair{"line_lead", "lead"}, std::pair{"page", "viewer"}}) {
        const auto granted = tool({"records", "grant", login, "--role", role, "--db", owner_});
        ASSERT_EQ(granted.status, 0) << granted.err.toStdString();
    }
    const auto unknown = tool({"records", "grant", "page", "--role", "owner", "--db", owner_});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains("--role owner is no role: give station, lead, viewer")) << unknown.err.toStdString();

    // Two stations deliver under their own logins, each its own journal.
    recipe("SN0009000-SN0009999");
    bench_->board(21);
    bench_->board(22);
    for (const auto& [name, port, login] : {std::tuple{"A", 21, "station_a"}, std::tuple{"B", 22, "station_b"}}) {
        const auto ran = station(name, QStringList{"run", "--recipe", "recipe.ini", "--db", as(login)} + ports(port, 1));
        ASSERT_EQ(ran.status, 0) << ran.err.toStdString();
    }
    // The audit, read as the viewer, finds every promise held.
    const auto audit = tool({"records", "audit", "--db", as("page")});
    EXPECT_EQ(audit.status, 0) << audit.out.toStdString() << audit.err.toStdString();

    {
        QSqlDatabase a = connect("station_a");
        QSqlQuery q(a);
        ASSERT_TRUE(q.exec("SELECT COUNT(*) FROM board_jobs WHERE station = 'B'") && q.next());
        EXPECT_EQ(q.value(0).toInt(), 3) << "B's bring-up and its two steps reached the line";
        EXPECT_FALSE(q.exec("DELETE FROM board_jobs WHERE station = 'A'")) << "not even its own";
        EXPECT_TRUE(q.lastError().text().contains("permission denied")) << q.lastError().text().toStdString();
        ASSERT_TRUE(q.exec("UPDATE board_jobs SET serial = 'SN0000000' WHERE station = 'B'"));
        EXPECT_EQ(q.numRowsAffected(), 0) << "another station's record is not its to change";
        ASSERT_TRUE(q.exec("SELECT COUNT(*) FROM board_jobs WHERE serial = 'SN0000000'") && q.next());
        EXPECT_EQ(q.value(0).toInt(), 0);
        ASSERT_TRUE(q.exec("UPDATE board_jobs SET operator = 'x' WHERE station = 'A'"));
        EXPECT_EQ(q.numRowsAffected(), 3) << "its own it may, and the edit shows:";
    }
    const auto edited = tool({"records", "audit", "--db", as("page")});
    EXPECT_EQ(edited.status, 1);
    EXPECT_TRUE(edited.out.contains("was edited")) << edited.out.toStdString();

    // The list of people is the lead's to keep; a station reads it, PINs' hashes too, to
    // check signatures while the line is away; a viewer sees no hash.
    const auto added = tool({"people", "add", "E1", "--name", "Eve", "--role", "engineer", "--db", as("line_lead")}, {},
                            "4711");
    EXPECT_EQ(added.status, 0) << added.err.toStdString();
    const auto notAStation = tool({"people", "add", "E2", "--name", "Ed", "--role", "operator", "--db", as("station_a")});
    EXPECT_EQ(notAStation.status, 2);
    EXPECT_TRUE(notAStation.err.contains("permission denied")) << notAStation.err.toStdString();

    {
        QSqlDatabase page = connect("page");
        QSqlQuery read(page);
        EXPECT_FALSE(read.exec("SELECT pin_hash FROM people"));
        EXPECT_TRUE(read.exec("SELECT badge, name, role FROM people") && read.next() && read.value(0) == "E1");
        ASSERT_TRUE(read.exec("SELECT COUNT(*) FROM board_jobs") && read.next());
        EXPECT_EQ(read.value(0).toInt(), 6);
        EXPECT_FALSE(read.exec("INSERT INTO people (badge, name, role, changed) VALUES ('1', 'x', 'operator', 'now')"));
        EXPECT_TRUE(read.lastError().text().contains("permission denied"));
    }
    for (const char* login : {"station_a", "page"})
        QSqlDatabase::removeDatabase(login);
}

} // namespace
