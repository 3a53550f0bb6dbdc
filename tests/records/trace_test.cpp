// Who built each board, where, and for which order; and a line that hands out serials
// while its database is away.

#include <cstdio>
#include <set>

#include <QJsonArray>
#include <QJsonDocument>

#include "tests/records/records_fixture.h"

namespace {

TEST_F(Records, TwoBenchesOnOneComputerAreTwoStations)
{
    boards(4);
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(stores_[s].toStdString());
        env_.clear();
        auto a = start(QStringList{"selftest", "--station", "bench A", "--db", stores_[s]} + ports(2 * s, 1));
        EXPECT_EQ(finish(*a), 0);
        env_ = {"AUXPAD_FLASH_STATION=bench B"};
        EXPECT_EQ(finish(*start(QStringList{"selftest", "--db", stores_[s]} + ports(2 * s + 1, 1))), 0);
        const auto rows = report(stores_[s], {"--station", "bench A"});
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].at("port"), QString("COM%1").arg(31 + 2 * s));
        const auto other = report(stores_[s], {"--station", "bench B"});
        ASSERT_EQ(other.size(), 1u);
        EXPECT_EQ(other[0].at("port"), QString("COM%1").arg(32 + 2 * s));
    }
}

TEST_F(Records, ARecipeThatRequiresAnOperatorOrHasAMisspeltSectionStartsNothing)
{
    boards(1);
    recipe();
    const QString recipeText = readAll("station/recipe.ini");
    write("station/recipe.ini", (recipeText + "operator=required\n").toStdString());
    const QStringList run = QStringList{"run", "--recipe", "recipe.ini"} + ports(0, 1);
    auto refused = [&](const QStringList& extra, const QString& why) {
        auto tool = start(run + extra);
        QString errors;
        EXPECT_EQ(finish(*tool, &errors), 2);
        EXPECT_EQ(errors.count('\n'), 1) << errors.toStdString();
        EXPECT_TRUE(errors.contains(why)) << errors.toStdString();
    };
    for (const QStringList& extra : {QStringList{}, QStringList{"--order", "WO-1"}})
        refused(extra, "requires an operator");
    refused({"--operator", "badge 7", "--watch", "--again"}, "--again needs --reason");
    // A label section typed wrong would pass every board unlabelled.
    write("station/recipe.ini", (recipeText + "[lable]\nprinter=labels\nsize=50x25\n").toStdString());
    refused({}, "line 14: [lable] is no section of a recipe (did you mean [label]?)");
    const auto stats = sims_[0]->stats();
    EXPECT_EQ(stats.at("frames_rx_good") + stats.at("frames_rx_bad") + stats.at("stray_bytes"), 0) << "not a byte sent";
}

TEST_F(Records, EveryRecordSaysWhoAndForWhichOrderAndTheReportCountsPerOperator)
{
    boards(3);
    write("station/values.csv", "port,hardware,mcusw,dspsw,serial,code,manufacture\n"
                                "COM33,0102,MCU02.00.01,DSP02.00.07,SN0000777,0671234,061226\n");
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(stores_[s].toStdString());
        env_.clear();
        auto two = start(QStringList{"selftest", "--json", "--operator", "badge 7", "--order", "WO-1", "--db", stores_[s]}
                         + ports(0, 2));
        EXPECT_EQ(finish(*two), 0);
        for (const auto& [port, result] : JsonLines(two->readAllStandardOutput()).results) {
            EXPECT_EQ(result["operator"], "badge 7") << port.toStdString();
            EXPECT_EQ(result["order"], "WO-1") << port.toStdString();
        }
        env_ = {"AUXPAD_FLASH_OPERATOR=badge 9"};
        for (const QStringList& write : {QStringList{}, QStringList{"--allow-reuse", "--reason", "repair"}}) {
            auto one = start(QStringList{"prodinfo", "--values", "values.csv", "--db", stores_[s]} + write + ports(2, 1));
            EXPECT_EQ(finish(*one), 0);
        }
        const auto seven = report(stores_[s], {"--operator", "badge 7"});
        ASSERT_EQ(seven.size(), 2u);
        for (const auto& row : seven)
            EXPECT_TRUE(row.at("order") == "WO-1" && row.at("reason").isEmpty());
        const auto nine = report(stores_[s], {"--operator", "badge 9"});
        ASSERT_EQ(nine.size(), 2u);
        EXPECT_EQ(nine[1].at("reason"), "repair") << "the exception is on record, with who asked";
        EXPECT_TRUE(nine[0].at("reason").isEmpty() && nine[1].at("operator") == "badge 9");
        EXPECT_EQ(report(stores_[s], {"--order", "WO-1"}).size(), 2u);

        auto summed = start({"report", "--summary", "--per", "operator", "--csv", "--db", stores_[s]});
        EXPECT_EQ(finish(*summed), 0);
        const QStringList lines = QString::fromUtf8(summed->readAllStandardOutput()).split("\r\n");
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines[0], "operator,period,jobs,passed,failed,yield_percent");
        EXPECT_TRUE(lines[1].startsWith("badge 7,") && lines[1].endsWith(",2,2,0,100.0")) << lines[1].toStdString();
        EXPECT_TRUE(lines[2].startsWith("badge 9,") && lines[2].endsWith(",2,2,0,100.0")) << lines[2].toStdString();
        auto filtered = start({"report", "--operator", "badge 9", "--summary", "--per", "operator", "--csv", "--db",
                               stores_[s]});
        EXPECT_EQ(finish(*filtered), 0);
        const QStringList only = QString::fromUtf8(filtered->readAllStandardOutput()).split("\r\n");
        ASSERT_GE(only.size(), 3);
        EXPECT_TRUE(only[1].startsWith("badge 9,") && only[1].endsWith(",2,2,0,100.0") && only[2].isEmpty())
            << only.join('|').toStdString();
    }
}

TEST_F(Records, TwoStationsGoOnHandingOutSerialsWhileTheLineDatabaseIsAway)
{
    recipe();
    boards(9);
    const QStringList run = {"run", "--recipe", "recipe.ini", "--json", "--db", stores_[1]};
    auto round = [&](const QStringList& stations) {
        std::vector<std::unique_ptr<QProcess>> runs;
        for (qsizetype s = 0; s < stations.size(); ++s)
            runs.push_back(station(stations[s], run + ports(4 * static_cast<int>(s), s < 2 ? 4 : 1)));
        std::map<QString, QJsonObject> results;
        for (auto& r : runs) {
            QString errors;
            EXPECT_EQ(finish(*r, &errors), r == runs.back() && stations.size() == 3 ? 1 : 0) << errors.toStdString();
            const QByteArray out = r->readAllStandardOutput();
            EXPECT_FALSE(out.contains("still marked reserved")) << "a leased number ends in the lease alone";
            results.merge(JsonLines(out).results);
        }
        for (int i = 0; i < 9; ++i) { // fresh boards, which hold no serial of the range
            sims_[i].reset();
            sims_[i] = std::make_unique<SimProcess>(dir_.filePath("config"), 31 + i, QStringList{"--quiet"});
        }
        return results;
    };
    std::map<QString, QString> serialOf; // every passed board's serial, by the station that wrote it
    double seconds[2] = {0, 0};          // the bring-ups' time, the server up and away
    auto tally = [&](const std::map<QString, QJsonObject>& results) {
        for (int i = 0; i < 8; ++i) {
            const QJsonObject r = results.at(QString("COM%1").arg(31 + i));
            seconds[serialOf.size() < 8 ? 0 : 1] += r["seconds"].toDouble();
            EXPECT_TRUE(r["ok"].toBool()) << r["message"].toString().toStdString();
            EXPECT_TRUE(serialOf.emplace(r["serial"].toString(), i < 4 ? "A" : "B").second) << "no serial twice";
        }
    };
    tally(round({"A", "B"}));
    ASSERT_TRUE(pgServer().stop());
    auto away = round({"A", "B", "C"});
    // The third station never held a lease: its board fails before its write.
    const QJsonObject third = away.at("COM39");
    away.erase("COM39");
    EXPECT_FALSE(third["ok"].toBool());
    EXPECT_EQ(third["serial"], "SN0000001") << "the board's own, untouched";
    EXPECT_TRUE(third["message"].toString().contains("nothing was written: this station's lease of serial numbers ran "
                                                     "out while the line's database was away"))
        << third["message"].toString().toStdString();
    tally(away);
    tally(round({"A", "B"}));
    ASSERT_EQ(serialOf.size(), 24u);
    // A number from the lease adds no wait. A question to a database that does not answer
    // would wait out its 3 s connect timeout; a busy machine next door moves the times less.
    const double up = seconds[0] / 8, down = seconds[1] / 16;
    std::printf("lease: a bring-up took %.2f s on average with the server up, %.2f s with it away\n", up, down);
    EXPECT_LT(down, up + 3);
    ASSERT_TRUE(pgServer().start());
    QStringList journals;
    for (const QString name : {"A", "B", "C"}) {
        EXPECT_EQ(finish(*station(name, {"records", "sync", "--db", stores_[1]})), 0) << name.toStdString();
        journals << "--journal" << dir_.filePath("data-" + name + "/auxpad-flash/records.sqlite");
    }
    // Every promise of the line, checked against what the stations and the line's database hold.
    auto audit = start(QStringList{"records", "audit", "--json", "--db", stores_[1]} + journals);
    EXPECT_EQ(finish(*audit), 0);
    const QJsonObject audited = QJsonDocument::fromJson(audit->readAllStandardOutput()).object();
    EXPECT_TRUE(audited["ok"].toBool()) << QJsonDocument(audited).toJson().toStdString();
    EXPECT_EQ(audited["invariants"].toArray().size(), 8);

    std::set<QString> uuids;
    int written = 0;
    for (const auto& row : report(stores_[1], {"--job", "run"})) {
        EXPECT_TRUE(uuids.insert(row.at("job_uuid")).second) << "every record once";
        if (row.at("station") == "C") {
            EXPECT_EQ(row.at("serial"), "SN0000001");
            EXPECT_TRUE(row.at("message").contains("lease of serial numbers ran out while the line's database was away"))
                << row.at("message").toStdString();
            continue;
        }
        EXPECT_EQ(row.at("result"), "passed");
        EXPECT_EQ(serialOf[row.at("serial")], row.at("station")) << row.at("serial").toStdString();
    }
    EXPECT_EQ(uuids.size(), 25u);
    auto states = start({"report", "--serials", "SN0001000-SN0001999", "--csv", "--db", stores_[1]});
    EXPECT_EQ(finish(*states), 0);
    for (const QString& line : QString::fromUtf8(states->readAllStandardOutput()).split("\r\n", Qt::SkipEmptyParts)) {
        const QStringList f = line.split(',');
        if (f[1] == "written") {
            ++written;
            EXPECT_EQ(serialOf[f[0]], f[2]) << "written by the station that wrote it: " << line.toStdString();
        } else if (f[0] != "serial") {
            EXPECT_EQ(f[1], "leased") << line.toStdString();
        }
    }
    EXPECT_EQ(written, 24);
    // What a station still holds is its own until it gives it back.
    auto release = station("A", {"records", "lease", "--release", "--db", stores_[1]});
    EXPECT_EQ(finish(*release), 0);
    EXPECT_TRUE(release->readAllStandardOutput().startsWith("4 serial numbers given back to postgresql://"));
}

TEST_F(Records, AStationKeepsItsLeaseUntilItGivesItBackOnSqliteToo)
{
    recipe();
    write("station/recipe.ini", (readAll("station/recipe.ini") + "serial_lease=4\n").toStdString());
    boards(1);
    EXPECT_EQ(finish(*station("D", QStringList{"run", "--recipe", "recipe.ini", "--db", stores_[0]} + ports(0, 1))), 0);
    auto serials = [&] {
        auto report = start({"report", "--serials", "SN0001000-SN0001999", "--db", stores_[0]});
        EXPECT_EQ(finish(*report), 0);
        return QString::fromUtf8(report->readAllStandardOutput());
    };
    const QString held = serials();
    EXPECT_TRUE(held.startsWith("SN0001000   written      D               COM31")) << held.toStdString();
    EXPECT_TRUE(held.contains("SN0001003   leased       D")) << held.toStdString();
    EXPECT_TRUE(held.endsWith("leased: D 3\nwritten: D 1\n")) << held.toStdString();
    auto list = station("D", {"records", "lease", "--db", stores_[0]});
    EXPECT_EQ(finish(*list), 0);
    EXPECT_TRUE(list->readAllStandardOutput().endsWith(": SN0001001 SN0001002 SN0001003\n"));
    dataHome_ = dir_.filePath("data-D"); // another bench on the same computer
    auto other = start({"records", "lease", "--release", "--station", "E", "--db", stores_[0]});
    dataHome_.clear();
    EXPECT_EQ(finish(*other), 0);
    EXPECT_TRUE(other->readAllStandardOutput().startsWith("0 serial numbers given back")) << "only its own";
    auto release = station("D", {"records", "lease", "--release", "--db", stores_[0]});
    EXPECT_EQ(finish(*release), 0);
    EXPECT_TRUE(release->readAllStandardOutput().startsWith("3 serial numbers given back"));
    EXPECT_TRUE(serials().endsWith("\nwritten: D 1\n")) << "the numbers no board took are free again";
}

} // namespace
