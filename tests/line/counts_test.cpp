// Boards, not jobs: what a person reads as a count of a bench is the same on the line's
// page, in the report's summary and on the line window's counters.
#include <QJsonArray>
#include <QLabel>

#include "records/record_reader.h"
#include "runner/bench.h"
#include "shell/sim_options.h"
#include "tests/line/line_fixture.h"
#include "ui/line_window.h"
#include "web/line_json.h"

namespace {

using Counts = OnSimulatedTime;

// "boards passed failed yield first_pass" of a summary's one row, a tile's day or the
// bench's end.
std::string figures(const QJsonObject& o)
{
    return QString("%1 %2 %3 %4 %5")
        .arg(o["boards"].toInt())
        .arg(o["passed"].toInt())
        .arg(o["failed"].toInt())
        .arg(o["yield"].toDouble(), 0, 'f', 1)
        .arg(o["first_pass"].toInt())
        .toStdString();
}

// The line page's tile of the one station of `store`: its figures since the start, and
// whether a board runs.
std::string tileOf(const QString& store)
{
    auxpad::RecordReader records;
    if (!records.open(store, auxpad::RecordReader::Opening::MustExist))
        return "no store";
    const QJsonObject page = auxpad::web::lineJson(auxpad::runningBoards(records, {}).value(), auxpad::hourCounts(records, {}).value(),
                                                   auxpad::slotCounts(records, {}).value(), {}, {}, QDateTime::currentDateTimeUtc());
    const QJsonArray tiles = page["stations"].toArray();
    if (tiles.size() != 1)
        return "tiles: " + std::to_string(tiles.size());
    return figures(tiles[0]["since"].toObject()) + (tiles[0]["running"].toArray().isEmpty() ? "" : " running");
}

TEST_F(Counts, ThirtyTwoBoardsAreThirtyTwoOnThePageInTheSummaryAndOnTheWindowsCounters)
{
    recipe("SN0007000-SN0007999");
    // COM21 hangs up in its first try and is back a second later: tried again, it passes.
    // COM22 keeps its serial wrongly: it fails, and a second try would not cure that.
    for (int com = 21; com < 53; ++com)
        bench_->board(com, com == 21   ? QStringList{"--hangup-after-block", "2"}
                           : com == 22 ? QStringList{"--misstore-serial"}
                                       : QStringList{});
    auto& hangsUp = bench_->adapter(21);
    QObject::connect(
        &hangsUp, &auxpad::shift::SimAdapter::hungUp, &hangsUp,
        [this] { bench_->at(1000, [this] { bench_->board(21); }); }, Qt::SingleShotConnection);
    const auto ran = bench_->run(QStringList{"run", "--recipe", "recipe.ini", "--retry", "2", "--json"} + ports(21, 32));
    EXPECT_EQ(ran.status, 1) << ran.err.toStdString();
    const JsonLines out(ran.out);
    ASSERT_EQ(out.results.size(), 32u);
    EXPECT_EQ(out.results.at("COM21")["tries"].toInt(), 2);
    EXPECT_TRUE(out.results.at("COM21")["ok"].toBool());
    EXPECT_EQ(out.summary["boards"].toInt(), 32);

    // The summary: 32 boards, the retried one once, as its last try ended.
    const auto summed = tool({"report", "--summary", "--json", "--db", journal()});
    ASSERT_EQ(summed.status, 0) << summed.err.toStdString();
    const QJsonObject summary = QJsonDocument::fromJson(summed.out).object();
    ASSERT_EQ(summary["yield"].toArray().size(), 1);
    EXPECT_EQ(figures(summary["yield"][0].toObject()), "32 31 1 96.9 30");
    ASSERT_EQ(summary["failures"].toArray().size(), 1) << "a failed board's steps are not failures of their own";
    EXPECT_EQ(summary["failures"][0]["count"].toInt(), 1);
    const auto table = tool({"report", "--summary", "--db", journal()});
    const QStringList row = QString::fromUtf8(table.out).split('\n').value(1).simplified().split(' ');
    EXPECT_EQ(row.mid(2).join(' ').toStdString(), "32 31 1 96.9 30 93.8") << table.out.toStdString();

    // --per job: every job and try, as counted before.
    auxpad::RecordReader records;
    ASSERT_TRUE(records.open(journal(), auxpad::RecordReader::Opening::MustExist));
    const auto jobs = tool({"report", "--summary", "--per", "job", "--json", "--db", journal()});
    const QJsonObject perJob = QJsonDocument::fromJson(jobs.out).object();
    EXPECT_EQ(perJob["yield"][0]["jobs"].toInt(), static_cast<int>(records.find({}).value().size()));
    EXPECT_GT(perJob["yield"][0]["jobs"].toInt(), 96) << "three jobs a board, and the retried one's first try";

    // The line's page: its tile says the same.
    EXPECT_EQ(tileOf(journal()), "32 31 1 96.9 30");

    // The line window on a bench of 32 slots counts its boards as its records do.
    const auto recipe = auxpad::readRecipe(path("station/recipe.ini"));
    ASSERT_TRUE(recipe) << recipe.error().toStdString();
    auxpad::DiskFiles disk;
    auxpad::RecipeFiles files(*recipe, disk);
    auxpad::Surroundings around;
    around.clock = &bench_->clock;
    around.lines = &bench_->lines;
    around.offload = auxpad::Offload::OnClock;
    auxpad::Bench bench(files, auxpad::RecipeFiles::kIniPath, around);
    const QString windowJournal = "sqlite:" + path("window.sqlite");
    auxpad::BenchSession session(bench);
    auxpad::SessionPlan plan;
    plan.journalUrl = windowJournal;
    plan.recipe = &*recipe;
    plan.rules = {2, true};
    plan.watch = true;
    // COM61's adapter is reset in its first download and back a second later, the board
    // still in its slot: one board, which passed at its second try.
    for (int com = 61; com < 93; ++com) {
        bench_->board(com, com == 62   ? QStringList{"--misstore-serial"}
                           : com == 61 ? QStringList{"--hangup-after-block", "2"}
                                       : QStringList{});
        plan.ports.push_back(bench_->lines.resolve("COM" + std::to_string(com)));
    }
    auto& reset = bench_->adapter(61);
    QObject::connect(
        &reset, &auxpad::shift::SimAdapter::hungUp, &reset,
        [this, &reset] { bench_->at(1000, [&reset] { reset.back(reset.device()); }); }, Qt::SingleShotConnection);
    ASSERT_TRUE(session.setUp(plan));
    auxpad::ui::LineWindow window(session, recipe->files, &*recipe);
    window.follow();
    bench.startSlots();
    ASSERT_TRUE(bench_->clock.runUntil([&] { return bench.tally().passed == 31; }, 600000));
    EXPECT_TRUE(window.findChild<QLabel*>("counters")->text().startsWith(
        "Passed 31    Failed 1    Yield 96.9 %    First pass 93.8 %"))
        << window.findChild<QLabel*>("counters")->text().toStdString();
    const auto windowSummed = tool({"report", "--summary", "--json", "--db", windowJournal});
    EXPECT_EQ(figures(QJsonDocument::fromJson(windowSummed.out).object()["yield"][0].toObject()), "32 31 1 96.9 30");
    EXPECT_EQ(tileOf(windowJournal), "32 31 1 96.9 30");
    bench.stop();
    bench_->clock.settle();
}

} // namespace
