// Serial numbers leased to each station's journal, while the line's database is away.
#include <QJsonArray>

#include "tests/line/line_fixture.h"
#include "tests/records/pg_server.h"

namespace {

using Leases = OnSimulatedTime;

TEST_F(Leases, TwoStationsGoOnHandingOutSerialsWhileTheLineDatabaseIsAway)
{
    ASSERT_EQ(pgServer().problem(), "");
    const QString line = pgServer().newDatabase("leases");
    write("recipe.ini", recipeText("\"AUXPAD V2, line A\"", downloadText(60), downloadText(120), "SN0001000-SN0001999"));
    const QStringList run = {"run", "--recipe", "recipe.ini", "--json", "--db", line};
    // The stations run at once, each its own command with its own journal.
    auto round = [&](const QStringList& stations) {
        for (int com = 31; com < 40; ++com) // fresh boards, which hold no serial of the range
            bench_->board(com);
        std::vector<std::function<SimBench::Ran()>> runs;
        for (qsizetype s = 0; s < stations.size(); ++s)
            runs.push_back([&, s] { return station(stations[s], run + ports(31 + 4 * static_cast<int>(s), s < 2 ? 4 : 1)); });
        std::map<QString, QJsonObject> results;
        int s = 0;
        for (const auto& r : atOnce(runs)) {
            EXPECT_EQ(r.status, s++ == 2 ? 1 : 0) << r.err.toStdString();
            EXPECT_FALSE(r.out.contains("still marked reserved")) << "a leased number ends in the lease alone";
            results.merge(JsonLines(r.out).results);
        }
        return results;
    };
    std::map<QString, QString> serialOf; // every passed board's serial, by the station that wrote it
    auto tally = [&](const std::map<QString, QJsonObject>& results) {
        for (int i = 0; i < 8; ++i) {
            const QJsonObject r = results.at(QString("COM%1").arg(31 + i));
            EXPECT_TRUE(r["ok"].toBool()) << r["message"].toString().toStdString();
            EXPECT_TRUE(serialOf.emplace(r["serial"].toString(), i < 4 ? "A" : "B").second) << "no serial twice";
        }
    };
    tally(round({"A", "B"}));
    bench_->lineAway(0, 24 * 3600 * 1000);
    auto away = round({"A", "B", "C"});
    // The third station never held a lease: its board fails before its write.
    const QJsonObject third = away.extract("COM39").mapped();
    EXPECT_FALSE(third["ok"].toBool());
    EXPECT_EQ(third["serial"], "SN0000001") << "the board's own, untouched";
    EXPECT_TRUE(third["message"].toString().contains("nothing was written: this station's lease of serial numbers ran "
                                                     "out while the line's database was away"))
        << third["message"].toString().toStdString();
    tally(away);
    tally(round({"A", "B"}));
    ASSERT_EQ(serialOf.size(), 24u);
    bench_->lineBack();

    QStringList journals;
    for (const QString name : {"A", "B", "C"}) {
        EXPECT_EQ(tool({"records", "sync", "--db", line, "--station", name}, name).status, 0) << name.toStdString();
        journals << "--journal" << dataHome(name) + "/auxpad-flash/records.sqlite";
    }
    // Every promise of the line, checked against what the stations and the line's database hold.
    const auto audit = tool(QStringList{"records", "audit", "--json", "--db", line} + journals);
    EXPECT_EQ(audit.status, 0);
    const QJsonObject audited = QJsonDocument::fromJson(audit.out).object();
    EXPECT_TRUE(audited["ok"].toBool()) << audit.out.toStdString();
    EXPECT_EQ(audited["invariants"].toArray().size(), 9);

    int written = 0;
    for (const auto& row : report(line, {"--serials", "SN0001000-SN0001999"})) {
        const std::string serial = row.at("serial").toStdString();
        if (row.at("state") == "written") {
            ++written;
            EXPECT_EQ(serialOf[row.at("serial")], row.at("station")) << "written by the station that wrote it: " << serial;
        } else {
            EXPECT_EQ(row.at("state"), "leased") << serial;
        }
    }
    EXPECT_EQ(written, 24);
    // What a station still holds is its own until it gives it back.
    const auto release = tool({"records", "lease", "--release", "--db", line, "--station", "A"}, "A");
    EXPECT_EQ(release.status, 0);
    EXPECT_TRUE(release.out.startsWith("4 serial numbers given back to postgresql://")) << release.out.toStdString();
}

TEST_F(Leases, AStationKeepsItsLeaseUntilItGivesItBackOnSqliteToo)
{
    const QString line = "sqlite:" + path("line.sqlite");
    write("recipe.ini",
          recipeText("Bench", downloadText(60), downloadText(120), "SN0001000-SN0001999") + "serial_lease=4\n");
    bench_->board(31);
    EXPECT_EQ(station("D", QStringList{"run", "--recipe", "recipe.ini", "--db", line} + ports(31, 1)).status, 0);
    // The number's last state joined the chain as it was handed on, not at a later start.
    const QString revision = peek(dataHome("D") + "/auxpad-flash/records.sqlite",
                                  "SELECT revision FROM serial_leases WHERE serial = 'SN0001000'");
    EXPECT_EQ(revision, "3") << "leased, reserved, written";
    EXPECT_EQ(peek(path("line.sqlite"), "SELECT MAX(revision) FROM chain WHERE kind = 'lease' AND entry_key = 'SN0001000'"),
              revision);
    auto serials = [&] {
        const auto report = tool({"report", "--serials", "SN0001000-SN0001999", "--db", line});
        EXPECT_EQ(report.status, 0);
        return QString::fromUtf8(report.out);
    };
    const QString held = serials();
    EXPECT_TRUE(held.startsWith("SN0001000   written      D               COM31")) << held.toStdString();
    EXPECT_TRUE(held.contains("SN0001003   leased       D")) << held.toStdString();
    EXPECT_TRUE(held.endsWith("leased: D 3\nwritten: D 1\n")) << held.toStdString();
    const auto list = tool({"records", "lease", "--station", "D", "--db", line}, "D");
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(list.out.endsWith(": SN0001001 SN0001002 SN0001003\n"));
    // Another bench on the same computer gives back only its own; then D its three.
    for (const auto& [bench, says] : {std::pair{"E", "0 serial numbers given back"}, std::pair{"D", "3 serial numbers given back"}}) {
        const auto release = tool({"records", "lease", "--release", "--station", bench, "--db", line}, "D");
        EXPECT_EQ(release.status, 0);
        EXPECT_TRUE(release.out.startsWith(says)) << release.out.toStdString();
    }
    EXPECT_TRUE(serials().endsWith("\nwritten: D 1\n")) << "the numbers no board took are free again";
}

} // namespace
