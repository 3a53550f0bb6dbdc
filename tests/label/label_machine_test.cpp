#include "label/label_machine.h"
#include "label/label_spool.h"

#include <gtest/gtest.h>

using namespace auxpad::label;
using auxpad::Millis;

TEST(LabelMachine, HandedThenTakenIsPrintedWithTheJob)
{
    LabelState s = move(Queued{}, Hand{}, 0);
    ASSERT_TRUE(std::holds_alternative<Handed>(s));
    EXPECT_EQ(std::get<Handed>(s).attempts, 1);
    s = move(s, Taken{17}, 5);
    ASSERT_TRUE(std::holds_alternative<Printed>(s));
    EXPECT_EQ(std::get<Printed>(s).jobId, 17);
    // Nothing but a reprint moves a printed label.
    for (const LabelEvent& e : {LabelEvent{Hand{}}, {Refused{"x"}}, {DeadlinePassed{}}, {Restarted{}}})
        EXPECT_TRUE(std::holds_alternative<Printed>(move(s, e, 9)));
}

TEST(LabelMachine, RefusalsHoldWithPausesThatDoubleToAMinute)
{
    LabelState s = Queued{};
    Millis now = 1000;
    std::vector<Millis> pauses;
    for (int i = 0; i < 9; ++i) {
        s = move(move(s, Hand{}, now), Refused{"not accepting jobs"}, now);
        ASSERT_TRUE(std::holds_alternative<Held>(s));
        EXPECT_EQ(std::get<Held>(s).reason, "not accepting jobs");
        EXPECT_FALSE(mayHand(s));
        pauses.push_back(*nextDeadline(s) - now);
        now = *nextDeadline(s);
        s = move(s, DeadlinePassed{}, now);
        ASSERT_TRUE(mayHand(s));
    }
    EXPECT_EQ(pauses, (std::vector<Millis>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
    EXPECT_EQ(std::get<Queued>(s).attempts, 9);
}

TEST(LabelMachine, AStartThatFindsItHandedLeavesItUnsureUntilAReprint)
{
    LabelState s = move(Handed{1}, Restarted{}, 0);
    ASSERT_TRUE(std::holds_alternative<Queued>(s));
    EXPECT_TRUE(std::get<Queued>(s).unsure);
    EXPECT_FALSE(mayHand(s));
    EXPECT_TRUE(std::holds_alternative<Queued>(move(s, Hand{}, 1))); // not handed again unasked
    s = move(s, Reprint{}, 2);
    EXPECT_TRUE(mayHand(s));
    // A held label a start finds is due at once.
    EXPECT_TRUE(mayHand(move(Held{2, "away", 99999}, Restarted{}, 0)));
}

TEST(LabelMachine, ALabelThatCannotBeMadeFailsAndOnlyAReprintRetries)
{
    LabelState s = move(Queued{}, Broken{"the symbol cannot encode it"}, 0);
    ASSERT_TRUE(std::holds_alternative<Failed>(s));
    EXPECT_EQ(std::get<Failed>(s).reason, "the symbol cannot encode it");
    EXPECT_TRUE(std::holds_alternative<Failed>(move(s, DeadlinePassed{}, 1)));
    EXPECT_TRUE(mayHand(move(s, Reprint{}, 1)));
}

TEST(LabelMachine, ALabelInTheJournalIsTakenUpInTheStateItWasLeftIn)
{
    auxpad::LabelRecord left; // queued by a run that ended before it was handed over
    left.state = "queued";
    EXPECT_TRUE(std::holds_alternative<Queued>(auxpad::labelState(left, 0)));
    left.state = "failed";
    EXPECT_TRUE(std::holds_alternative<Failed>(auxpad::labelState(left, 0)));
}
