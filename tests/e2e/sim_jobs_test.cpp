// A download against the simulated board over a pseudo-terminal, timed by the runner's
// own deadline timer.
#include <QElapsedTimer>

#include "tests/e2e/e2e_fixture.h"
#include "tests/support/station_bench.h"

namespace {

using auxpad::JobMode;
using auxpad::Millis;
using auxpad::StationEngine;

using SimJobs = SimE2E;

TEST_F(SimJobs, BoardThatStopsAcknowledgingEndsTheDownloadAfterFiveSeconds)
{
    startBoard({"--boot-no-ack-after", "3"}, "COMport=\"7\"\r\nFormat=\"20\"\r\n");
    write("station/initdisk.txt", downloadText(120));
    write("station/initdata.txt", downloadText(240));
    const auxpad::FlashFiles files{path("station/initdisk.txt"), path("station/initdata.txt")};
    live_->command([&](StationEngine& e, Millis now) { e.startFlashJob(files, now); });
    ASSERT_TRUE(live_->runUntil([&] { return live_->engine().downloading(); }, 30000));
    QElapsedTimer download;
    download.start();
    ASSERT_TRUE(live_->runUntil([&] { return live_->engine().jobMode() == JobMode::Idle; }, 30000));
    EXPECT_GE(download.elapsed(), 4900);
    EXPECT_LE(download.elapsed(), 8000);
    ASSERT_EQ(live_->boxes.size(), 1u);
    EXPECT_EQ(live_->boxes[0].text, "ERROR07: FLASH AUXPAD_DSP failure! ");
    EXPECT_EQ(live_->engine().caption(), "\n Flash AUXPAD Fail\nPlease Flash Again or reset the phone!");
    EXPECT_EQ(sim_->stats()["blocks_ok"], 4) << "no block after the unanswered fourth";
}

} // namespace
