// The built auxpad-flash, started as an operator starts it, against a line the test
// plays the board on.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <poll.h>

#include "shell/pty_line.h"
#include "tests/support/engine_rig.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

namespace {

// What the tool writes, until `count` bytes have come or the time is up.
auxpad::Bytes readFor(auxsim::PtyLine& line, std::size_t count, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    auxpad::Bytes out;
    for (qint64 left = timeoutMs; out.size() < count && left > 0; left = timeoutMs - t.elapsed()) {
        pollfd p{line.masterFd(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) > 0) {
            const auxpad::Bytes got = line.read();
            out.insert(out.end(), got.begin(), got.end());
        }
    }
    return out;
}

class ToolProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkpath("config/auxpad-flash");
        QDir(dir_.path()).mkpath("station");
        writeFile(dir_.filePath("config/auxpad-flash/ports.conf"), "COM1=/dev/null-port\nCOM7=" + line_.slavePath() + "\n");
        writeFile(dir_.filePath("station/flash.ini"), "COMport=\"7\"\r\nShow=\"Yes\"\r\n");
        tool_.setProcessChannelMode(QProcess::ForwardedChannels);
        startProgram(tool_, AUXPAD_FLASH_EXE, {},
                     {"XDG_CONFIG_HOME=" + dir_.filePath("config"), "XDG_DATA_HOME=" + dir_.filePath("data"),
                      "QT_QPA_PLATFORM=offscreen"},
                     dir_.filePath("station"));
        ASSERT_TRUE(tool_.waitForStarted(5000));
        ASSERT_TRUE(waitUntilPortOpen(10000)) << "auxpad-flash never opened " << line_.slavePath();
    }
    void TearDown() override
    {
        tool_.terminate();
        if (!tool_.waitForFinished(5000))
            tool_.kill();
    }

    // The tool holds the line once one of its descriptors leads to the device.
    bool waitUntilPortOpen(int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        const QString fds = QString("/proc/%1/fd").arg(tool_.processId());
        while (t.elapsed() < timeoutMs) {
            for (const QFileInfo& fd : QDir(fds).entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
                if (fd.symLinkTarget() == QString::fromStdString(line_.slavePath()))
                    return true;
            }
            QThread::msleep(20);
        }
        return false;
    }

    QTemporaryDir dir_;
    auxsim::PtyLine line_;
    QProcess tool_;
};

TEST_F(ToolProcess, AnswersRegistrationAndAcknowledgesBoardMessagesWithinOneSecond)
{
    QElapsedTimer t;
    t.start();
    auxpad::Bytes registration = boardFrame(0xD0, {0x05, 0x01, 0x60});
    line_.write(registration);
    EXPECT_EQ(hexOf(readFor(line_, 12, 1000)), "1E 28 00 D0 00 03 05 01 41 00 5A FA ");
    EXPECT_LT(t.elapsed(), 1000);

    t.restart();
    auxpad::Bytes message = boardFrame(0x00, {0x42, 0xD2, 0x00, 0x02, 0x01, 0x43});
    line_.write(message);
    EXPECT_EQ(hexOf(readFor(line_, 10, 1000)), "1E 28 00 7F 00 02 00 03 1E 56 ");
    EXPECT_LT(t.elapsed(), 1000);
}

} // namespace
