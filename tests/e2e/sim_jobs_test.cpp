// The operator's two jobs against the simulated board over a pseudo-terminal.
#include <QElapsedTimer>

#include "app/flash_ini.h"
#include "board/jobs.h"
#include "bootload/flash_start.h"
#include "tests/e2e/e2e_fixture.h"

namespace {

const std::string kIni = "COMport=\"7\"\r\nShow=\"Yes\"\r\nFormat=\"20\"\r\n"
                         "Hardware=\"0102\"\r\nMCUSW=\"MCU02.00.01\"\r\nDSPSW=\"DSP02.00.07\"\r\n"
                         "Serial=\"SN0000042\"\r\nCode=\"0671234\"\r\nManufacture=\"061226\"\r\n";

// Download file text and the bytes it stands for.
std::string downloadText(int lines, int seed, QByteArray& bytes)
{
    std::string text;
    char hex[4];
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < 32; ++i) {
            const auto v = static_cast<std::uint8_t>((l * 31 + i * 7 + seed) & 0xFF);
            bytes.append(static_cast<char>(v));
            std::snprintf(hex, sizeof hex, i ? " %02x" : "%02X", v);
            text += hex;
        }
        text += "\r\n";
    }
    return text;
}

class SimJobs : public SimE2E {
protected:
    QByteArray image_;

    void startFlashBoard(const QStringList& options)
    {
        startBoard(QStringList{"--image-out", dir_.filePath("image.bin")} + options, kIni);
        write("station/initdisk.txt", downloadText(120, 1, image_));
        write("station/initdata.txt", downloadText(240, 2, image_));
        live_->main.selected[0] = "initdisk.txt";
        live_->main.selected[1] = "initdata.txt";
    }
    bool idle() const { return live_->st.JOB_MODE == 0; }
    std::string disp1() const { return live_->main.disp1Text; }
};

TEST_F(SimJobs, ProductInformationIsWrittenExactlyAsTheBoxesHoldIt)
{
    startBoard({"--record-out", dir_.filePath("record.bin")}, kIni);
    auxpad::Command1_Click(live_->st);
    auxpad::Prod_info_Click(live_->st);
    ASSERT_TRUE(live_->runUntil([&] { return disp1().find("AUXPAD Product Info written OK!") != std::string::npos; },
                                15000))
        << disp1() << live_->msg.log;
    EXPECT_EQ(disp1(), "Writing AUXPAD product info...\nAUXPAD Product Info written OK!");
    EXPECT_EQ(read("record.bin"), QByteArray("\x04" "0102" "\x0B" "MCU02.00.01" "\x0B" "DSP02.00.07" "\x09" "SN0000042"
                                             "\x07" "0671234" "\x04" "1226" "\x02" "06"));
    EXPECT_TRUE(live_->dialogs.boxes.empty());
}

TEST_F(SimJobs, CompleteFlashDeliversBothFilesByteForByte)
{
    startFlashBoard({});
    auxpad::BOOTLOAD_DSP_Click(live_->st);
    ASSERT_TRUE(live_->runUntil([&] { return live_->st.JOB_MODE == 5; }, 30000)) << disp1();
    EXPECT_EQ(live_->main.texts[0], "0102") << "the board's own record was read";
    live_->clock.skipped += 20000; // the board formats no flash of its own
    ASSERT_TRUE(live_->runUntil([&] { return idle(); }, 30000)) << disp1();
    EXPECT_EQ(disp1(), "Flash AUXPAD Successfully!\nPlease Reset the phone!");
    EXPECT_EQ(read("image.bin"), image_);
    EXPECT_TRUE(live_->dialogs.boxes.empty());
}

TEST_F(SimJobs, BoardThatStopsAcknowledgingEndsTheDownloadAfterFiveSeconds)
{
    startFlashBoard({"--boot-no-ack-after", "3"});
    auxpad::BOOTLOAD_DSP_Click(live_->st);
    ASSERT_TRUE(live_->runUntil([&] { return live_->st.JOB_MODE == 4; }, 30000));
    QElapsedTimer download;
    download.start();
    ASSERT_TRUE(live_->runUntil([&] { return idle(); }, 30000));
    EXPECT_GE(download.elapsed(), 4900);
    EXPECT_LE(download.elapsed(), 8000);
    ASSERT_EQ(live_->dialogs.boxes.size(), 1u);
    EXPECT_EQ(live_->dialogs.boxes[0].text, "ERROR07: FLASH AUXPAD_DSP failure! ");
    EXPECT_EQ(disp1(), "\n Flash AUXPAD Fail\nPlease Flash Again or reset the phone!");
    EXPECT_EQ(sim_->stats()["blocks_ok"], 4) << "no block after the unanswered fourth";
}

TEST_F(SimJobs, BoardThatHangsUpMidDownloadIsReportedWithoutHanging)
{
    startFlashBoard({"--hangup-after-block", "5"});
    auxpad::BOOTLOAD_DSP_Click(live_->st);
    QElapsedTimer t;
    t.start();
    live_->runUntil([&] { return live_->fault.has_value(); }, 30000);
    ASSERT_TRUE(live_->fault.has_value()) << disp1();
    EXPECT_NE(live_->fault->find("COM7"), std::string::npos) << *live_->fault;
    EXPECT_LT(t.elapsed(), 20000);
    EXPECT_TRUE(sim_->waitForExit(5000));
}

} // namespace
