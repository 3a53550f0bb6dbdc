// A lease belongs to a journal, whatever its station is called: station PCs cloned from
// one image, and a station reinstalled with a fresh journal under its old name.
#include "records/store_urls.h"
#include "tests/line/line_fixture.h"
#include "tests/records/pg_server.h"

namespace {

// What report --serials --csv says of each number: its state and the journal holding it.
struct Held {
    QString state, journal;
};

class Journals : public OnSimulatedTime, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        OnSimulatedTime::SetUp();
        static int databases = 0;
        store_ = GetParam() == 0 ? "sqlite:" + path("line.sqlite") : pgServer().newDatabase(QString("journals%1").arg(++databases));
        write("recipe.ini", recipeText("Bench", downloadText(60), downloadText(120), "SN0001000-SN0001999")
                                + "serial_lease=4\n");
    }
    // Station "bench" with its own journal `journal`: a run on the bench, or a records command.
    SimBench::Ran run(const QString& journal, int com, int count)
    {
        return bench_->run(QStringList{"run", "--recipe", "recipe.ini", "--json", "--station", "bench", "--db", store_}
                               + ports(com, count),
                           {}, dataHome(journal));
    }
    SimBench::Ran records(const QString& journal, const QStringList& arguments)
    {
        return tool(arguments + QStringList{"--station", "bench", "--db", store_}, journal);
    }
    std::map<QString, Held> serials()
    {
        std::map<QString, Held> held;
        for (const auto& row : report(store_, {"--serials", "SN0001000-SN0001999"}))
            held[row.at("serial")] = {row.at("state"), row.at("journal")};
        return held;
    }
    static QStringList leasedTo(const std::map<QString, Held>& held, const QString& journal)
    {
        QStringList out;
        for (const auto& [serial, h] : held)
            if (h.state == "leased" && h.journal == journal)
                out << serial;
        return out;
    }
    QString store_;
};

TEST_P(Journals, TwoJournalsUnderOneStationNameNeverShareASerialNorTakeEachOthers)
{
    ASSERT_EQ(pgServer().problem(), "");
    for (int com = 31; com < 38; ++com)
        bench_->board(com);
    std::map<QString, QString> journalOf; // each passed board's serial, by the journal that wrote it
    auto collect = [&](const SimBench::Ran& r, const QString& who) {
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("another journal also goes by the station name bench")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("--station NAME")) << "the cure is named";
        for (const auto& [port, result] : JsonLines(r.out).results)
            EXPECT_TRUE(journalOf.emplace(result["serial"].toString(), who).second) << "no serial twice";
    };
    // Two PCs cloned from one image, at once.
    bench_->at(0, [&] { collect(run("y", 34, 3), "y"); });
    collect(run("x", 31, 3), "x");
    ASSERT_EQ(journalOf.size(), 6u);
    auto held = serials();
    QString idOf[2];
    for (const auto& [serial, who] : journalOf) {
        EXPECT_EQ(held[serial].state, "written");
        QString& id = idOf[who == "y"];
        EXPECT_TRUE(id.isEmpty() || id == held[serial].journal) << "each board's number is its journal's";
        id = held[serial].journal;
    }
    ASSERT_NE(idOf[0], idOf[1]);
    const QStringList leftX = leasedTo(held, idOf[0]), leftY = leasedTo(held, idOf[1]);
    ASSERT_FALSE(leftX.isEmpty() || leftY.isEmpty()) << "each journal still holds a lease";
    EXPECT_TRUE(tool({"report", "--db", store_}).out.contains("bench [journal " + idOf[0].left(8).toUtf8() + "]"))
        << "the report tells the two apart";

    // x is reinstalled: a fresh journal under its old name, x's numbers still leased.
    const auto z = run("z", 37, 1);
    EXPECT_EQ(z.status, 0);
    const QString fresh = JsonLines(z.out).results.at("COM37")["serial"].toString();
    EXPECT_FALSE(journalOf.count(fresh) || leftX.contains(fresh) || leftY.contains(fresh)) << fresh.toStdString();
    EXPECT_EQ(leasedTo(serials(), idOf[0]), leftX) << "a gone journal's numbers are never handed out by themselves";
    const auto listed = records("z", {"records", "lease", "--journal", idOf[0].left(8)});
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.out.endsWith(": " + leftX.join(' ').toUtf8() + "\n"));
    EXPECT_EQ(records("z", {"records", "lease", "--release", "--journal", idOf[0]}).status, 2) << "not without a reason";
    const auto freed = records("z", {"records", "lease", "--release", "--journal", idOf[0], "--reason", "station reinstalled"});
    EXPECT_EQ(freed.status, 0);
    EXPECT_TRUE(freed.out.startsWith(
        QString("%1 serial numbers of journal %2 given back").arg(leftX.size()).arg(idOf[0]).toUtf8()));
    held = serials();
    EXPECT_TRUE(leasedTo(held, idOf[0]).isEmpty());
    EXPECT_EQ(leasedTo(held, idOf[1]), leftY) << "only the gone journal's";
    // z's lease is topped up from the numbers given back; then x's old disk comes back to
    // the line. What was given back for it is not its own to hand out any more.
    for (int com = 38; com < 41; ++com)
        bench_->board(com);
    const auto more = run("z", 38, 2);
    ASSERT_EQ(more.status, 0) << more.err.toStdString();
    const auto back = run("x", 40, 1);
    EXPECT_EQ(back.status, 0) << back.err.toStdString();
    const QString backSerial = JsonLines(back.out).results["COM40"]["serial"].toString();
    EXPECT_FALSE(back.err.contains("DOUBLED SERIAL")) << back.err.toStdString();
    const Held backHeld = serials()[backSerial];
    EXPECT_EQ(backHeld.state.toStdString(), "written") << backSerial.toStdString();
    EXPECT_EQ(backHeld.journal.toStdString(), idOf[0].toStdString()) << "leased to x again before its board took it";

    // A fault puts one of y's numbers on a board of z: its written state is refused by
    // the line's database, and said at every sync until someone looks.
    peekRows(dataHome("z") + "/auxpad-flash/records.sqlite",
             QString("INSERT INTO serial_leases (line_db, serial, recipe, station, port, taken, state, revision, delivered) "
                     "VALUES ('%1', '%2', 'x', 'bench', 'COM37', '2026-12-07T08:00:00.000Z', 'written', 2, 1)")
                 .arg(auxpad::StoreUrls::shownUrl(store_), leftY.front()));
    for (int twice = 0; twice < 2; ++twice) {
        const auto sync = records("z", {"records", "sync"});
        EXPECT_EQ(sync.status, 1);
        EXPECT_TRUE(sync.err.contains("DOUBLED SERIAL " + leftY.front())) << sync.err.toStdString();
        EXPECT_TRUE(sync.err.contains("holds it for journal " + idOf[1] + " of station bench")) << "and whose it is";
    }
    EXPECT_EQ(serials()[leftY.front()].state, "leased") << "still y's, untouched";
}

INSTANTIATE_TEST_SUITE_P(OnEitherDatabase, Journals, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "Sqlite" : "Postgresql"; });

} // namespace
