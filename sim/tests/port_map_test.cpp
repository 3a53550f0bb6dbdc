#include "core/port_map_text.h"
#include "shell/port_map_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#include <fstream>
#include <sstream>

namespace auxsim {
namespace {

TEST(PortMapText, AddsReplacesAndRestoresOneLine)
{
    const PortMapEdit added = setPortLine("", "COM9", "/dev/pts/3");
    EXPECT_EQ(added.text, "COM9=/dev/pts/3\n");
    EXPECT_FALSE(added.previousLine);
    EXPECT_EQ(restorePortLine(added.text, "COM9", "/dev/pts/3", added.previousLine), "");

    const std::string before = "# ports\nCOM10=/dev/ttyUSB1\nCOM1=/dev/ttyS0\nCOM2=/dev/ttyS1";
    const PortMapEdit edit = setPortLine(before, "COM1", "/dev/pts/7");
    EXPECT_EQ(edit.text, "# ports\nCOM10=/dev/ttyUSB1\nCOM1=/dev/pts/7\nCOM2=/dev/ttyS1\n");
    EXPECT_EQ(edit.previousLine, "COM1=/dev/ttyS0");
    EXPECT_EQ(restorePortLine(edit.text, "COM1", "/dev/pts/7", edit.previousLine),
              "# ports\nCOM10=/dev/ttyUSB1\nCOM1=/dev/ttyS0\nCOM2=/dev/ttyS1\n");
}

TEST(PortMapText, LeavesALineThatSomeoneElseHasTaken)
{
    const PortMapEdit edit = setPortLine("COM3=/dev/ttyS2\n", "COM3", "/dev/pts/4");
    const std::string taken = "COM3=/dev/pts/9\nCOM4=/dev/ttyS3\n";
    EXPECT_FALSE(restorePortLine(taken, "COM3", "/dev/pts/4", edit.previousLine));
    EXPECT_FALSE(restorePortLine("COM4=/dev/ttyS3\n", "COM3", "/dev/pts/4", edit.previousLine));
}

class PortMapFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/auxpad-sim-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        const char *old = std::getenv("XDG_CONFIG_HOME");
        oldXdg_ = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        file = PortMapEntry::defaultFile();
    }
    void TearDown() override
    {
        if (oldXdg_)
            ::setenv("XDG_CONFIG_HOME", oldXdg_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(dir_);
    }
    static std::string read(const std::filesystem::path &file)
    {
        std::ifstream in(file);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::filesystem::path dir_;
    std::optional<std::string> oldXdg_;
    std::filesystem::path file; // where the simulator keeps its lines
};

TEST_F(PortMapFileTest, CreatesTheFolderAndRemovesItsLineOnRestore)
{
    EXPECT_EQ(file, dir_ / "auxpad-flash" / "ports.conf");
    {
        PortMapEntry entry(file, 9, "/dev/pts/5");
        EXPECT_EQ(read(file), "COM9=/dev/pts/5\n");
        EXPECT_NE(entry.restore().find("removed COM9"), std::string::npos);
        EXPECT_EQ(read(file), "");
        std::ofstream(file) << "COM9=/dev/pts/6\n"; // the destructor must not undo this
    }
    EXPECT_EQ(read(file), "COM9=/dev/pts/6\n");
}

TEST_F(PortMapFileTest, DestructorPutsBackTheOldLineAndKeepsTheOthers)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "COM1=/dev/ttyS0\nCOM9=/dev/ttyUSB0\n";
    {
        PortMapEntry entry(file, 9, "/dev/pts/5");
        EXPECT_EQ(read(file), "COM1=/dev/ttyS0\nCOM9=/dev/pts/5\n");
        // Another simulator adds its own line meanwhile.
        std::ofstream(file, std::ios::app) << "COM2=/dev/pts/8\n";
    }
    EXPECT_EQ(read(file), "COM1=/dev/ttyS0\nCOM9=/dev/ttyUSB0\nCOM2=/dev/pts/8\n");
}

TEST_F(PortMapFileTest, SimulatorsStartedAtOnceKeepEveryLine)
{
    std::filesystem::create_directories(file.parent_path());
    std::vector<pid_t> children;
    for (int com = 41; com <= 48; ++com) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Each writes its line twenty times over, as if started again and again, and
            // leaves without taking it back.
            for (int i = 0; i < 20; ++i)
                new PortMapEntry(file, com, "/dev/pts/" + std::to_string(com));
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string text = read(file);
    for (int com = 41; com <= 48; ++com)
        EXPECT_NE(text.find("COM" + std::to_string(com) + "=/dev/pts/" + std::to_string(com) + "\n"), std::string::npos)
            << text;
}

} // namespace
} // namespace auxsim
