#pragma once

// The line's commands on simulated time: a station's folder with its flash.ini and
// download files, and a simulated bench to run its commands on.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>

#include "tests/support/engine_rig.h"
#include "tests/support/files.h"
#include "tests/support/json_lines.h"
#include "tests/support/sim_bench.h"

class OnSimulatedTime : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        bench_ = std::make_unique<SimBench>(dir_.path());
        write("flash.ini", "Format=\"20\"\r\nHardware=\"0102\"\r\nMCUSW=\"MCU02.00.01\"\r\nDSPSW=\"DSP02.00.07\"\r\n"
                           "Serial=\"SN0000042\"\r\nCode=\"0671234\"\r\nManufacture=\"061226\"\r\n");
        write("disk.txt", downloadText(60));
        write("data.txt", downloadText(120));
    }
    void TearDown() override { bench_.reset(); }
    // A file of the station's folder.
    QString write(const QString& name, const std::string& content)
    {
        return writeFile(QDir(dir_.path()).filePath("station/" + name), content);
    }
    // The station's recipe.ini for its two files, handing out `serials`.
    void recipe(const std::string& serials, const std::string& more = {})
    {
        write("recipe.ini", recipeText("Bench", downloadText(60), downloadText(120), serials) + more);
    }
    static QStringList ports(int first, int count)
    {
        QStringList out;
        for (int i = first; i < first + count; ++i)
            out << "--port" << QString("COM%1").arg(i);
        return out;
    }
    // The station's journal.
    QString journal() const { return "sqlite:" + QDir(dir_.path()).filePath("data/auxpad-flash/records.sqlite"); }

    QTemporaryDir dir_;
    std::unique_ptr<SimBench> bench_;
};
