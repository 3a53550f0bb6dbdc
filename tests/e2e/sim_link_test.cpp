// The FBUS link of the station against the simulated board over a pseudo-terminal.
#include <QElapsedTimer>

#include "tests/e2e/e2e_fixture.h"

namespace {

using auxpad::Millis;
using auxpad::StationEngine;

class SimLink : public SimE2E {
protected:
    void send(const std::string& hex)
    {
        live_->command([&](StationEngine& e, Millis now) { e.sendMessage(hex, now); });
    }
};

TEST_F(SimLink, RegistrationIsAnsweredAndTheBoardAcknowledgesTheReply)
{
    startBoard({});
    sim_->command("register");
    EXPECT_TRUE(live_->runUntil([&] { return live_->logHas("      UI_REGISTRATION") && live_->logHas("ACK MSG"); }, 5000))
        << live_->traffic;
    EXPECT_TRUE(live_->logHas("\n>1E 28 00 D0 00 03 05 01 41 00 5A FA       "));
    EXPECT_FALSE(live_->engine().link().sender().awaitingAck());
    EXPECT_EQ(live_->engine().link().sender().nextSequence(), 0x42);
}

TEST_F(SimLink, BoardMessagesAreAcknowledgedAfterGarbageAndDroppedHalfFrames)
{
    startBoard({});
    sim_->command("raw 55 AA 5E 90 1E 00 1E"); // stray bytes and a broken header
    sim_->command("send 02");
    ASSERT_TRUE(live_->runUntil([&] { return live_->logHas("_CTRL_STATUS_IND"); }, 5000)) << live_->traffic;
    EXPECT_TRUE(live_->logHas("\n<1E 00 1E \nFBUS sender error!")) << live_->traffic;

    sim_->command("raw 1E 00 28 00 00 08 42 D2"); // stops half-way
    QElapsedTimer t;
    t.start();
    live_->runUntil([&] { return t.elapsed() > 1200; }, 3000);
    EXPECT_TRUE(live_->engine().link().receiver().idle()) << "dropped after two ticks";
    sim_->command("send 02 07");
    ASSERT_TRUE(live_->runUntil([&] { return sim_->stats()["acks_rx"] >= 2; }, 5000)) << sim_->log();
}

TEST_F(SimLink, UnacknowledgedRequestTimesOutAndTheNextOneGoesOut)
{
    startBoard({"--no-ack"});
    send("47 02");
    send("48");
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(live_->runUntil([&] { return live_->logHas("\nWait UI ACK timeout"); }, 3000));
    EXPECT_GE(t.elapsed(), 450);
    EXPECT_LE(t.elapsed(), 1600);
    EXPECT_TRUE(live_->runUntil([&] { return live_->logHas("_TEST_PROD_INFO_REQ"); }, 2000));
    EXPECT_TRUE(live_->logHas("_TEST_SELF_TEST_RESP")) << "the board still answered";
}

TEST_F(SimLink, EveryGoodMessageIsAcknowledgedThroughGarbageAndCorruption)
{
    startBoard({"--garbage-rate", "5", "--corrupt-rate", "2", "--seed", "11", "--quiet", "--burst-ack-wait", "300"});
    sim_->command("burst 1000");
    std::map<std::string, long> s;
    QElapsedTimer polled;
    polled.start();
    const bool finished = live_->runUntil(
        [&] {
            if (polled.elapsed() < 1000)
                return false;
            polled.restart();
            s = sim_->stats();
            return s["good_acked"] + s["good_unacked"] + s["corrupt_acked"] + s["corrupt_unacked"] >= 1000;
        },
        240000);
    ASSERT_TRUE(finished) << sim_->log();
    std::printf("burst of 1000: good acked %ld, good unacked %ld, corrupted %ld (acked %ld), garbage bursts %ld\n",
                s["good_acked"], s["good_unacked"], s["corrupt_acked"] + s["corrupt_unacked"], s["corrupt_acked"],
                s["garbage_bursts"]);
    EXPECT_EQ(s["good_unacked"], 0);
    EXPECT_EQ(s["corrupt_acked"], 0);
    EXPECT_GT(s["garbage_bursts"], 0);
    EXPECT_GT(s["corrupt_unacked"], 0);
    EXPECT_TRUE(live_->lost.empty());
}

} // namespace
