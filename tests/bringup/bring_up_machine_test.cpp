// A board's bring-up as a machine: each move of its table, driven by hand, with no port,
// no records and no event loop.
#include <gtest/gtest.h>

#include "bringup/bring_up_machine.h"

using namespace auxpad;
using namespace auxpad::bringup;

namespace {

JobSummary ended(JobKind kind, JobOutcome outcome, FailureCause cause = FailureCause::None, std::string serial = {})
{
    JobSummary s;
    s.kind = kind;
    s.outcome = outcome;
    s.cause = cause;
    s.serial = std::move(serial);
    s.caption = outcome == JobOutcome::Passed ? "done" : "went wrong";
    return s;
}

JobSummary flashPassed(std::string serial = "SN0000007")
{
    return ended(JobKind::Flash, JobOutcome::Passed, FailureCause::None, std::move(serial));
}

JobSummary writePassed(const std::string& serial)
{
    JobSummary s = ended(JobKind::ProductInfo, JobOutcome::Passed, FailureCause::None, serial);
    s.fields[at(ProductField::Serial)] = serial;
    return s;
}

template <typename T>
std::vector<T> outputsOf(BringUpMachine& m)
{
    std::vector<T> out;
    for (const BringUpOutput& o : m.takeOutputs()) {
        if (const auto* t = std::get_if<T>(&o))
            out.push_back(*t);
    }
    return out;
}

// A machine started at 0, the start's outputs taken.
BringUpMachine started(BringUpRules rules = {})
{
    BringUpMachine m(rules);
    m.start(0);
    m.takeOutputs();
    return m;
}

// Runs a try from its start to the write: the records choose `serial`.
void toWriting(BringUpMachine& m, Millis now, const std::string& serial, SerialSource source = SerialSource::Allocated)
{
    m.stepEnded(flashPassed(), now);
    const auto asked = outputsOf<AskSerial>(m);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].own, "SN0000007");
    m.serialChosen(asked[0].attempt, SerialChoice{serial, source}, now);
    ASSERT_TRUE(std::holds_alternative<Writing>(m.state()));
    const auto writes = outputsOf<StartWrite>(m);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].serial, serial);
}

TEST(BringUpMachine, AWholeBringUpFlashesChoosesTheSerialWritesAndKeepsItsRecord)
{
    BringUpMachine m;
    m.start(1000);
    auto out = m.takeOutputs();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(std::get<KeepStart>(out[0]).attempt, 1);
    EXPECT_FALSE(std::get<StartFlash>(out[1]).pause);

    toWriting(m, 5000, "SN0000100");
    m.stepEnded(writePassed("SN0000100"), 9000);
    out = m.takeOutputs();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(std::get<EndReservation>(out[0]).serial, "SN0000100");
    EXPECT_TRUE(std::get<EndReservation>(out[0]).written);
    EXPECT_EQ(std::get<KeepEnd>(out[1]).attempt, 1);
    EXPECT_TRUE(m.running()) << "not finished before its end is on record";

    m.endKept(1, {}, 9000);
    out = m.takeOutputs();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_TRUE(std::holds_alternative<PrintLabel>(out[0])) << "its label, once it is on record";
    EXPECT_TRUE(std::holds_alternative<Finished>(out[1]));
    EXPECT_FALSE(m.running());
    EXPECT_TRUE(m.result().passed());
    EXPECT_STREQ(m.result().word(), "passed");
    EXPECT_EQ(m.result().serial, "SN0000100");
    EXPECT_EQ(m.result().serialSource, SerialSource::Allocated);
    EXPECT_DOUBLE_EQ(m.result().seconds, 8.0);
    EXPECT_EQ(m.result().tries, 1);
}

TEST(BringUpMachine, AFailedWriteEndsItsReservationAsNotWritten)
{
    BringUpMachine m = started();
    toWriting(m, 10, "SN0000100");
    JobSummary failed = ended(JobKind::ProductInfo, JobOutcome::Failed, FailureCause::Mismatch, "SN000010X");
    failed.fields[at(ProductField::Serial)] = "SN0000100";
    m.stepEnded(failed, 20);
    const auto ends = outputsOf<EndReservation>(m);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_FALSE(ends[0].written);
    EXPECT_EQ(ends[0].serial, "SN0000100");
    EXPECT_EQ(m.result().serial, "SN000010X") << "the serial the board holds";
}

TEST(BringUpMachine, NoSerialMeansNothingIsWritten)
{
    BringUpMachine m = started({3, false});
    m.stepEnded(flashPassed(), 10);
    m.serialChosen(1, unexpected(std::string("the range is used up")), 10);
    EXPECT_TRUE(outputsOf<StartWrite>(m).empty());
    m.endKept(1, {}, 10);
    EXPECT_EQ(outputsOf<Finished>(m).size(), 1u) << "not curable: never tried again";
    EXPECT_EQ(m.result().outcome, JobOutcome::Failed);
    EXPECT_EQ(m.result().message, "no serial number could be reserved, so nothing was written: the range is used up");
}

TEST(BringUpMachine, AnAnswerOfAnEarlierTryIsDropped)
{
    BringUpMachine m = started({2, true});
    m.stepEnded(ended(JobKind::Flash, JobOutcome::Failed, FailureCause::NoAnswer), 100);
    m.endKept(1, {}, 100);
    m.deadlinePassed(100 + BringUpMachine::kRetryAfterMs);
    EXPECT_EQ(m.attempt(), 2);
    m.takeOutputs();

    m.flashPaused(flashPassed());
    ASSERT_EQ(outputsOf<AskPassed>(m).size(), 1u);
    m.passedBefore(1, true); // late, from the first try
    EXPECT_TRUE(std::holds_alternative<Checking>(m.state()));
    EXPECT_TRUE(m.takeOutputs().empty());
    m.passedBefore(2, false);
    EXPECT_EQ(outputsOf<ReleaseFlash>(m).size(), 1u);

    m.stepEnded(flashPassed(), 200);
    m.takeOutputs();
    m.serialChosen(1, SerialChoice{"SN0000001"}, 200);
    EXPECT_TRUE(std::holds_alternative<ChoosingSerial>(m.state()));
    m.endKept(1, {}, 200);
    EXPECT_TRUE(m.takeOutputs().empty());
}

TEST(BringUpMachine, ABoardThatPassedBeforeIsStoppedBeforeItsDownloads)
{
    BringUpMachine m({1, true});
    m.start(0);
    EXPECT_TRUE(outputsOf<StartFlash>(m).at(0).pause);
    m.flashPaused(flashPassed("SN0000042"));
    const auto asked = outputsOf<AskPassed>(m);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].serial, "SN0000042");
    m.passedBefore(1, true);
    const auto stops = outputsOf<StopFlash>(m);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].why, "already brought up with this recipe: SN0000042 passed before");

    JobSummary stopped = ended(JobKind::Flash, JobOutcome::Interrupted, FailureCause::Interrupted, "SN0000042");
    stopped.message = stops[0].why;
    m.stepEnded(stopped, 50);
    m.endKept(1, {}, 50);
    EXPECT_TRUE(outputsOf<PrintLabel>(m).empty()) << "its label was printed when it passed";
    EXPECT_TRUE(m.result().passed());
    EXPECT_STREQ(m.result().word(), "already-passed");
    EXPECT_EQ(m.result().message, stops[0].why);
}

TEST(BringUpMachine, WhenTheRecordsCannotTellTheBoardIsBroughtUp)
{
    BringUpMachine m = started({1, true});
    m.flashPaused(flashPassed());
    m.takeOutputs();
    m.passedBefore(1, unexpected(std::string("away")));
    EXPECT_EQ(outputsOf<ReleaseFlash>(m).size(), 1u);
    EXPECT_FALSE(m.result().alreadyPassed);
}

TEST(BringUpMachine, AHeldFlashWithoutASerialOrWithoutTheCheckGoesOn)
{
    for (const auto& [rules, serial] : {std::pair{BringUpRules{1, true}, ""}, {BringUpRules{1, false}, "SN0000007"}}) {
        BringUpMachine m = started(rules);
        m.flashPaused(flashPassed(serial));
        EXPECT_EQ(outputsOf<ReleaseFlash>(m).size(), 1u) << serial;
    }
}

struct RetryCase {
    FailureCause cause;
    JobOutcome outcome;
    bool retried;
};

class Retry : public testing::TestWithParam<RetryCase> {};

TEST_P(Retry, OnlyACurableFailureGoesAgain)
{
    const RetryCase c = GetParam();
    BringUpMachine m = started({2, false});
    m.stepEnded(ended(JobKind::Flash, c.outcome, c.cause), 100);
    EXPECT_EQ(outputsOf<KeepEnd>(m).size(), 1u);
    m.endKept(1, {}, 100);
    if (!c.retried) {
        EXPECT_EQ(outputsOf<Finished>(m).size(), 1u);
        EXPECT_EQ(m.result().tries, 1);
        return;
    }
    EXPECT_TRUE(m.running());
    if (c.cause == FailureCause::LineLost) {
        EXPECT_EQ(outputsOf<ReopenLine>(m).size(), 1u) << "the line is looked for by its name";
        m.lineLooked(true, 150);
    } else {
        EXPECT_EQ(m.nextDeadline(), 100 + BringUpMachine::kRetryAfterMs);
        m.deadlinePassed(100 + BringUpMachine::kRetryAfterMs - 1);
        EXPECT_TRUE(m.takeOutputs().empty()) << "not before its time";
        m.deadlinePassed(100 + BringUpMachine::kRetryAfterMs);
    }
    auto out = m.takeOutputs();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(std::get<KeepStart>(out[0]).attempt, 2) << "each try is on record";
    EXPECT_EQ(m.result().tries, 2);

    m.stepEnded(ended(JobKind::Flash, c.outcome, c.cause), 5000);
    m.endKept(2, {}, 5000);
    EXPECT_EQ(outputsOf<Finished>(m).size(), 1u) << "no third try";
}

INSTANTIATE_TEST_SUITE_P(
    BringUpMachine, Retry,
    testing::Values(RetryCase{FailureCause::NoAnswer, JobOutcome::Failed, true},
                    RetryCase{FailureCause::NoAcknowledgement, JobOutcome::Failed, true},
                    RetryCase{FailureCause::LineLost, JobOutcome::Lost, true},
                    RetryCase{FailureCause::Refused, JobOutcome::Failed, false},
                    RetryCase{FailureCause::Mismatch, JobOutcome::Failed, false},
                    RetryCase{FailureCause::BoardFailed, JobOutcome::Failed, false},
                    RetryCase{FailureCause::Interrupted, JobOutcome::Interrupted, false}));

TEST(BringUpMachine, ALostLineIsLookedForAtGrowingPausesUntilItsTimeThenTheHangUpStands)
{
    BringUpMachine m = started({3, false});
    m.stepEnded(ended(JobKind::Flash, JobOutcome::Lost, FailureCause::LineLost), 1000);
    m.endKept(1, {}, 1000);
    EXPECT_EQ(outputsOf<ReopenLine>(m).size(), 1u) << "looked for at once";
    m.lineLooked(false, 1000);
    std::vector<Millis> looks;
    for (std::optional<Millis> due = m.nextDeadline(); due && looks.size() < 10; due = m.nextDeadline()) {
        m.deadlinePassed(*due);
        looks.push_back(*due - 1000);
        EXPECT_EQ(outputsOf<ReopenLine>(m).size(), 1u);
        m.lineLooked(false, *due);
    }
    EXPECT_EQ(looks, (std::vector<Millis>{1000, 3000, 7000, BringUpMachine::kLineWaitMs})) << "the last at its time";
    EXPECT_EQ(outputsOf<Finished>(m).size(), 1u);
    EXPECT_EQ(m.result().outcome, JobOutcome::Lost);
    EXPECT_EQ(m.result().tries, 1);
}

TEST(BringUpMachine, InASlotALostLineMeansTheBoardLeft)
{
    BringUpMachine m = started({3, false, true});
    m.stepEnded(ended(JobKind::Flash, JobOutcome::Lost, FailureCause::LineLost), 10);
    m.endKept(1, {}, 10);
    EXPECT_EQ(outputsOf<Finished>(m).size(), 1u);
}

TEST(BringUpMachine, AnInterruptEndsItWhereverItIsAndLeavesNoOtherTry)
{
    BringUpMachine running = started({3, false});
    running.interrupt(5);
    EXPECT_EQ(outputsOf<InterruptJob>(running).size(), 1u);
    running.stepEnded(ended(JobKind::Flash, JobOutcome::Interrupted, FailureCause::NoAnswer), 6);
    running.endKept(1, {}, 6);
    EXPECT_EQ(outputsOf<Finished>(running).size(), 1u) << "even a curable cause is not tried again";

    BringUpMachine choosing = started();
    choosing.stepEnded(flashPassed(), 5);
    choosing.takeOutputs();
    choosing.interrupt(6);
    EXPECT_EQ(outputsOf<KeepEnd>(choosing).size(), 1u);
    EXPECT_EQ(choosing.result().outcome, JobOutcome::Interrupted);

    BringUpMachine between = started({3, false});
    between.stepEnded(ended(JobKind::Flash, JobOutcome::Failed, FailureCause::NoAnswer), 5);
    between.endKept(1, {}, 5);
    between.takeOutputs();
    between.interrupt(6);
    EXPECT_EQ(outputsOf<Finished>(between).size(), 1u);
    EXPECT_FALSE(between.nextDeadline());
}

TEST(BringUpMachine, AnEndThatCannotBeKeptFailsTheBringUp)
{
    BringUpMachine m = started({3, false});
    toWriting(m, 10, "SN0000100");
    m.stepEnded(writePassed("SN0000100"), 20);
    m.takeOutputs();
    m.endKept(1, unexpected(std::string("disk full")), 20);
    const auto out = m.takeOutputs();
    ASSERT_EQ(out.size(), 1u) << "no label for a board nobody could trace";
    EXPECT_TRUE(std::holds_alternative<Finished>(out[0]));
    EXPECT_EQ(m.result().outcome, JobOutcome::Failed);
    EXPECT_EQ(m.result().message, "This bring-up is not on record: disk full");
}

} // namespace
