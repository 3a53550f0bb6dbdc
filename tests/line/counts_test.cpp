// Boards, not jobs: what a person reads as a count of a bench is the same on the line's
// page, in the report's summary and on the line window's counters.
#include <QJsonArray>
#include <QLabel>

#include "records/record_reader.h"
#include "tests/line/line_fixture.h"
#include "tests/support/recipe_bench.h"
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
    hangsUpOnce(21);
    for (int com = 22; com < 53; ++com)
        bench_->board(com, com == 22 ? QStringList{"--misstore-serial"} : QStringList{});
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
    const auto jobs = tool({"report", "--summary", "--per", "job", "--json", "--db", journal()});
    const QJsonObject perJob = QJsonDocument::fromJson(jobs.out).object();
    EXPECT_EQ(perJob["yield"][0]["jobs"].toInt(), static_cast<int>(report(journal()).size()));
    EXPECT_GT(perJob["yield"][0]["jobs"].toInt(), 96) << "three jobs a board, and the retried one's first try";

    // The line's page: its tile says the same.
    EXPECT_EQ(tileOf(journal()), "32 31 1 96.9 30");

    // The line window on a bench of 32 slots counts its boards as its records do. COM61's
    // adapter is reset in its first download and back a second later, the board still in
    // its slot: one board, which passed at its second try.
    RecipeBench b(61, 32, "Bench", "SN0007000-SN0007999", {2, true}, true);
    ASSERT_TRUE(b.problem.isEmpty()) << b.problem.toStdString();
    auxpad::ui::LineWindow window(*b.session, b.recipe->files, &*b.recipe);
    window.follow();
    b.bench->startSlots();
    auto* reset = b.adapters[0];
    const auto back = b.clock.timer();
    QObject::connect(back.get(), &auxpad::Timer::timeout, reset, [reset] { reset->back(reset->device()); });
    QObject::connect(reset, &auxpad::shift::SimAdapter::hungUp, reset, [&] {
        reset->leave("reset");
        back->start(1000);
    });
    for (std::size_t i = 0; i < 32; ++i)
        b.plug(i, i == 0 ? QStringList{"--hangup-after-block", "2"} : i == 1 ? QStringList{"--misstore-serial"} : QStringList{});
    ASSERT_TRUE(b.runUntil([&] { return b.bench->tally().passed == 31; }, 600000));
    EXPECT_TRUE(window.findChild<QLabel*>("counters")->text().startsWith(
        "Passed 31    Failed 1    Yield 96.9 %    First pass 93.8 %"))
        << window.findChild<QLabel*>("counters")->text().toStdString();
    const QString windowJournal = "sqlite:" + b.dir.filePath("records.sqlite");
    const auto windowSummed = tool({"report", "--summary", "--json", "--db", windowJournal});
    EXPECT_EQ(figures(QJsonDocument::fromJson(windowSummed.out).object()["yield"][0].toObject()), "32 31 1 96.9 30");
    EXPECT_EQ(tileOf(windowJournal), "32 31 1 96.9 30");
    b.bench->stop();
    b.clock.settle();
}

} // namespace
