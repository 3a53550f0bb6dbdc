// A whole shift of the line on simulated time: the same every time for one seed, and the
// line's promises held through the faults of many seeds.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "records/record_reader.h"
#include "shift/simulate_command.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"
#include "web/line_json.h"

using namespace auxpad::shift;

namespace {

// A shift of `stations` x `slots` for `hours`, its faults drawn from the seed; with a
// slot whose contact is worn all shift long, when `flaky` gives its failing share.
ShiftPlan plan(quint64 seed, int stations, int slotCount, double hours, double flaky = 0)
{
    ShiftPlan p;
    p.seed = seed;
    p.stations = stations;
    p.slotsEach = slotCount;
    p.hours = hours;
    p.faults = defaultFaults(p);
    if (flaky > 0)
        p.faults.push_back({Fault::Kind::SlotFlaky, 0, static_cast<qint64>(hours * 3600 * 1000), 0, 2, flaky});
    return p;
}

// "boards passed failed first_pass" of a count, as every front says it.
struct Counts {
    qint64 boards = 0, passed = 0, failed = 0, firstPass = 0;
    void add(qint64 b, qint64 p, qint64 f, qint64 first) { *this = {boards + b, passed + p, failed + f, firstPass + first}; }
    std::string text() const { return QString("%1 %2 %3 %4").arg(boards).arg(passed).arg(failed).arg(firstPass).toStdString(); }
};

// What the shift says of each station's boards, folded by its name, against what a
// report's summary per station and per slot, the line's page and its failures say of the
// stores the shift kept: one number everywhere. The flaky slot's station passed fewer
// boards at their first try than in the end; no slot but the flaky one fails more than
// its bench.
void expectOneTruth(const ShiftOutcome& outcome, const QString& store, const ShiftPlan& p, const std::string& seed)
{
    std::map<QString, Counts> shift, perStation, perSlot, page;
    for (const StationFigures& f : outcome.stations)
        shift[f.station].add(f.boards, f.passed, f.failed, f.firstPass);
    auxpad::RecordReader records;
    ASSERT_TRUE(records.open(store, auxpad::RecordReader::Opening::MustExist));
    auxpad::RecordFilter runs;
    runs.job = "run";
    const auto stations = records.summarise(runs, auxpad::Period::Week, auxpad::Per::Station);
    const auto slotRows = records.summarise(runs, auxpad::Period::Week, auxpad::Per::Slot);
    ASSERT_TRUE(stations && slotRows);
    for (const auto& r : stations->rows)
        perStation[r.group].add(r.tried, r.passed, r.failed, r.firstPass);
    for (const auto& r : slotRows->rows) {
        perSlot[r.group].add(r.tried, r.passed, r.failed, r.firstPass);
        EXPECT_LE(r.firstPass, r.passed) << seed;
        if (r.outlier) {
            EXPECT_TRUE(r.group == "station-1" && r.port == "COM3") << seed << " flags " << r.port.toStdString();
        }
    }
    const QJsonObject line = auxpad::web::lineJson(auxpad::runningBoards(records, {}).value(), auxpad::hourCounts(records, {}).value(),
                                                   auxpad::slotCounts(records, {}).value(), {}, {}, QDateTime::currentDateTimeUtc());
    for (const QJsonValue& tile : line["stations"].toArray()) {
        const QJsonObject since = tile["since"].toObject();
        page[tile["station"].toString()].add(since["boards"].toInteger(), since["passed"].toInteger(),
                                             since["failed"].toInteger(), since["first_pass"].toInteger());
    }
    for (const auto& [name, counts] : shift) {
        EXPECT_EQ(counts.text(), perStation[name].text()) << seed << " " << name.toStdString() << ": the report per station";
        EXPECT_EQ(counts.text(), perSlot[name].text()) << seed << " " << name.toStdString() << ": the report per slot";
        EXPECT_EQ(counts.text(), page[name].text()) << seed << " " << name.toStdString() << ": the line's page";
    }
    EXPECT_EQ(shift.size(), perStation.size()) << seed;
    if (p.faults.back().kind == Fault::Kind::SlotFlaky) {
        EXPECT_LT(shift["station-1"].firstPass, shift["station-1"].passed) << seed << ": the flaky slot's station";
    }
    for (const auto& o : outcome.outliers)
        EXPECT_TRUE(o.station == "station-1" && o.port == "COM3") << seed << " flags " << o.port.toStdString();
    // The failures: a row each step and cause, and the page lists the report's.
    std::set<std::pair<QString, QString>> causes;
    for (const auto& f : stations->failures)
        EXPECT_TRUE(causes.insert({f.step, f.cause}).second) << seed << " " << f.step.toStdString();
    const QJsonArray listed = auxpad::web::failuresJson(records.failures({}).value(), {})["failures"].toArray();
    ASSERT_EQ(listed.size(), static_cast<qsizetype>(stations->failures.size())) << seed;
    for (qsizetype i = 0; i < listed.size(); ++i) {
        const auto& f = stations->failures[static_cast<std::size_t>(i)];
        EXPECT_EQ(listed[i]["count"].toInteger(), f.count) << seed;
        EXPECT_EQ(listed[i]["example"].toString(), f.example) << seed;
        EXPECT_FALSE(f.example.contains('\n')) << seed;
    }
}

TEST(Shift, OneSeedRunsTheSameWayEveryTimeAndAnotherSeedOtherwise)
{
    QTemporaryDir dir;
    QByteArray events[3];
    for (int run = 0; run < 3; ++run) {
        ShiftPlan p = plan(run < 2 ? 7 : 8, 2, 4, 0.75);
        p.events = dir.filePath(QString("events%1.txt").arg(run));
        const auto done = simulate(p);
        ASSERT_TRUE(done) << done.error().toStdString();
        QFile file(p.events);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        events[run] = file.readAll();
    }
    EXPECT_GT(events[0].count('\n'), 500) << "every board's arrival, end and pull is there";
    EXPECT_TRUE(events[0].contains(" killed\n") && events[0].contains("goes by the station name"));
    // What befalls the whole line is told without a station or a port.
    const QRegularExpression lineWide(R"(^\d\d:\d\d:\d\d\.\d{3} the (line's database|printer) )");
    int told = 0;
    for (const QByteArray& line : events[0].split('\n')) {
        for (const char* what : {"database goes away", "database is back", "runs out of labels", "has labels again"}) {
            if (line.endsWith(what)) {
                ++told;
                EXPECT_TRUE(lineWide.match(QString::fromUtf8(line)).hasMatch()) << line.toStdString();
            }
        }
    }
    EXPECT_EQ(told, 6) << "the database away twice and the printer once, each going and coming back";
    EXPECT_EQ(events[0], events[1]);
    EXPECT_NE(events[0], events[2]);
}

// Seeds that once broke a promise: each stays here, run every time.
const quint64 kRegressionSeeds[] = {1, 7};

// The seeds from $AUXPAD_SWEEP ("FIRST-LAST"), else the regression seeds: an hour of 2 x 8
// slots each, its faults at random with a flaky slot, the operator slow enough that an hour
// is cheap; and every front's numbers are the same.
TEST(Shift, EveryPromiseHoldsThroughTheFaultsOfEverySeed)
{
    std::vector<quint64> seeds;
    const QStringList range = qEnvironmentVariable("AUXPAD_SWEEP").split('-');
    if (range.size() == 2)
        for (quint64 s = range[0].toULongLong(); s <= range[1].toULongLong(); ++s)
            seeds.push_back(s);
    else
        seeds.assign(std::begin(kRegressionSeeds), std::end(kRegressionSeeds));
    for (const quint64 seed : seeds) {
        QTemporaryDir kept;
        ShiftPlan p = plan(seed, 2, 8, 1, 50);
        p.plugSeconds = p.pullSeconds = 120;
        p.keep = kept.path();
        const auto done = simulate(p);
        ASSERT_TRUE(done) << "seed " << seed << ": " << done.error().toStdString();
        for (const auxpad::Invariant& i : done->outcome.invariants)
            EXPECT_TRUE(i.held) << "seed " << seed << " breaks " << i.name.toStdString() << ": "
                                << i.broken.toStdString() << " (auxpad-flash simulate --stations 2 --slots 8 "
                                << "--hours 1 --plug-seconds 120 --pull-seconds 120 --seed " << seed << ")";
        int passed = 0;
        double busySeconds = 0;
        for (const StationFigures& f : done->outcome.stations) {
            passed += f.passed;
            busySeconds += f.slotUse * p.slotsEach * p.hours * 3600;
            EXPECT_EQ(f.passed + f.failed + f.interrupted, f.boards)
                << "seed " << seed << ": a board still on the bench when the shift ends finishes before the count";
        }
        EXPECT_GT(passed, 50) << "seed " << seed;
        ASSERT_EQ(done->outcome.rssMb.size(), 1u) << "the resident memory at each hour's end";
        EXPECT_GT(done->outcome.rssMb[0], 10) << "a process with Qt and SQLite holds more than 10 MB";
        // The slots were busy at least as long as the bring-ups of the boards that passed.
        EXPECT_GT(done->outcome.meanBringUpSeconds, 20) << "seed " << seed;
        EXPECT_LE(passed * done->outcome.meanBringUpSeconds, busySeconds) << "seed " << seed;
        expectOneTruth(done->outcome, "sqlite:" + QDir(kept.path()).filePath("line.sqlite"), p,
                       "seed " + std::to_string(seed));
    }
}

// A slot with a worn contact is the one slot that fails more than its bench, at the first
// try of its boards, however its boards pass in the end; without it no slot is, seed
// after seed. A bench of 4 slots for two hours is long enough for every slot to see some
// hundred boards.
TEST(Shift, ExactlyTheFlakySlotFailsMoreThanItsBench)
{
    for (quint64 seed = 1; seed <= 10; ++seed) {
        for (const double flaky : {30.0, 0.0}) {
            const ShiftPlan p = plan(seed, 1, 4, 2, flaky);
            const auto done = simulate(p);
            ASSERT_TRUE(done) << done.error().toStdString();
            QStringList flagged;
            for (const SlotOutlier& o : done->outcome.outliers)
                flagged << o.station + ' ' + o.port;
            EXPECT_EQ(flagged.join(", ").toStdString(), flaky > 0 ? "station-1 COM3" : "")
                << "seed " << seed << (flaky > 0 ? " with" : " without") << " the flaky slot";
        }
    }
}

// A faults file that names what the shift has not, or a share that is none, stops the
// shift before it starts, naming its line (a comment is a line too); nothing is written.
TEST(Shift, ABadFaultsFileOrRecipeIsRefusedBeforeTheShiftStarts)
{
    QTemporaryDir dir;
    int files = 0;
    const auto faults = [&](const char* line) {
        const QString file = dir.filePath(QString("faults%1.txt").arg(++files));
        return QStringList{"--keep", dir.filePath("kept"), "--faults",
                           writeFile(file, std::string("# the worn contact at COM12\ndefaults\n") + line + "\n")};
    };
    // A recipe given to the shift is the one it runs, checked as a station checks its own.
    const std::pair<QStringList, const char*> refused[] = {
        {faults("slot-flaky at=00:00:00 for=60 station=3 slot=1 fail=30"), "line 3: station=3 is no station of this shift"},
        {faults("slot-flaky at=00:00:00 for=60 station=1 slot=9 fail=30"), "line 3: slot=9 is no slot of this shift"},
        {faults("slot-flaky at=00:00:00 for=60 station=1 slot=2 fail=130"), "line 3: fail=130 is not a percentage"},
        {faults("slot-flaky at=00:00:00 for=60 station=1 slot=2"), "line 3: which slot, and how flaky?"},
        {faults("printer-refuses at=00:10:00 for=60 fail=30"), "line 3: fail is no key of this fault"},
        {{"--keep", dir.filePath("kept"), "--recipe", writeFile(dir.filePath("recipe.ini"), "[recipe]\nname=Line A\n")},
         "recipe.ini: [recipe] has no initdisk"},
        {{"--keep", dir.filePath("kept"), "--db", "mysql://line"}, "--db: "},
        {{"--keep", dir.filePath("kept"), "--plug-seconds", "0.49"}, "--plug-seconds takes seconds, from 0.5 to 3600"},
    };
    // The ends of each range are in it.
    const auto ends = readShiftPlan({"auxpad-flash", "simulate", "--plug-seconds", "0.5", "--pull-seconds", "3600",
                                     "--stations", "16", "--slots", "64", "--hours", "24"});
    ASSERT_TRUE(ends) << ends.error().toStdString();
    EXPECT_EQ(ends->plugSeconds + ends->pullSeconds + ends->hours + ends->stations + ends->slotsEach, 3600.5 + 24 + 16 + 64);
    for (const auto& [arguments, said] : refused) {
        QProcess simulate;
        startProgram(simulate, AUXPAD_FLASH_EXE,
                     QStringList{"simulate", "--stations", "2", "--slots", "8"} + arguments);
        ASSERT_TRUE(simulate.waitForFinished(60000));
        const QString err = QString::fromUtf8(simulate.readAllStandardError());
        EXPECT_EQ(simulate.exitCode(), 2) << said;
        EXPECT_TRUE(err.contains(said)) << err.toStdString();
        EXPECT_FALSE(QDir(dir.filePath("kept")).exists()) << "nothing is written";
    }
}

// A seed's faults fall on the shift's own stations and slots, any of them, and end within it.
TEST(Shift, EveryDrawnFaultNamesAStationAndSlotOfTheShiftAndEndsWithinIt)
{
    std::set<std::pair<int, int>> renamed; // the adapters renamed, by station and slot
    for (quint64 seed = 1; seed <= 200; ++seed) {
        const ShiftPlan p = plan(seed, 2, 3, 1);
        for (const Fault& f : p.faults) {
            EXPECT_TRUE(f.station >= 0 && f.station < 2 && f.slot >= 0 && f.slot < 3) << seed << faultName(f.kind);
            EXPECT_LE(f.atMs + f.forMs, 3600 * 1000) << seed << faultName(f.kind);
            if (f.kind == Fault::Kind::AdapterRenamed)
                renamed.insert({f.station, f.slot});
        }
    }
    EXPECT_EQ(renamed.size(), 6u);
}

// The shift's JSON says each fault as the faults file gave it, with what names it and no more.
TEST(Shift, ItsJsonSaysEachFaultWithItsStationSlotAndShare)
{
    QTemporaryDir dir;
    const QString faults = writeFile(dir.filePath("faults.txt"), "slot-flaky at=00:00:00 for=360 station=2 slot=3 fail=30\n"
                                                                 "printer-refuses at=00:01:00 for=60\n");
    QProcess simulate;
    startProgram(simulate, AUXPAD_FLASH_EXE,
                 {"simulate", "--stations", "2", "--slots", "4", "--hours", "0.1", "--faults", faults, "--json"});
    ASSERT_TRUE(simulate.waitForFinished(60000));
    std::map<QString, QJsonObject> byKind;
    for (const QJsonValue f : QJsonDocument::fromJson(simulate.readAllStandardOutput())["faults"].toArray())
        byKind[f["kind"].toString()] = f.toObject();
    EXPECT_EQ(byKind["slot-flaky"], (QJsonObject{{"kind", "slot-flaky"}, {"at", "00:00:00"}, {"seconds", 360},
                                                 {"station", "station-2"}, {"slot", "COM3"}, {"fail", 30}}));
    EXPECT_EQ(byKind["printer-refuses"], (QJsonObject{{"kind", "printer-refuses"}, {"at", "00:01:00"}, {"seconds", 60}}));
}

// The table a line lead reads says what the JSON says, a row for each journal, and the
// memory to a tenth of a megabyte.
TEST(Shift, ItsTableSaysWhatItsJsonSays)
{
    const auto run = [](const QStringList& more) {
        QProcess simulate;
        startProgram(simulate, AUXPAD_FLASH_EXE,
                     QStringList{"simulate", "--stations", "1", "--slots", "2", "--hours", "1", "--seed", "1"} + more);
        EXPECT_TRUE(simulate.waitForFinished(60000));
        return simulate.readAllStandardOutput();
    };
    const QString table = QString::fromUtf8(run({}));
    const QRegularExpression journal(R"(\[journal \w+\])"); // a journal's name is new each run
    QStringList rows;
    for (const QString& line : table.split('\n'))
        rows << line.simplified().replace(journal, "[journal]");
    const QJsonArray stations = QJsonDocument::fromJson(run({"--json"}))["stations"].toArray();
    ASSERT_EQ(stations.size(), 2) << "the station's journal and its clone";
    for (const QJsonValue s : stations) {
        const auto n = [&](const char* key, int decimals, double times = 1) {
            return QString::number(s[key].toDouble() * times, 'f', decimals);
        };
        const QString row = QStringList{s["shown"].toString().replace(journal, "[journal]"), n("boards", 0), n("passed", 0), n("failed", 0),
                                        n("interrupted", 0), n("first_pass_yield", 1), "%", n("no_serial", 0),
                                        n("boards_per_hour", 0), n("bound_per_hour", 0), n("slot_use", 0, 100), "%"}
                                .join(' ');
        EXPECT_TRUE(rows.contains(row)) << row.toStdString() << " in\n" << table.toStdString();
    }
    EXPECT_TRUE(table.contains(QRegularExpression(R"re(Resident memory: \d+\.\d MB after the first simulated hour, )re"
                                                  R"re(\d+\.\d MB after the last\n)re")))
        << table.toStdString();
}

// The kinds of board share the shift between them: every kind counts toward the whole,
// which may be all of it and no more.
TEST(Shift, ABoardMixIsRefusedWhenItsKindsAddUpToMoreThanTheWhole)
{
    const auto all = readMix("self-test=10,misstored=20,hang-up=30,silent=40");
    ASSERT_TRUE(all) << all.error().toStdString();
    EXPECT_EQ(all->silent, 40);
    for (const char* over : {"self-test=1,misstored=20,hang-up=30,silent=50", "silent=60,hang-up=41",
                             "misstored=99,self-test=2"}) {
        const auto mix = readMix(QString::fromLatin1(over));
        ASSERT_FALSE(mix) << over;
        EXPECT_EQ(mix.error(), "--mix: the kinds of board add up to more than 100 %");
    }
    EXPECT_FALSE(readMix("silent=101"));
    EXPECT_FALSE(readMix("worn=5"));
}

} // namespace
