#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <gtest/gtest.h>

#include "tests/widgets/live_windows.h"

using namespace auxpad::ui;

namespace {

enum Win { Main, Msg };
enum Face { Sans, Arial };

struct Control {
    Win win;
    const char* name;
    const char* kind; // Qt class the control must be
    QRect place;      // in its window
    const char* text; // nullptr: the control has no caption
    const char* tip;  // "" : no tooltip
    double points;
    bool bold;
    Face face;
    int maxLength; // text boxes only
};

const char* kMsgTip = "In Hex and follow Fbus message protocol:Start with data3(subfunction) and end before "
                      "data L-2(index number)";

const Control kControls[] = {
    {Main, "Label12", "QLabel", {8, 8, 25, 13}, "COM", "", 8.25, false, Sans, 0},
    {Main, "ComPortNum", "QLabel", {32, 8, 9, 17}, "1", "", 8.25, false, Sans, 0},
    {Main, "Label13", "QLabel", {40, 8, 57, 13}, "Opening...", "", 8.25, false, Sans, 0},
    {Main, "Label11", "QLabel", {96, 16, 193, 29}, "Step 1: Select flash files", "", 12, false, Sans, 0},
    {Main, "Drive1", "QComboBox", {16, 48, 153, 21}, nullptr, "Select drive for initdisk and initdata files", 8.25, false, Sans, 0},
    {Main, "Dir1", "QTreeView", {16, 72, 153, 141}, nullptr, "Select path for initdisk and initdata files", 8.25, false, Sans, 0},
    {Main, "Label1", "QLabel", {192, 48, 89, 17}, "InitDisk file name", "", 8.25, false, Sans, 0},
    {Main, "File1", "QListView", {176, 64, 169, 58}, nullptr, "Select initdisk file", 8.25, false, Sans, 0},
    {Main, "Label2", "QLabel", {192, 136, 97, 17}, "InitData file name", "", 8.25, false, Sans, 0},
    {Main, "File2", "QListView", {176, 152, 169, 58}, nullptr, "Select initdata file", 8.25, false, Sans, 0},
    {Main, "DISP1", "QLabel", {16, 224, 313, 117}, "Flash DSP Progress Report", "Progress report and instruction for FLASH", 13.5, true, Sans, 0},
    {Main, "BOOTLOAD_DSP", "QPushButton", {336, 304, 73, 76}, "Step 2: Flash AUXPAD", "Press me to start flashing", 9.75, true, Sans, 0},
    {Main, "PrgLoad", "QProgressBar", {16, 352, 313, 25}, nullptr, "", 8.25, false, Sans, 0},
    {Main, "Line1", "QFrame", {416, 0, 1, 345}, nullptr, "", 8.25, false, Sans, 0},
    {Main, "Label3", "QLabel", {424, 0, 137, 17}, "AUXPAD Board Product Info", "", 8.25, false, Sans, 0},
    {Main, "Label4", "QLabel", {432, 24, 97, 17}, "Hardware Version", "", 8.25, false, Sans, 0},
    {Main, "Text1", "QLineEdit", {432, 40, 105, 19}, "1234", "Must be 4 characters", 8.25, false, Sans, 4},
    {Main, "Label5", "QLabel", {432, 72, 97, 17}, "MCUSW Version", "", 8.25, false, Sans, 0},
    {Main, "Text2", "QLineEdit", {432, 88, 105, 19}, "123456789ab", "Must be 11 characters", 8.25, false, Sans, 11},
    {Main, "Label6", "QLabel", {432, 120, 97, 17}, "DSPSW Version", "", 8.25, false, Sans, 0},
    {Main, "Text3", "QLineEdit", {432, 136, 105, 19}, "123456789ab", "Must be 11 characters", 8.25, false, Sans, 11},
    {Main, "Label7", "QLabel", {432, 168, 97, 17}, "Serial Number", "", 8.25, false, Sans, 0},
    {Main, "Text4", "QLineEdit", {432, 184, 105, 19}, "123456789", "Must be 9 characters", 8.25, false, Sans, 9},
    {Main, "Label8", "QLabel", {432, 216, 97, 17}, "Code", "", 8.25, false, Sans, 0},
    {Main, "Text5", "QLineEdit", {432, 232, 105, 19}, "1234567", "Must be 7 characters", 8.25, false, Sans, 7},
    {Main, "Label9", "QLabel", {432, 264, 121, 17}, "Manufacture DDMMYY", "", 8.25, false, Sans, 0},
    {Main, "Text6", "QLineEdit", {432, 280, 105, 19}, "123456", "Must be 6 characters", 8.25, false, Sans, 6},
    {Main, "Command1", "QPushButton", {432, 304, 97, 25}, "Default Setting", "Set to default value as in flash.ini", 8.25, true, Sans, 0},
    {Main, "Prod_info", "QPushButton", {416, 336, 153, 41}, "Step 3: Write AUXPAD Product Info",
     "Press me when you have reset the phone and checked the above product info", 9.75, true, Sans, 0},
    {Msg, "MSG_DISP", "QPlainTextEdit", {8, 0, 493, 192}, nullptr, "Display Fbus message from and to AUXPAD", 8.25, false, Arial, 0},
    {Msg, "Label1", "QLabel", {16, 200, 73, 17}, "MSG INPUT", "", 8.25, false, Sans, 0},
    {Msg, "msg_input", "QPlainTextEdit", {88, 192, 409, 25}, nullptr, kMsgTip, 8.25, false, Arial, 0},
    {Msg, "BT_SEND_MSG", "QPushButton", {504, 192, 57, 25}, "SEND", "Send the left fbus message to AUXPAD", 8.25, false, Sans, 0},
    {Msg, "PRT_MSG", "QPushButton", {504, 16, 57, 49}, "PRINT MSG window", "Print this MSG window", 8.25, false, Sans, 0},
    {Msg, "Clr_Disp", "QCheckBox", {512, 88, 61, 41}, "Clear", "Clear the MSG window", 8.25, false, Sans, 0},
};

QString caption(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    return {};
}

TEST(Layout, EveryControlHasItsPlaceKindTextTooltipAndFont)
{
    LiveWindows lw;
    const QStringList sans{"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arimo", "DejaVu Sans"};
    const QStringList arial{"Arial", "Liberation Sans", "Arimo"};
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.name);
        QWidget* w = lw.on(c.win == Main ? static_cast<QWidget&>(lw.main) : lw.msg, c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(c.kind)) << w->metaObject()->className();
        EXPECT_EQ(w->geometry(), c.place);
        if (c.text) {
            EXPECT_EQ(caption(w), QString::fromLatin1(c.text));
        }
        EXPECT_EQ(w->toolTip(), QString::fromLatin1(c.tip));
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), c.points);
        EXPECT_EQ(w->font().bold(), c.bold);
        EXPECT_TRUE((c.face == Arial ? arial : sans).contains(QFontInfo(w->font()).family()))
            << QFontInfo(w->font()).family().toStdString();
        // The caption must reach screen readers as it is.
        EXPECT_TRUE(w->accessibleName().isEmpty());
        if (c.maxLength) {
            EXPECT_EQ(qobject_cast<QLineEdit*>(w)->maxLength(), c.maxLength);
        }
        if (auto* l = qobject_cast<QLabel*>(w)) { // a two-line caption starts where a one-line one does
            EXPECT_EQ(l->alignment(), Qt::AlignLeft | Qt::AlignTop);
        }
    }
}

// The stand-in fonts run wider than the ones the window was sized for; no caption may be
// cut off for it.
TEST(Layout, EveryCaptionFitsItsControl)
{
    LiveWindows lw;
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.name);
        QWidget& window = c.win == Main ? static_cast<QWidget&>(lw.main) : lw.msg;
        QWidget* w = lw.on(window, c.name);
        const QFontMetricsF metrics(w->font());
        const QString text = caption(w);
        const double width = std::min(w->width(), window.width() - w->x()); // what the window shows
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap()) {
            EXPECT_LE(metrics.horizontalAdvance(text), width);
        } else if (qobject_cast<QCheckBox*>(w)) {
            const int box = w->style()->pixelMetric(QStyle::PM_IndicatorWidth)
                            + w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
            EXPECT_LE(box + metrics.horizontalAdvance(text), width);
        } else if (qobject_cast<QAbstractButton*>(w)) {
            // Tall buttons wrap their caption; every line must still fit inside the bevel.
            const QRectF room(0, 0, width - 8, w->height() - 4);
            const QRectF used = metrics.boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, text);
            EXPECT_LE(used.width(), room.width());
            EXPECT_LE(used.height(), room.height());
        }
    }
}

TEST(Layout, KeyboardFocusRunsInTheStationOrderAndStartsInDir1)
{
    LiveWindows lw;
    QStringList controls;
    for (const Control& c : kControls)
        if (c.win == Main)
            controls << QString::fromLatin1(c.name);
    QStringList order;
    QWidget* w = &lw.main;
    do {
        w = w->nextInFocusChain();
        if ((w->focusPolicy() & Qt::TabFocus) && controls.contains(w->objectName()) && !order.contains(w->objectName()))
            order << w->objectName();
    } while (w != &lw.main);
    EXPECT_EQ(order, QStringList({"Dir1", "BOOTLOAD_DSP", "File1", "Drive1", "File2", "Text1", "Text2", "Text3",
                                  "Text4", "Text5", "Text6", "Prod_info", "Command1"}));

    lw.main.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&lw.main));
    EXPECT_EQ(QApplication::focusWidget(), lw.mainCtl("Dir1"));
}

TEST(Layout, MainWindowIsAFixedDialogLikeWindowWithBlueStatusAndHiddenProgress)
{
    LiveWindows lw;
    EXPECT_EQ(lw.main.windowTitle(), "Flash AUXPAD Board V2.0");
    EXPECT_EQ(lw.main.minimumSize(), QSize(570, 385));
    EXPECT_EQ(lw.main.maximumSize(), QSize(570, 385));
    EXPECT_FALSE(lw.main.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(lw.main.findChildren<QMenuBar*>().isEmpty() && lw.main.findChildren<QToolBar*>().isEmpty()
                && lw.main.findChildren<QStatusBar*>().isEmpty()) << "no menu, tool or status bar";

    auto* disp1 = lw.mainCtl<QLabel>("DISP1");
    EXPECT_EQ(disp1->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(disp1->palette().color(QPalette::Window), lw.main.palette().color(QPalette::Window));
    lw.main.apply(auxpad::CaptionShown{"Line one\nLine two"});
    EXPECT_EQ(disp1->text(), "Line one\nLine two");
    EXPECT_EQ(disp1->textFormat(), Qt::PlainText);

    auto* bar = lw.mainCtl<QProgressBar>("PrgLoad");
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(std::pair(bar->minimum(), bar->maximum()), std::pair(0, 100));
}

TEST(Layout, MessageWindowHasItsCaptionSizeAndPlace)
{
    LiveWindows lw;
    EXPECT_EQ(lw.msg.windowTitle(), "MSG window");
    EXPECT_EQ(lw.msg.size(), QSize(561, 220));
    EXPECT_EQ(lw.msg.pos(), QPoint(14, 439));
    EXPECT_TRUE(lw.msg.isWindow());
    EXPECT_FALSE(lw.msg.isVisible());
}

} // namespace
