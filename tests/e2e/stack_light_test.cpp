// A bench's stack light as the commands drive it: the relay tower is a pseudo-terminal
// whose far end the test reads, the boards are auxpad-sim processes.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <poll.h>

#include "runner/recipe.h"
#include "shell/pty_line.h"
#include "tests/e2e/sim_process.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

namespace {

// The frame that sets `relay` on or off.
QByteArray frame(int relay, bool on)
{
    const char state = on ? 1 : 0;
    return QByteArray{"\xA0"} + char(relay) + state + char(0xA0 + relay + state);
}

QByteArray allOff(int red = 1, int amber = 2, int green = 3)
{
    return frame(red, false) + frame(amber, false) + frame(green, false);
}

class StackLightRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkpath("config");
        QDir(dir_.path()).mkpath("station");
        // Only the test holds the tower's far end: closing it pulls the cable.
        ::fcntl(towerLine_.masterFd(), F_SETFD, FD_CLOEXEC);
    }
    void board(const QStringList& options)
    {
        sim_ = std::make_unique<SimProcess>(dir_.filePath("config"), 21, QStringList{"--quiet"} + options);
    }
    QString recipe(const std::string& light)
    {
        writeFile(dir_.filePath("station/disk.txt"), "disk\n");
        writeFile(dir_.filePath("station/data.txt"), "data\n");
        return writeFile(dir_.filePath("station/recipe.ini"),
                         recipeText("Line A", "disk\n", "data\n", "SN0000001-SN0000999") + light);
    }
    std::unique_ptr<QProcess> start(const QStringList& arguments)
    {
        auto tool = std::make_unique<QProcess>();
        startProgram(*tool, AUXPAD_FLASH_EXE, arguments + QStringList{"--port", "COM21"},
                     {"XDG_CONFIG_HOME=" + dir_.filePath("config"), "XDG_DATA_HOME=" + dir_.filePath("data")},
                     dir_.filePath("station"));
        return tool;
    }
    // What the tower has been sent, once it is as long as `expected` or `timeoutMs` pass
    // without a byte.
    QByteArray towerReads(const QByteArray& expected, int timeoutMs = 20000)
    {
        pollfd p{towerLine_.masterFd(), POLLIN, 0};
        while (read_.size() < expected.size() && ::poll(&p, 1, timeoutMs) > 0) {
            const auxpad::Bytes got = towerLine_.read();
            read_.append(reinterpret_cast<const char*>(got.data()), static_cast<qsizetype>(got.size()));
        }
        return read_;
    }
    QTemporaryDir dir_;
    std::unique_ptr<SimProcess> sim_;
    auxsim::PtyLine towerLine_;
    const QString tower_ = QString::fromStdString(towerLine_.slavePath());
    QByteArray read_;
};

TEST_F(StackLightRun, AllOffThenAmberWhileTheBoardRunsThenGreenForAPassOrRedForAFailureAndOffAtTheEnd)
{
    const std::pair<QStringList, QByteArray> cases[] = {
        {{}, frame(2, false) + frame(3, true) + frame(3, false)},
        {{"--self-test-codes", "3,3,0,3,3"}, frame(1, true) + frame(2, false) + frame(1, false)},
    };
    for (const auto& [options, ending] : cases) {
        SCOPED_TRACE(options.join(' ').toStdString());
        board(options);
        read_.clear();
        const auto tool = start({"selftest", "--json", "--stack-light", tower_});
        ASSERT_TRUE(tool->waitForFinished(30000));
        EXPECT_EQ(tool->exitCode(), options.isEmpty() ? 0 : 1) << tool->readAllStandardError().toStdString();
        const QByteArray shown = allOff() + frame(2, true) + ending;
        EXPECT_EQ(towerReads(shown, 2000).toHex(' '), shown.toHex(' '));
    }
}

// The option names the port; the recipe's [stack_light] still says which relay is which.
TEST_F(StackLightRun, ASignalEndsAWatchWithTheLampsOff)
{
    board({});
    const auto tool =
        start({"run", "--watch", "--json", "--recipe", recipe("[stack_light]\nport=/dev/no-such-tower\nred=5\n"
                                                              "amber=6\ngreen=7\n"),
               "--stack-light", tower_});
    const QByteArray running = allOff(5, 6, 7) + frame(6, true);
    ASSERT_EQ(towerReads(running).toHex(' '), running.toHex(' ')) << tool->readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(tool->processId()), SIGTERM);
    ASSERT_TRUE(tool->waitForFinished(30000));
    EXPECT_EQ(tool->exitCode(), 130);
    EXPECT_EQ(towerReads(running + frame(6, false), 2000).toHex(' '), (running + frame(6, false)).toHex(' '));
}

TEST_F(StackLightRun, ATowerThatGoesAwayIsSaidOnceAndTheBenchGoesOn)
{
    board({});
    const auto tool = start({"run", "--watch", "--json", "--recipe", recipe(""), "--stack-light", tower_});
    // All off first; the board may already have turned amber on by the time it is read.
    ASSERT_TRUE(towerReads(allOff()).startsWith(allOff()));
    towerLine_.hangUp(); // the tower's cable is pulled
    tool->setReadChannel(QProcess::StandardError);
    QByteArray said;
    while (!said.contains("stack light is gone") && tool->waitForReadyRead(10000))
        said += tool->readAllStandardError();
    ASSERT_TRUE(said.contains("stack light is gone")) << said.toStdString();
    ::kill(static_cast<pid_t>(tool->processId()), SIGTERM);
    ASSERT_TRUE(tool->waitForFinished(30000));
    said += tool->readAllStandardError();
    EXPECT_EQ(said.count("stack light"), 1) << said.toStdString();
    EXPECT_EQ(tool->exitCode(), 130) << "the watch went on until it was told to end";
}

TEST_F(StackLightRun, ATowerThatCannotBeHadStopsTheRunBeforeAnyBoardHearsOfIt)
{
    board({});
    const auto tool = start({"run", "--json", "--recipe", recipe("[stack_light]\nport=/dev/no-such-tower\n")});
    ASSERT_TRUE(tool->waitForFinished(30000));
    EXPECT_EQ(tool->exitCode(), 2);
    const QString said = QString::fromUtf8(tool->readAllStandardError());
    EXPECT_EQ(said.count('\n'), 1) << said.toStdString();
    EXPECT_TRUE(said.contains("stack light") && said.contains("/dev/no-such-tower")) << said.toStdString();
    const auto stats = sim_->stats();
    EXPECT_EQ(stats.at("stray_bytes") + stats.at("frames_rx_good") + stats.at("frames_rx_bad"), 0);
}

TEST_F(StackLightRun, ARecipesStackLightNeedsAPortAndARelayFromOneToEightForEachLamp)
{
    const std::pair<std::string, const char*> wrong[] = {
        {"[stack_light]\nred=1\n", "[stack_light] has no port"},
        {"[stack_light]\nport=COM9\nblue=4\n", "blue is no key of a stack light"},
        {"[stack_light]\nport=COM9\namber=9\n", "amber 9: give a relay number from 1 to 8"},
        {"[stack_light]\nport=COM9\ngreen=1\n", "red and green are both relay 1"},
    };
    for (const auto& [section, why] : wrong) {
        const auto read = auxpad::readRecipe(recipe(section));
        ASSERT_FALSE(read) << section;
        EXPECT_TRUE(read.error().contains(why) && !read.error().contains('\n')) << read.error().toStdString();
    }
    const auto read = auxpad::readRecipe(recipe("[stack_light]\nport=COM9\nred=8\n"));
    ASSERT_TRUE(read) << read.error().toStdString();
    EXPECT_EQ(read->stackLight->relays.of, (std::array<int, 3>{8, 2, 3}));
}

} // namespace
