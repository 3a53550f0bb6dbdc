#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "tests/widgets/live_windows.h"

using namespace auxpad::ui;

namespace {

TEST(TrafficWindow, ClearEmptiesTheLogAndNeverLeavesTheBoxTicked)
{
    for (const char* log : {"\n>1E 28 00 \n<1E 00 28 7F ", ""}) {
        SCOPED_TRACE(log);
        LiveWindows lw;
        lw.msg.show();
        lw.msg.appendLog(log);
        auto* clear = lw.on<QCheckBox>(lw.msg, "Clr_Disp");
        QTest::mouseClick(clear, Qt::LeftButton);
        EXPECT_EQ(lw.msg.log(), "");
        EXPECT_FALSE(clear->isChecked());
    }
}

TEST(TrafficWindow, SendLogsTheTypedPayloadAsAServiceMessageWhileShown)
{
    LiveWindows lw;
    auto* input = lw.on<QPlainTextEdit>(lw.msg, "msg_input");
    QTest::keyClicks(input, "47 02");
    QTest::mouseClick(lw.on(lw.msg, "BT_SEND_MSG"), Qt::LeftButton);
    EXPECT_EQ(lw.msg.log(), "") << "nothing is logged while the window is hidden";

    lw.msg.show();
    QTest::mouseClick(lw.on(lw.msg, "BT_SEND_MSG"), Qt::LeftButton); // waits for the first one's acknowledgement
    lw.runner.command([](auxpad::BoardEngine& e, auxpad::Millis now) { e.received(boardFrame(0x7F, {0x00, 0x00}), now); });
    const QStringList lines = lw.msg.log().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], "<1E 00 28 7F 00 02 00 00 36 7D             ACK MSG");
    EXPECT_EQ(lines[2], ">1E 28 00 00 00 07 42 D2 01 47 02 01 41 00 1E BB       _TEST_SELF_TEST_REQ");
    EXPECT_EQ(input->toPlainText(), "47 02");
}

TEST(TrafficWindow, TheLogGrowsAtTheEndAndKeepsTheNewestTextInView)
{
    LiveWindows lw;
    lw.msg.show();
    auto* disp = lw.on<QPlainTextEdit>(lw.msg, "MSG_DISP");
    QString expected;
    for (int line = 0; line < 200; ++line) {
        for (const char* piece : {"\n<", "1E ", "00 ", "28 "}) {
            lw.msg.appendLog(piece);
            expected += QString::fromLatin1(piece);
        }
        // The operator scrolling up does not stop the log from coming back to its end.
        if (line == 100)
            disp->verticalScrollBar()->setValue(0);
    }
    EXPECT_EQ(disp->toPlainText(), expected);
    QTest::qWait(0);
    EXPECT_GT(disp->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(disp->verticalScrollBar()->value(), disp->verticalScrollBar()->maximum());
}

TEST(TrafficWindow, PrintingWithoutAPrinterSaysSo)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a printer; nothing is printed from a test";
    LiveWindows lw;
    lw.msg.show();
    QTest::mouseClick(lw.on(lw.msg, "PRT_MSG"), Qt::LeftButton);
    EXPECT_TRUE(closeBox().startsWith("No printer"));
}

} // namespace
