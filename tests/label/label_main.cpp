#include <QGuiApplication>

#include <gtest/gtest.h>

// A label's page is laid out with fonts: a QGuiApplication, off screen.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
