#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>

#include "tests/e2e/live_board.h"
#include "tests/e2e/sim_process.h"
#include "tests/support/files.h"

// A station and the simulated board on a pseudo-terminal mapped as COM7, each in a
// fresh folder.
class SimE2E : public ::testing::Test {
protected:
    void startBoard(const QStringList& simOptions, const std::string& ini = "COMport=\"7\"\r\n")
    {
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkpath("config");
        QDir(dir_.path()).mkpath("station");
        sim_ = std::make_unique<SimProcess>(dir_.filePath("config"), 7, simOptions);
        qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
        write("station/flash.ini", ini);
        live_ = std::make_unique<LiveBoard>("COM7", path("station/flash.ini"));
        ASSERT_TRUE(live_->runner.open());
    }
    void TearDown() override
    {
        live_.reset(); // the tool lets go of the line before the board goes
        sim_.reset();
    }

    std::string path(const QString& name) const { return dir_.filePath(name).toStdString(); }
    void write(const QString& name, const std::string& content) { writeFile(dir_.filePath(name), content); }

    QTemporaryDir dir_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<LiveBoard> live_;
};
