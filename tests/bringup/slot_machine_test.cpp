// A slot that starts its boards by itself, as a machine driven by hand: arriving, leaving,
// the line going and coming back, and how its boards are counted.
#include <gtest/gtest.h>

#include "bringup/slot_machine.h"

using namespace auxpad;
using namespace auxpad::slot;

namespace {

template <typename T>
int count(const std::vector<SlotOutput>& outputs)
{
    return static_cast<int>(std::count_if(outputs.begin(), outputs.end(),
                                          [](const SlotOutput& o) { return std::holds_alternative<T>(o); }));
}

SlotMachine runningSlot(Millis now = 0)
{
    SlotMachine m;
    m.start(true, now);
    m.heard(now);
    m.takeOutputs();
    return m;
}

TEST(SlotMachine, AnEmptySlotAsksEveryTwoSecondsAndSendsNothingElse)
{
    SlotMachine m;
    m.start(true, 0);
    EXPECT_EQ(count<Probe>(m.takeOutputs()), 1);
    m.deadlinePassed(SlotMachine::kAskEmptyMs - 1);
    EXPECT_TRUE(m.takeOutputs().empty());
    m.deadlinePassed(SlotMachine::kAskEmptyMs);
    EXPECT_EQ(count<Probe>(m.takeOutputs()), 1);
    EXPECT_EQ(m.nextDeadline(), 2 * SlotMachine::kAskEmptyMs);
}

TEST(SlotMachine, ABoardThatIsHeardIsBroughtUpOnce)
{
    SlotMachine m;
    m.start(true, 0);
    m.takeOutputs();
    m.heard(100);
    const auto out = m.takeOutputs();
    EXPECT_EQ(count<Arrived>(out), 1);
    EXPECT_EQ(count<StartBringUp>(out), 1);
    m.heard(200);
    EXPECT_TRUE(m.takeOutputs().empty()) << "a reset mid-run starts nothing";
    EXPECT_FALSE(m.nextDeadline()) << "nothing is asked while it runs";
}

TEST(SlotMachine, TheResultStandsUntilTheBoardHasBeenSilentTwice)
{
    SlotMachine m = runningSlot();
    m.bringUpEnded(Verdict::Passed, 1000);
    EXPECT_EQ(count<Finished>(m.takeOutputs()), 1);
    m.deadlinePassed(2000);
    EXPECT_EQ(count<Probe>(m.takeOutputs()), 1) << "it answered its bring-up";
    m.heard(2100);
    m.deadlinePassed(3000);
    EXPECT_EQ(count<Left>(m.takeOutputs()), 0);
    m.deadlinePassed(4000);
    EXPECT_EQ(count<Left>(m.takeOutputs()), 0) << "silent once";
    m.heard(4500);
    EXPECT_TRUE(m.takeOutputs().empty()) << "a reset board is not started again";
    m.deadlinePassed(5000);
    m.deadlinePassed(6000);
    EXPECT_EQ(count<Left>(m.takeOutputs()), 0);
    m.deadlinePassed(7000);
    const auto out = m.takeOutputs();
    EXPECT_EQ(count<Left>(out), 1) << "within 3 s of falling silent";
    EXPECT_EQ(count<Probe>(out), 1);
    EXPECT_TRUE(std::holds_alternative<Waiting>(m.state()));
}

TEST(SlotMachine, ALostLineIsLookedForAtPausesThatGrowToFourSecondsUntilItIsBack)
{
    SlotMachine m;
    m.start(true, 0);
    m.takeOutputs();
    m.lineLost(500);
    EXPECT_TRUE(std::holds_alternative<Away>(m.state()));
    std::vector<Millis> pauses;
    Millis last = 500;
    for (int i = 0; i < 5; ++i) {
        const std::optional<Millis> due = m.nextDeadline();
        ASSERT_TRUE(due);
        pauses.push_back(*due - last);
        last = *due;
        m.deadlinePassed(last);
        EXPECT_EQ(count<LookForLine>(m.takeOutputs()), 1);
        m.lineLooked(false, last);
    }
    EXPECT_EQ(pauses, (std::vector<Millis>{1000, 2000, 4000, 4000, 4000}));
    m.lineLooked(true, last);
    EXPECT_EQ(count<Probe>(m.takeOutputs()), 1);
    EXPECT_TRUE(std::holds_alternative<Waiting>(m.state()));
    m.lineLost(last + 100);
    EXPECT_EQ(m.nextDeadline(), last + 1100) << "a line lost again is looked for after 1 s again";
}

TEST(SlotMachine, ALineThatGoesDuringABringUpMeansTheBoardLeftAtItsEnd)
{
    SlotMachine m = runningSlot();
    m.lineLost(100);
    EXPECT_TRUE(m.takeOutputs().empty()) << "the bring-up ends first";
    m.bringUpEnded(Verdict::Failed, 200);
    const auto out = m.takeOutputs();
    EXPECT_EQ(count<Finished>(out), 1);
    EXPECT_EQ(count<Left>(out), 1);
    EXPECT_TRUE(std::holds_alternative<Away>(m.state()));
}

// Whether the board heard is the one the slot had: it is when its line went under it (a
// reset adapter, a worn contact) and it answers soon after the line is back; a board heard
// later, or after the slot fell silent, is a new one.
TEST(SlotMachine, ABoardWhoseLineWentAndThatAnswersSoonAfterItIsBackNeverLeft)
{
    auto arrival = [](SlotMachine& m, Millis at) {
        m.heard(at);
        const auto out = m.takeOutputs();
        const auto it = std::find_if(out.begin(), out.end(), [](const SlotOutput& o) { return std::holds_alternative<Arrived>(o); });
        return it == out.end() ? std::string("nothing") : std::get<Arrived>(*it).sameBoard ? "the same board" : "a new board";
    };
    auto lostAndBack = [](SlotMachine& m, Millis at, bool duringBringUp) {
        m.lineLost(at);
        if (duringBringUp)
            m.bringUpEnded(Verdict::Failed, at);
        m.lineLooked(true, at + 1000);
        m.takeOutputs();
    };
    SlotMachine during = runningSlot();
    lostAndBack(during, 100, true);
    EXPECT_EQ(arrival(during, 1100 + SlotMachine::kBoardBackMs), "the same board");

    SlotMachine shown = runningSlot();
    shown.bringUpEnded(Verdict::Passed, 100);
    lostAndBack(shown, 200, false);
    shown.deadlinePassed(1200 + SlotMachine::kAskEmptyMs); // asked again, unanswered
    EXPECT_EQ(arrival(shown, 1200 + SlotMachine::kBoardBackMs), "the same board");

    SlotMachine late = runningSlot();
    lostAndBack(late, 100, true);
    EXPECT_EQ(arrival(late, 1101 + SlotMachine::kBoardBackMs), "a new board") << "too long after the line was back";

    SlotMachine empty;
    empty.start(true, 0);
    lostAndBack(empty, 100, false);
    EXPECT_EQ(arrival(empty, 1200), "a new board") << "the slot had no board when its line went";

    SlotMachine pulled = runningSlot();
    pulled.bringUpEnded(Verdict::Passed, 100);
    for (Millis t = 1100; t <= 3100; t += 1000)
        pulled.deadlinePassed(t);
    ASSERT_TRUE(std::holds_alternative<Waiting>(pulled.state())) << "silent twice: it left";
    EXPECT_EQ(arrival(pulled, 3200), "a new board");
}

TEST(SlotMachine, AFinishedBoardWhoseLineGoesHasLeft)
{
    SlotMachine m = runningSlot();
    m.bringUpEnded(Verdict::Passed, 100);
    m.takeOutputs();
    m.lineLost(200);
    EXPECT_EQ(count<Left>(m.takeOutputs()), 1);
}

TEST(SlotMachine, AStartWithoutItsLineWaitsForIt)
{
    SlotMachine m;
    m.start(false, 0);
    EXPECT_TRUE(m.takeOutputs().empty());
    EXPECT_TRUE(std::holds_alternative<Away>(m.state()));
}

TEST(SlotMachine, StoppingStopsTheBringUpAndStillCountsItsEnd)
{
    SlotMachine m = runningSlot();
    m.stop();
    m.stop(); // a bench stopped twice while its boards end
    EXPECT_EQ(count<StopBringUp>(m.takeOutputs()), 1);
    m.bringUpEnded(Verdict::Interrupted, 100);
    const auto ended = m.takeOutputs();
    ASSERT_EQ(count<Finished>(ended), 1);
    EXPECT_EQ(std::get<Finished>(ended.front()).verdict, Verdict::Interrupted) << "an interrupted board is not a failed one";
    EXPECT_EQ(verdictOf(JobOutcome::Lost), Verdict::Failed) << "a hang-up is a failure";
    m.bringUpEnded(Verdict::Passed, 200);
    EXPECT_TRUE(m.takeOutputs().empty());
    m.heard(300);
    EXPECT_TRUE(m.takeOutputs().empty()) << "a stopped slot starts nothing";
    EXPECT_FALSE(m.nextDeadline());
}

} // namespace
