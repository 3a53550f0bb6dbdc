#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "fbus/link_state.h"
#include "fbus/sender.h"
#include "tests/widgets/live_windows.h"

namespace {

TEST(MsgWindow, ClearEmptiesTheLogAndNeverLeavesTheBoxTicked)
{
    for (const char* log : {"\n>1E 28 00 \n<1E 00 28 7F ", ""}) {
        SCOPED_TRACE(log);
        LiveWindows lw;
        lw.msg.show();
        lw.msg.appendLog(log);
        auto* clear = lw.msgCtl<QCheckBox>("Clr_Disp");
        QTest::mouseClick(clear, Qt::LeftButton);
        EXPECT_EQ(lw.msgCtl<QPlainTextEdit>("MSG_DISP")->toPlainText(), "");
        EXPECT_FALSE(clear->isChecked());
    }
}

TEST(MsgWindow, SendQueuesTheTypedPayloadAsAServiceMessage)
{
    LiveWindows lw;
    lw.msg.show();
    auto* input = lw.msgCtl<QPlainTextEdit>("msg_input");
    QTest::keyClicks(input, "47 02");
    QTest::mouseClick(lw.msgCtl("BT_SEND_MSG"), Qt::LeftButton);
    EXPECT_TRUE(lw.port.written.empty()); // queued, not yet sent
    auxpad::FBUS_SEND(lw.st, auxpad::SEND_PUMP);

    EXPECT_EQ(fakes::hexOf(lw.port.written), "1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB");
    const QStringList lines = lw.msgCtl<QPlainTextEdit>("MSG_DISP")->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "");
    EXPECT_TRUE(lines[1].startsWith(">1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB "));
    EXPECT_TRUE(lines[1].endsWith("_TEST_SELF_TEST_REQ"));
    EXPECT_EQ(input->toPlainText(), "47 02");
}

TEST(MsgWindow, ABadCharacterShowsDataErrorInTheMainWindow)
{
    LiveWindows lw;
    QTest::keyClicks(lw.msgCtl<QPlainTextEdit>("msg_input"), "47 0x02");
    QTest::mouseClick(lw.msgCtl("BT_SEND_MSG"), Qt::LeftButton);
    EXPECT_EQ(lw.main.disp1(), "Data Error");
}

TEST(MsgWindow, TheLogGrowsAtTheEndAndKeepsTheNewestTextInView)
{
    LiveWindows lw;
    lw.msg.show();
    auto* disp = lw.msgCtl<QPlainTextEdit>("MSG_DISP");
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

TEST(MsgWindow, PrintingWithoutAPrinterSaysSo)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a printer; nothing is printed from a test";
    LiveWindows lw;
    QTest::mouseClick(lw.msgCtl("PRT_MSG"), Qt::LeftButton);
    ASSERT_EQ(lw.dialogs.boxes.size(), 1u);
    EXPECT_NE(lw.dialogs.boxes[0].text.find("No printer"), std::string::npos);
    EXPECT_EQ(lw.st.modalBoxes, 0);
}

} // namespace
