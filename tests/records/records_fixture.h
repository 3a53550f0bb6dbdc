#pragma once

// The fixtures of the tests that run the built tool as a station would, on simulated
// boards that are processes of their own: the records' tests, with a SQLite file and a
// PostgreSQL database of the test's own, and the labels' and the sinks' tests.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <vector>

#include "tests/e2e/sim_process.h"
#include "tests/records/pg_server.h"
#include "tests/support/engine_rig.h"
#include "tests/support/files.h"
#include "tests/support/json_lines.h"
#include "tests/support/programs.h"
#include "tests/support/report_csv.h"

// A station's folder with its download files, the boards, and the tool.
class StationTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkpath("config");
        QDir(dir_.path()).mkpath("station");
        write("station/flash.ini", "Format=\"20\"\r\n");
        write("station/disk.txt", downloadText(60));
        write("station/data.txt", downloadText(120));
    }
    void boards(int count, const QStringList& options = {"--quiet"})
    {
        for (int i = 0; i < count; ++i)
            sims_.push_back(std::make_unique<SimProcess>(dir_.filePath("config"), 31 + static_cast<int>(sims_.size()), options));
    }
    QStringList ports(int first, int count) const
    {
        QStringList out;
        for (int i = first; i < first + count; ++i)
            out << "--port" << QString("COM%1").arg(31 + i);
        return out;
    }
    void write(const QString& name, const std::string& content) { writeFile(dir_.filePath(name), content); }
    std::unique_ptr<QProcess> start(const QStringList& arguments)
    {
        auto tool = std::make_unique<QProcess>();
        startProgram(*tool, AUXPAD_FLASH_EXE, arguments,
                     QStringList{"XDG_CONFIG_HOME=" + dir_.filePath("config"), "AUXPAD_FLASH_DB",
                                 "XDG_DATA_HOME=" + dir_.filePath("data")} + env_,
                     dir_.filePath("station"));
        return tool;
    }
    static int finish(QProcess& tool)
    {
        EXPECT_TRUE(tool.waitForFinished(120000));
        return tool.exitCode();
    }
    struct Ran {
        int status = -1;
        QByteArray out;
        QString err;
    };
    // A command run to its end.
    Ran run(const QStringList& arguments)
    {
        const auto tool = start(arguments);
        const int status = finish(*tool);
        return {status, tool->readAllStandardOutput(), QString::fromUtf8(tool->readAllStandardError())};
    }
    // The report as CSV: one map of column to value per record.
    std::vector<std::map<QString, QString>> report(const QString& store, const QStringList& filter = {})
    {
        const Ran ran = run(QStringList{"report", "--csv", "--db", store} + filter);
        EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
        return reportRows(QString::fromUtf8(ran.out));
    }
    // A line's recipe for the test's download files, and `more`, as station/recipe.ini.
    void recipe(const std::string& more = {})
    {
        write("station/recipe.ini",
              recipeText("\"AUXPAD V2, line A\"", downloadText(60), downloadText(120), "SN0001000-SN0001999") + more);
    }
    // Every frame or byte a board took: none, when a run was refused before it started.
    long heard(std::size_t board)
    {
        const auto stats = sims_[board]->stats();
        return stats.at("frames_rx_good") + stats.at("frames_rx_bad") + stats.at("stray_bytes");
    }
    // A command refused: status 2, and one line that says `why`.
    static void expectRefused(const Ran& ran, const QString& why)
    {
        EXPECT_EQ(ran.status, 2);
        EXPECT_EQ(ran.err.count('\n'), 1) << ran.err.toStdString();
        EXPECT_TRUE(ran.err.contains(why)) << ran.err.toStdString();
    }
    // Reads `tool`'s output until it holds `event` `count` times, and says how often it did.
    static qsizetype waitFor(QProcess& tool, const QByteArray& event, int count = 1)
    {
        QByteArray out;
        while (out.count(event) < count && tool.waitForReadyRead(30000))
            out += tool.readAllStandardOutput();
        return out.count(event);
    }
    // The station's journal, where the tools of this test keep their records first.
    QString journal() const { return "sqlite:" + dir_.filePath("data/auxpad-flash/records.sqlite"); }

    QTemporaryDir dir_;
    QStringList env_; // the tools' environment changed further, NAME=VALUE
    std::vector<std::unique_ptr<SimProcess>> sims_;
};

// One test's stores: a SQLite file and a PostgreSQL database.
class Records : public StationTool {
protected:
    void SetUp() override
    {
        ASSERT_EQ(pgServer().problem(), "");
        StationTool::SetUp();
        static int databases = 0;
        stores_ = {"sqlite:" + dir_.filePath("records.sqlite"), pgServer().newDatabase(QString("records%1").arg(++databases))};
    }

    QStringList stores_; // SQLite, PostgreSQL
};
