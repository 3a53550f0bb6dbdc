// The station's runner against the simulated board over a pseudo-terminal: the FBUS link
// through garbage and corruption, and a download timed by the runner's deadline timer.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <unistd.h>

#include "runner/recipe.h"
#include "runner/serial_line.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/engine_rig.h"
#include "tests/support/files.h"

namespace {

using SimLine = SimE2E;

TEST(Recipe, ValuesArePlainTextAndEveryRuleIsChecked)
{
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& text) { return writeFile(dir.filePath(name), text.toStdString()); };
    const QByteArray sha(64, 'a');
    const QByteArray good = "; kept by the line lead\n[recipe]\nname=AUXPAD V2, line A; left\n# code=9999999\n; colour=red\ninitdisk=sub/../disk.txt\ninitdisk_sha256=" + sha
        + "\ninitdata=/abs/data.txt\ninitdata_sha256=" + sha.toUpper()
        + "\nhardware=\"0102\"\nmcusw=MCU02,00.01\ndspsw=DSP02.00.07\ncode=0671234\nserials=SN0001000-SN0001999\n";
    const auto recipe = auxpad::readRecipe(write("good.ini", good));
    ASSERT_TRUE(recipe) << recipe.error().toStdString();
    EXPECT_EQ(recipe->name, "AUXPAD V2, line A; left") << "commas and semicolons are text";
    EXPECT_EQ(recipe->values[auxpad::at(auxpad::ProductField::Code)], "0671234") << "a line after ; or # is a comment";
    EXPECT_EQ(recipe->values[auxpad::at(auxpad::ProductField::Mcusw)], "MCU02,00.01");
    EXPECT_EQ(recipe->files.initDisk, dir.filePath("disk.txt").toStdString()) << "beside the recipe";
    EXPECT_EQ(recipe->files.initData, "/abs/data.txt");
    EXPECT_EQ(recipe->files.initDataSha256, std::string(64, 'a'));
    EXPECT_EQ(recipe->format, "30");
    EXPECT_EQ(auxpad::productValues(*recipe, "SN0001005", QDate(2026, 12, 6))[auxpad::at(auxpad::ProductField::Manufacture)],
              "061226") << "the day of the write";
    // A range of digits alone has no prefix: its ends may differ in their first digit.
    const auto digits =
        auxpad::readRecipe(write("digits.ini", QByteArray(good).replace("SN0001000-SN0001999", "099999998-100000001")));
    ASSERT_TRUE(digits) << digits.error().toStdString();
    EXPECT_EQ(digits->serials.lowestFree({99999998, 99999999}, 3), (std::vector<QString>{"100000000", "100000001"}));
    EXPECT_TRUE(digits->serials.contains("099999999") && !digits->serials.contains("100000002"));

    const std::pair<QByteArray, QByteArray> broken[] = {
        {"serials=SN0001000-SN0001999", "serials=SN0001000-SX0001999"},
        {"serials=SN0001000-SN0001999", "serials=SN001000-SN001999"},
        {"serials=SN0001000-SN0001999", "serials=SN0001999-SN0001000"},
        {"hardware=\"0102\"", "hardware=010"},
        {"code=0671234", "code=0671234\nmanufacture=320199"},
        {"initdisk_sha256=" + sha, "initdisk_sha256=xyz"},
        {"code=0671234", "code=0671234\nformat=soon"},
        {"code=0671234", "code=0671234\nformat=0"},
        {"code=0671234", "code=0671234\ncolour=red"},
        {"code=0671234\n", ""},
    };
    for (const auto& [from, to] : broken) {
        const auto read = auxpad::readRecipe(write("broken.ini", QByteArray(good).replace(from, to)));
        ASSERT_FALSE(read) << to.toStdString();
        EXPECT_TRUE(read.error().startsWith("the recipe ")) << read.error().toStdString();
    }
}

TEST(Runner, EveryListenerSeesTheEffectsInOrderWhenAnEarlierOneClosesABoxAtOnce)
{
    MemoryFiles files;
    auxpad::BoardRunner runner({"COM9", ""}, files, "/station/flash.ini"); // never opened: no line is needed
    std::vector<std::string> seen;
    QObject::connect(&runner, &auxpad::BoardRunner::effect, [&](const auxpad::Effect& e) {
        if (std::holds_alternative<auxpad::BoxShown>(e))
            runner.boxClosed(); // as a front without an operator does
    });
    QObject::connect(&runner, &auxpad::BoardRunner::effect, [&](const auxpad::Effect& e) {
        if (std::holds_alternative<auxpad::BoxShown>(e))
            seen.push_back("box");
        else if (std::holds_alternative<auxpad::JobRefused>(e))
            seen.push_back("refused");
    });
    runner.command([](auxpad::BoardEngine& e, auxpad::Millis now) { e.startFlashJob({}, now); });
    EXPECT_EQ(seen, (std::vector<std::string>{"box", "refused"}));
}

// A download block's wait for its answer starts once the port has let the block go, which
// the line tells as `drained`: at once when the device took every byte, and only once the
// last byte has left when the device took part of them.
TEST(PortLine, SaysDrainedOnlyWhenNoWrittenByteWaits)
{
    const int board = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK); // the far end, reading nothing yet
    ASSERT_TRUE(board >= 0 && ::grantpt(board) == 0 && ::unlockpt(board) == 0);
    const auto line = auxpad::serialPorts().line();
    ASSERT_TRUE(line->open({"COM9", ::ptsname(board)}));
    int drained = 0;
    QObject::connect(line.get(), &auxpad::SerialLine::drained, [&] { ++drained; });
    QObject::connect(line.get(), &auxpad::SerialLine::lost, [&](const QString& why) { ADD_FAILURE() << why.toStdString(); });

    line->write(auxpad::Bytes(16, 0x55));
    EXPECT_EQ(drained, 1) << "the device took the whole block";

    const std::size_t big = 1 << 20; // more than the terminal holds unread
    line->write(auxpad::Bytes(big, 0xAA));
    EXPECT_EQ(drained, 1) << "bytes still wait to leave";
    std::size_t read = 0;
    QElapsedTimer waited;
    waited.start();
    char chunk[65536];
    while (drained == 1 && waited.elapsed() < 20000) {
        for (ssize_t n; (n = ::read(board, chunk, sizeof chunk)) > 0;)
            read += static_cast<std::size_t>(n);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    EXPECT_EQ(drained, 2);
    for (ssize_t n; (n = ::read(board, chunk, sizeof chunk)) > 0;)
        read += static_cast<std::size_t>(n);
    EXPECT_EQ(read, 16 + big);
    line->close();
    ::close(board);
}

TEST_F(SimLine, BoardMessagesAreAcknowledgedAfterGarbageAndDroppedHalfFrames)
{
    startBoard({"--seed", "5"});
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
    ASSERT_TRUE(live_->runUntil([&] { return sim_->keptStats()["acks_rx"] >= 2; }, 5000)) << sim_->log();
    EXPECT_NE(sim_->log().find(" seed 5\n"), std::string::npos) << "the board says its seed, to be run again alike";
}

TEST_F(SimLine, EveryGoodMessageIsAcknowledgedThroughGarbageAndCorruption)
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
    EXPECT_EQ(s["good_unacked"], 0);
    EXPECT_EQ(s["corrupt_acked"], 0);
    EXPECT_GT(s["garbage_bursts"], 0);
    EXPECT_GT(s["corrupt_unacked"], 0);
    EXPECT_TRUE(live_->lost.empty());
}

TEST_F(SimLine, BoardThatStopsAcknowledgingEndsTheDownloadAfterFiveSeconds)
{
    startBoard({"--boot-no-ack-after", "3"}, "COMport=\"7\"\r\nFormat=\"20\"\r\n");
    write("station/initdisk.txt", downloadText(120));
    write("station/initdata.txt", downloadText(240));
    const auxpad::FlashFiles files{path("station/initdisk.txt"), path("station/initdata.txt")};
    live_->command([&](auxpad::BoardEngine& e, auxpad::Millis now) { e.startFlashJob(files, now); });
    ASSERT_TRUE(live_->runUntil([&] { return live_->engine().downloading(); }, 30000));
    QElapsedTimer download;
    download.start();
    ASSERT_TRUE(live_->runUntil([&] { return live_->engine().jobMode() == auxpad::JobMode::Idle; }, 30000));
    EXPECT_GE(download.elapsed(), 4900);
    EXPECT_LE(download.elapsed(), 8000);
    ASSERT_EQ(live_->boxes.size(), 1u);
    EXPECT_EQ(live_->boxes[0].text, "ERROR07: FLASH AUXPAD_DSP failure! ");
    EXPECT_EQ(live_->engine().caption(), "\n Flash AUXPAD Fail\nPlease Flash Again or reset the phone!");
    EXPECT_EQ(sim_->stats()["blocks_ok"], 4) << "no block after the unanswered fourth";
}

} // namespace
