#pragma once

// The fixture of the records' tests: a SQLite file and a PostgreSQL database of the
// test's own, simulated boards, and the built tool run as a station would run it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "tests/e2e/sim_process.h"
#include "tests/records/pg_server.h"
#include "tests/support/engine_rig.h"
#include "tests/support/files.h"
#include "tests/support/json_lines.h"
#include "tests/support/programs.h"
#include "tests/support/report_csv.h"

// One test's stores: a SQLite file and a PostgreSQL database, and the boards.
class Records : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(pgServer().problem(), "");
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkpath("config");
        QDir(dir_.path()).mkpath("station");
        write("station/flash.ini", "Format=\"20\"\r\n");
        write("station/disk.txt", downloadText(60));
        write("station/data.txt", downloadText(120));
        static int databases = 0;
        stores_ = {"sqlite:" + dir_.filePath("records.sqlite"), pgServer().newDatabase(QString("records%1").arg(++databases))};
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
                                 "XDG_DATA_HOME=" + (dataHome_.isEmpty() ? dir_.filePath("data") : dataHome_)} + env_,
                     dir_.filePath("station"));
        return tool;
    }
    static int finish(QProcess& tool, QString* errors = nullptr)
    {
        EXPECT_TRUE(tool.waitForFinished(120000));
        if (errors)
            *errors = QString::fromUtf8(tool.readAllStandardError());
        return tool.exitCode();
    }
    // The report as CSV: one map of column to value per record.
    std::vector<std::map<QString, QString>> report(const QString& store, const QStringList& filter = {})
    {
        auto tool = start(QStringList{"report", "--csv", "--db", store} + filter);
        EXPECT_EQ(finish(*tool), 0);
        return reportRows(QString::fromUtf8(tool->readAllStandardOutput()));
    }
    // A line's recipe for the test's download files, as station/recipe.ini.
    void recipe()
    {
        write("station/recipe.ini",
              recipeText("\"AUXPAD V2, line A\"", downloadText(60), downloadText(120), "SN0001000-SN0001999"));
    }
    // The station's journal, where the tools of this test keep their records first.
    QString journal() const { return "sqlite:" + dir_.filePath("data/auxpad-flash/records.sqlite"); }
    // The records of `count` boards, each passed, each on a port of its own.
    static void expectOnePassEach(const std::vector<std::map<QString, QString>>& rows, std::size_t count)
    {
        ASSERT_EQ(rows.size(), count);
        std::set<QString> ports;
        for (const auto& row : rows) {
            EXPECT_EQ(row.at("result"), "passed");
            ports.insert(row.at("port"));
        }
        EXPECT_EQ(ports.size(), count);
    }
    // A command of the station `name`, with a journal of its own.
    std::unique_ptr<QProcess> station(const QString& name, const QStringList& arguments)
    {
        dataHome_ = dir_.filePath("data-" + name);
        auto tool = start(arguments + QStringList{"--station", name});
        dataHome_.clear();
        return tool;
    }
    QString readAll(const QString& name)
    {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll());
    }
    QString sha256(const QString& name) { return fileSha256(dir_.filePath(name)); }

    QTemporaryDir dir_;
    QString dataHome_; // XDG_DATA_HOME of the tools, when not the test's own folder
    QStringList env_; // more of the tools' environment, NAME=VALUE
    QStringList stores_; // SQLite, PostgreSQL
    std::vector<std::unique_ptr<SimProcess>> sims_;
};
