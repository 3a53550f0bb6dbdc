// What every front shows of a bench's board: one status a board, kept by the bench.
#include <gtest/gtest.h>

#include "tests/support/recipe_bench.h"

namespace {

using State = auxpad::BoardStatus::State;

TEST(Status, ASlotsBoardWaitsRunsEndsGetsItsLabelAndLeaves)
{
    RecipeBench b(21, 1, "Bench", "SN0006000-SN0006099", {2, true}, true, "[label]\nprinter=bench-queue\nsize=50x25\n");
    ASSERT_TRUE(b.problem.isEmpty()) << b.problem.toStdString();
    auxpad::Bench& bench = *b.bench;
    std::vector<State> seen;
    QObject::connect(&bench, &auxpad::Bench::statusChanged, [&](std::size_t) {
        if (seen.empty() || seen.back() != bench.status(0).state)
            seen.push_back(bench.status(0).state);
    });
    bench.startSlots();
    const auxpad::BoardStatus& s = bench.status(0);
    EXPECT_EQ(s.phase, "waiting for a board");
    EXPECT_EQ(s.port, "COM21");

    b.plug(0);
    ASSERT_TRUE(b.runUntil([&] { return s.state == State::Running && s.percent > 0; }, 60000));
    EXPECT_EQ(s.attempt, 1);
    EXPECT_EQ(s.tries, 2);
    ASSERT_TRUE(b.runUntil([&] { return s.label == auxpad::LabelShown::Printed; }, 120000));
    EXPECT_TRUE(s.passed());
    EXPECT_EQ(s.word, "passed");
    EXPECT_TRUE(s.serial.starts_with("SN00060")) << s.serial;
    EXPECT_TRUE(s.waitingSince.has_value()) << "the slot waits for the operator to pull it";

    b.adapters[0]->pull();
    ASSERT_TRUE(b.runUntil([&] { return s.state == State::Waiting; }, 10000));
    EXPECT_EQ(s.label, auxpad::LabelShown::None) << "an empty slot has no label";
    EXPECT_EQ(seen, (std::vector<State>{State::Waiting, State::Running, State::Ended, State::Waiting}));
    bench.stop();
    b.clock.settle();
}

} // namespace
