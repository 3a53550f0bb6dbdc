// What every front shows of a bench's board: one status a board, kept by the bench.
#include "runner/bench.h"
#include "shell/sim_options.h"
#include "tests/line/line_fixture.h"

namespace {

using Status = OnSimulatedTime;
using State = auxpad::BoardStatus::State;

TEST_F(Status, ASlotsBoardWaitsRunsEndsGetsItsLabelAndLeaves)
{
    recipe("SN0006000-SN0006099", "[label]\nprinter=bench-queue\nsize=50x25\n");
    const auto read = auxpad::readRecipe(path("station/recipe.ini"));
    ASSERT_TRUE(read) << read.error().toStdString();
    auxpad::DiskFiles disk;
    auxpad::RecipeFiles files(*read, disk);
    auxpad::Surroundings around;
    around.clock = &bench_->clock;
    around.lines = &bench_->lines;
    around.offload = auxpad::Offload::OnClock;
    around.printer = bench_->printer.linkFor(0);
    auxpad::Bench bench(files, auxpad::RecipeFiles::kIniPath, around);
    ASSERT_TRUE(bench.openRecords({}, journal()));
    bench_->adapter(21);
    ASSERT_TRUE(bench.addPort(bench_->lines.resolve("COM21")));
    bench.prepare(&*read, {2, true}, true);
    bench.printLabels(*read->label);
    std::vector<State> seen;
    QObject::connect(&bench, &auxpad::Bench::statusChanged, [&](std::size_t) {
        if (seen.empty() || seen.back() != bench.status(0).state)
            seen.push_back(bench.status(0).state);
    });
    bench.startSlots();
    const auxpad::BoardStatus& s = bench.status(0);
    EXPECT_EQ(s.phase, "waiting for a board");
    EXPECT_EQ(s.port, "COM21");

    bench_->board(21);
    ASSERT_TRUE(bench_->clock.runUntil([&] { return s.state == State::Running && s.percent > 0; }, 60000));
    EXPECT_EQ(s.attempt, 1);
    EXPECT_EQ(s.tries, 2);
    ASSERT_TRUE(bench_->clock.runUntil([&] { return s.label == auxpad::LabelShown::Printed; }, 120000));
    EXPECT_TRUE(s.passed());
    EXPECT_EQ(s.word, "passed");
    EXPECT_TRUE(s.serial.starts_with("SN00060")) << s.serial;
    EXPECT_TRUE(s.waitingSince.has_value()) << "the slot waits for the operator to pull it";

    bench_->pull(21);
    ASSERT_TRUE(bench_->clock.runUntil([&] { return s.state == State::Waiting; }, 10000));
    EXPECT_EQ(s.label, auxpad::LabelShown::None) << "an empty slot has no label";
    EXPECT_EQ(seen, (std::vector<State>{State::Waiting, State::Running, State::Ended, State::Waiting}));
    bench.stop();
    bench_->clock.settle();
}

} // namespace
