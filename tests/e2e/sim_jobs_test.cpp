// The operator's two jobs against the simulated board over a pseudo-terminal.
#include <QElapsedTimer>

#include "tests/e2e/e2e_fixture.h"
#include "tests/support/station_bench.h"

namespace {

using auxpad::JobMode;
using auxpad::Millis;
using auxpad::StationEngine;

const std::string kIni = "COMport=\"7\"\r\nFormat=\"20\"\r\n"
                         "Hardware=\"0102\"\r\nMCUSW=\"MCU02.00.01\"\r\nDSPSW=\"DSP02.00.07\"\r\n"
                         "Serial=\"SN0000042\"\r\nCode=\"0671234\"\r\nManufacture=\"061226\"\r\n";

class SimJobs : public SimE2E {
protected:
    QByteArray image_;

    void startFlashBoard(const QStringList& options)
    {
        startBoard(QStringList{"--image-out", dir_.filePath("image.bin")} + options, kIni);
        auxpad::Bytes bytes;
        write("station/initdisk.txt", downloadText(120, 32, &bytes, 1));
        write("station/initdata.txt", downloadText(240, 32, &bytes, 2));
        image_ = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }
    void flash()
    {
        const auxpad::FlashFiles files{path("station/initdisk.txt"), path("station/initdata.txt")};
        live_->command([&](StationEngine& e, Millis now) { e.startFlashJob(files, now); });
    }
    JobMode mode() const { return live_->engine().jobMode(); }
    const std::string& caption() const { return live_->engine().caption(); }
};

TEST_F(SimJobs, ProductInformationIsWrittenExactlyAsTheBoxesHoldIt)
{
    startBoard({"--record-out", dir_.filePath("record.bin")}, kIni);
    live_->command([](StationEngine& e, Millis now) { e.loadDefaults(now); });
    const auxpad::ProductInfo boxes = live_->engine().productBoxes();
    live_->command([&](StationEngine& e, Millis now) { e.startProductJob(boxes, now); });
    ASSERT_TRUE(live_->runUntil([&] { return caption().find("AUXPAD Product Info written OK!") != std::string::npos; },
                                15000))
        << caption() << live_->traffic;
    EXPECT_EQ(caption(), "Writing AUXPAD product info...\nAUXPAD Product Info written OK!");
    EXPECT_EQ(read("record.bin"), QByteArray("\x04" "0102" "\x0B" "MCU02.00.01" "\x0B" "DSP02.00.07" "\x09" "SN0000042"
                                             "\x07" "0671234" "\x04" "1226" "\x02" "06"));
    EXPECT_TRUE(live_->boxes.empty());
}

TEST_F(SimJobs, CompleteFlashDeliversBothFilesByteForByte)
{
    startFlashBoard({});
    flash();
    ASSERT_TRUE(live_->runUntil([&] { return mode() == JobMode::FlashFormatWait; }, 30000)) << caption();
    EXPECT_EQ(live_->engine().productBoxes()[0], "0102") << "the board's own record was read";
    LiveBoard::skip(20000); // the board formats no flash of its own
    ASSERT_TRUE(live_->runUntil([&] { return mode() == JobMode::Idle; }, 30000)) << caption();
    EXPECT_EQ(caption(), "Flash AUXPAD Successfully!\nPlease Reset the phone!");
    EXPECT_EQ(read("image.bin"), image_);
    EXPECT_TRUE(live_->boxes.empty());
}

TEST_F(SimJobs, BoardThatStopsAcknowledgingEndsTheDownloadAfterFiveSeconds)
{
    startFlashBoard({"--boot-no-ack-after", "3"});
    flash();
    ASSERT_TRUE(live_->runUntil([&] { return live_->engine().downloading(); }, 30000));
    QElapsedTimer download;
    download.start();
    ASSERT_TRUE(live_->runUntil([&] { return mode() == JobMode::Idle; }, 30000));
    EXPECT_GE(download.elapsed(), 4900);
    EXPECT_LE(download.elapsed(), 8000);
    ASSERT_EQ(live_->boxes.size(), 1u);
    EXPECT_EQ(live_->boxes[0].text, "ERROR07: FLASH AUXPAD_DSP failure! ");
    EXPECT_EQ(caption(), "\n Flash AUXPAD Fail\nPlease Flash Again or reset the phone!");
    EXPECT_EQ(sim_->stats()["blocks_ok"], 4) << "no block after the unanswered fourth";
}

TEST_F(SimJobs, BoardThatHangsUpMidDownloadIsReportedWithoutHanging)
{
    startFlashBoard({"--hangup-after-block", "5"});
    flash();
    QElapsedTimer t;
    t.start();
    live_->runUntil([&] { return !live_->lost.empty(); }, 30000);
    ASSERT_FALSE(live_->lost.empty()) << caption();
    EXPECT_NE(live_->lost.find("COM7"), std::string::npos) << live_->lost;
    EXPECT_LT(t.elapsed(), 20000);
    EXPECT_TRUE(sim_->waitForExit(5000));
}

} // namespace
