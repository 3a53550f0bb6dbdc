// A keeper's tries go one at a time, gathered; a failed one goes again after pauses that
// grow as Backoff's do, and a success starts them over.
#include <gtest/gtest.h>

#include "base/retry_machine.h"

namespace {

using auxpad::RetryMachine;
using Do = RetryMachine::Do;

TEST(RetryMachine, WhatIsAskedMeanwhileGoesWithTheGatheredTryOrTheOneAfterIt)
{
    RetryMachine m(5000);
    EXPECT_EQ(m.asked(100), Do::Wait);
    EXPECT_EQ(m.asked(2000), Do::Wait) << "gathered with the first";
    EXPECT_EQ(m.nextDeadline(), 5100);
    EXPECT_EQ(m.deadlinePassed(5099), Do::Wait);
    EXPECT_EQ(m.deadlinePassed(5100), Do::Start);
    EXPECT_TRUE(m.trying());
    EXPECT_EQ(m.asked(6000), Do::Wait) << "one at a time";
    EXPECT_EQ(m.tried(true, 7000), Do::Wait);
    EXPECT_EQ(m.nextDeadline(), 12000) << "what came meanwhile follows, gathered again";
    EXPECT_EQ(m.deadlinePassed(12000), Do::Start);
    EXPECT_EQ(m.tried(true, 12500), Do::Wait);
    EXPECT_FALSE(m.nextDeadline()) << "nothing more to do";
    EXPECT_EQ(m.askedAtOnce(13000), Do::Start) << "a command's last try does not wait";
    EXPECT_EQ(m.askedAtOnce(13001), Do::Wait);
}

TEST(RetryMachine, AFailedTryGoesAgainAfterPausesThatGrowAndAskingDoesNotHurryIt)
{
    RetryMachine m; // no gathering: a lease's refill
    EXPECT_EQ(m.asked(0), Do::Start);
    EXPECT_EQ(m.asked(10), Do::Wait);
    EXPECT_EQ(m.tried(false, 100), Do::Wait);
    EXPECT_EQ(m.nextDeadline(), 1100) << "what was asked meanwhile waits for the pause";
    EXPECT_EQ(m.asked(500), Do::Wait);
    EXPECT_EQ(m.deadlinePassed(1100), Do::Start);
    EXPECT_EQ(m.tried(false, 1200), Do::Wait);
    EXPECT_EQ(m.nextDeadline(), 3200) << "twice as long";
    EXPECT_EQ(m.deadlinePassed(3200), Do::Start);
    EXPECT_EQ(m.tried(true, 3300), Do::Wait);
    EXPECT_EQ(m.asked(4000), Do::Start);
    EXPECT_EQ(m.tried(false, 4100), Do::Wait);
    EXPECT_EQ(m.nextDeadline(), 5100) << "a success starts the pauses over";
}

} // namespace
