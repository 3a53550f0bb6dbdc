// A lease belongs to a journal, whatever its station is called: station PCs cloned from
// one image, and a station reinstalled with a fresh journal under its old name.

#include <QSqlDatabase>
#include <QSqlQuery>

#include <set>

#include "records/store_urls.h"
#include "tests/records/records_fixture.h"

namespace {

// What report --serials --csv says of each number: its state and the journal holding it.
struct Held {
    QString state, journal;
};

class Journals : public Records, public ::testing::WithParamInterface<int> {
protected:
    // A command of station "bench" with its own journal `name`, on the line database `store`.
    std::unique_ptr<QProcess> bench(const QString& name, const QString& store, const QStringList& arguments)
    {
        dataHome_ = dir_.filePath("data-" + name);
        auto tool = start(arguments + QStringList{"--station", "bench", "--db", store});
        dataHome_.clear();
        return tool;
    }
    std::map<QString, Held> serials(const QString& store)
    {
        auto report = start({"report", "--serials", "SN0001000-SN0001999", "--csv", "--db", store});
        EXPECT_EQ(finish(*report), 0);
        std::map<QString, Held> held;
        for (const QString& line : QString::fromUtf8(report->readAllStandardOutput()).split("\r\n", Qt::SkipEmptyParts)) {
            const QStringList f = line.split(',');
            if (f[0] != "serial")
                held[f[0]] = {f[1], f[5]};
        }
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
};

TEST_P(Journals, TwoJournalsUnderOneStationNameNeverShareASerialNorTakeEachOthers)
{
    recipe();
    write("station/recipe.ini", (readAll("station/recipe.ini") + "serial_lease=4\n").toStdString());
    boards(7);
    const QString store = stores_[GetParam()];
    const QString n = QString::number(GetParam());
    const QStringList run = {"run", "--recipe", "recipe.ini", "--json"};
    // Two PCs cloned from one image, at once.
    auto x = bench("x" + n, store, run + ports(0, 3));
    auto y = bench("y" + n, store, run + ports(3, 3));
    std::map<QString, QString> journalOf; // each passed board's serial, by the journal that wrote it
    auto collect = [&](QProcess& tool, const QString& who) {
        QString errors;
        EXPECT_EQ(finish(tool, &errors), 0) << errors.toStdString();
        EXPECT_TRUE(errors.contains("another journal also goes by the station name bench")) << errors.toStdString();
        EXPECT_TRUE(errors.contains("--station NAME")) << "the cure is named";
        for (const auto& [port, r] : JsonLines(tool.readAllStandardOutput()).results)
            EXPECT_TRUE(journalOf.emplace(r["serial"].toString(), who).second) << "no serial twice";
    };
    collect(*x, "x");
    collect(*y, "y");
    ASSERT_EQ(journalOf.size(), 6u);
    auto held = serials(store);
    QString idOf[2];
    for (const auto& [serial, who] : journalOf) {
        EXPECT_EQ(held[serial].state, "written");
        QString& id = idOf[who == "y"];
        EXPECT_TRUE(id.isEmpty() || id == held[serial].journal) << "each board's number is its journal's";
        id = held[serial].journal;
    }
    ASSERT_NE(idOf[0], idOf[1]);
    const QStringList leftX = leasedTo(held, idOf[0]), leftY = leasedTo(held, idOf[1]);
    ASSERT_FALSE(leftX.isEmpty());
    ASSERT_FALSE(leftY.isEmpty());
    auto table = start({"report", "--db", store});
    EXPECT_EQ(finish(*table), 0);
    EXPECT_TRUE(table->readAllStandardOutput().contains("bench [" + idOf[0].left(8).toUtf8() + "]"))
        << "the report tells the two apart";

    // x is reinstalled: a fresh journal under its old name, x's numbers still leased.
    auto z = bench("z" + n, store, run + ports(6, 1));
    EXPECT_EQ(finish(*z), 0);
    const QString fresh = JsonLines(z->readAllStandardOutput()).results.at("COM37")["serial"].toString();
    EXPECT_FALSE(journalOf.count(fresh) || leftX.contains(fresh) || leftY.contains(fresh)) << fresh.toStdString();
    EXPECT_EQ(leasedTo(serials(store), idOf[0]), leftX) << "a gone journal's numbers are never handed out by themselves";
    auto listed = bench("z" + n, store, {"records", "lease", "--journal", idOf[0].left(8)});
    EXPECT_EQ(finish(*listed), 0);
    EXPECT_TRUE(listed->readAllStandardOutput().endsWith(": " + leftX.join(' ').toUtf8() + "\n"));
    auto unsaid = bench("z" + n, store, {"records", "lease", "--release", "--journal", idOf[0]});
    EXPECT_EQ(finish(*unsaid), 2) << "not without a reason";
    auto freed = bench("z" + n, store, {"records", "lease", "--release", "--journal", idOf[0], "--reason",
                                        "station reinstalled"});
    EXPECT_EQ(finish(*freed), 0);
    EXPECT_TRUE(freed->readAllStandardOutput().startsWith(QString("%1 serial numbers of journal %2 given back")
                                                              .arg(leftX.size())
                                                              .arg(idOf[0])
                                                              .toUtf8()));
    held = serials(store);
    EXPECT_TRUE(leasedTo(held, idOf[0]).isEmpty());
    EXPECT_EQ(leasedTo(held, idOf[1]), leftY) << "only the gone journal's";

    // A fault puts one of y's numbers on a board of z: its written state is refused by
    // the line's database, and said at every sync until someone looks.
    {
        QSqlDatabase journal = QSqlDatabase::addDatabase("QSQLITE", "z-journal");
        journal.setDatabaseName(dir_.filePath("data-z" + n + "/auxpad-flash/records.sqlite"));
        ASSERT_TRUE(journal.open());
        QSqlQuery q(journal);
        q.prepare("INSERT INTO serial_leases (line_db, serial, recipe, station, port, taken, state, revision, "
                  "delivered) VALUES (?, ?, 'x', 'bench', 'COM37', '2026-12-07T08:00:00.000Z', 'written', 2, 1)");
        q.addBindValue(auxpad::StoreUrls::shownUrl(store));
        q.addBindValue(leftY.front());
        ASSERT_TRUE(q.exec());
        journal.close();
    }
    QSqlDatabase::removeDatabase("z-journal");
    for (int twice = 0; twice < 2; ++twice) {
        auto sync = bench("z" + n, store, {"records", "sync"});
        QString errors;
        EXPECT_EQ(finish(*sync, &errors), 1);
        EXPECT_TRUE(errors.contains("DOUBLED SERIAL " + leftY.front())) << errors.toStdString();
    }
    EXPECT_EQ(serials(store)[leftY.front()].state, "leased") << "still y's, untouched";
}

INSTANTIATE_TEST_SUITE_P(OnEitherDatabase, Journals, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "Sqlite" : "Postgresql"; });

} // namespace
