#include <QDir>

#include <gtest/gtest.h>

#include "tests/widgets/live_windows.h"

namespace {

// Pictures of both windows for a person to look over: as they open, and in mid-job.
TEST(Screenshots, BothWindowsAreSavedForReview)
{
    const QString dir = QStringLiteral(AUXPAD_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    LiveWindows lw;
    lw.main.show();
    lw.msg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lw.main));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lw.msg));
    QTest::qWait(300); // the folder lists fill in the background
    EXPECT_TRUE(lw.main.grab().save(dir + "/flash_main.png"));
    EXPECT_TRUE(lw.msg.grab().save(dir + "/msg_win.png"));

    lw.main.showPortOpened("3");
    lw.main.apply(auxpad::CaptionShown{"Downloading 57% of file\ninitdata.txt\nElapsed Time: 00:Min41Sec"});
    lw.main.apply(auxpad::ProgressShown{true, 57});
    lw.msg.appendLog("\n>1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB       _TEST_SELF_TEST_REQ"
                     "\n<1E 00 28 7F 00 02 00 00 36 7D             ACK MSG");
    QTest::qWait(50);
    EXPECT_TRUE(lw.main.grab().save(dir + "/flash_main_busy.png"));
    EXPECT_TRUE(lw.msg.grab().save(dir + "/msg_win_busy.png"));
}

} // namespace
