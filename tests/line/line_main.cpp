#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Qt SQL finds its drivers through the application, a label is drawn with its fonts,
    // and the line window is drawn off screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
