#include <QApplication>

#include <gtest/gtest.h>

// The tests built with this run under an application: Qt SQL finds its drivers through
// it, a label is laid out with its fonts, the windows are drawn, and the lines and the
// servers a test starts in its own process are served by its event loop. Without a
// display they draw off screen.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
