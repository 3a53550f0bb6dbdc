#pragma once

// The line's commands on simulated time: a station's folder with its flash.ini and
// download files, and a simulated bench to run its commands on.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

#include "tests/support/engine_rig.h"
#include "tests/support/files.h"
#include "tests/support/json_lines.h"
#include "tests/support/programs.h"
#include "tests/support/report_csv.h"
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
    // A board on COM`com` that hangs up in its first download, its adapter back a second
    // later with the board still in its slot, as a reset adapter is.
    void hangsUpOnce(int com)
    {
        bench_->board(com, {"--hangup-after-block", "2"});
        auto& adapter = bench_->adapter(com);
        QObject::connect(
            &adapter, &auxpad::shift::SimAdapter::hungUp, &adapter,
            [this, &adapter] { bench_->at(1000, [&adapter] { adapter.back(adapter.device()); }); }, Qt::SingleShotConnection);
    }
    static QStringList ports(int first, int count)
    {
        QStringList out;
        for (int i = first; i < first + count; ++i)
            out << "--port" << QString("COM%1").arg(i);
        return out;
    }
    // A command of the built tool that waits on no board (a report, a records command), as
    // a process of its own; with the journal `journal` names when one is named; with `pin`
    // on its standard input, as AUXPAD_FLASH_PIN_FD=0 says, and `env` changed as startProgram
    // changes it.
    SimBench::Ran tool(const QStringList& arguments, const QString& journal = {}, const QByteArray& pin = {},
                       const QStringList& env = {})
    {
        QProcess p;
        QStringList changes = {"XDG_CONFIG_HOME=" + path("config"), "XDG_DATA_HOME=" + dataHome(journal),
                               "AUXPAD_FLASH_DB", "AUXPAD_FLASH_PIN"};
        if (!pin.isEmpty())
            changes << "AUXPAD_FLASH_PIN_FD=0";
        startProgram(p, AUXPAD_FLASH_EXE, arguments, changes + env, path("station"));
        p.write(pin);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000)) << arguments.join(' ').toStdString();
        return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }
    // Commands that run at once, as several stations or terminals do: each starts from the
    // clock of the one before it. What each came to, in their order.
    std::vector<SimBench::Ran> atOnce(const std::vector<std::function<SimBench::Ran()>>& commands)
    {
        std::vector<SimBench::Ran> ran(commands.size());
        std::function<void(std::size_t)> from = [&](std::size_t i) {
            if (i + 1 < commands.size())
                bench_->at(0, [&from, i] { from(i + 1); });
            ran[i] = commands[i]();
        };
        if (!commands.empty())
            from(0);
        return ran;
    }
    // The report of `store` as CSV, a map of column to value per record.
    std::vector<std::map<QString, QString>> report(const QString& store, const QStringList& filter = {})
    {
        const auto r = tool(QStringList{"report", "--csv", "--db", store} + filter);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return reportRows(QString::fromUtf8(r.out));
    }
    // A station's command on the bench, under its name and with its own journal.
    SimBench::Ran station(const QString& name, const QStringList& arguments)
    {
        return bench_->run(arguments + QStringList{"--station", name}, {}, dataHome(name));
    }
    // Where the journal a name stands for is kept.
    QString dataHome(const QString& journal = {}) const { return path(journal.isEmpty() ? "data" : "data-" + journal); }
    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    // The rows `sql` reads from the SQLite file `file`, each as its values' text (none for
    // a statement that changes the file); and the first value.
    static std::vector<QStringList> peekRows(const QString& file, const QString& sql)
    {
        std::vector<QStringList> rows;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
            db.setDatabaseName(file);
            QSqlQuery q(db);
            EXPECT_TRUE(db.open() && q.exec(sql)) << sql.toStdString();
            while (q.next()) {
                rows.emplace_back();
                for (int i = 0; i < q.record().count(); ++i)
                    rows.back() << q.value(i).toString();
            }
        }
        QSqlDatabase::removeDatabase("peek");
        return rows;
    }
    static QString peek(const QString& file, const QString& sql)
    {
        const auto rows = peekRows(file, sql);
        return rows.empty() ? QString() : rows[0].value(0);
    }
    // The station's journal.
    QString journal() const { return "sqlite:" + QDir(dir_.path()).filePath("data/auxpad-flash/records.sqlite"); }

    QTemporaryDir dir_;
    std::unique_ptr<SimBench> bench_;
};
