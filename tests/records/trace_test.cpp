// Who built each board, where, and for which order; and a line that hands out serials
// while its database is away.

#include <cstdio>
#include <set>

#include <QJsonArray>
#include <QJsonDocument>

#include "tests/records/records_fixture.h"

namespace {

TEST_F(Records, TwoBenchesOnOneComputerAreTwoStations)
{
    boards(4);
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(stores_[s].toStdString());
        env_.clear();
        auto a = start(QStringList{"selftest", "--station", "bench A", "--db", stores_[s]} + ports(2 * s, 1));
        EXPECT_EQ(finish(*a), 0);
        env_ = {"AUXPAD_FLASH_STATION=bench B"};
        EXPECT_EQ(finish(*start(QStringList{"selftest", "--db", stores_[s]} + ports(2 * s + 1, 1))), 0);
        const auto rows = report(stores_[s], {"--station", "bench A"});
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].at("port"), QString("COM%1").arg(31 + 2 * s));
        const auto other = report(stores_[s], {"--station", "bench B"});
        ASSERT_EQ(other.size(), 1u);
        EXPECT_EQ(other[0].at("port"), QString("COM%1").arg(32 + 2 * s));
    }
}

TEST_F(Records, ARecipeThatRequiresAnOperatorOrHasAMisspeltSectionStartsNothing)
{
    boards(1);
    recipe();
    const QString recipeText = readAll("station/recipe.ini");
    write("station/recipe.ini", (recipeText + "operator=required\n").toStdString());
    const QStringList run = QStringList{"run", "--recipe", "recipe.ini"} + ports(0, 1);
    auto refused = [&](const QStringList& extra, const QString& why) {
        auto tool = start(run + extra);
        QString errors;
        EXPECT_EQ(finish(*tool, &errors), 2);
        EXPECT_EQ(errors.count('\n'), 1) << errors.toStdString();
        EXPECT_TRUE(errors.contains(why)) << errors.toStdString();
    };
    for (const QStringList& extra : {QStringList{}, QStringList{"--order", "WO-1"}})
        refused(extra, "requires an operator");
    refused({"--operator", "badge 7", "--watch", "--again"}, "--again needs --reason");
    // A label section typed wrong would pass every board unlabelled.
    write("station/recipe.ini", (recipeText + "[lable]\nprinter=labels\nsize=50x25\n").toStdString());
    refused({}, "line 14: [lable] is no section of a recipe (did you mean [label]?)");
    const auto stats = sims_[0]->stats();
    EXPECT_EQ(stats.at("frames_rx_good") + stats.at("frames_rx_bad") + stats.at("stray_bytes"), 0) << "not a byte sent";
}

TEST_F(Records, EveryRecordSaysWhoAndForWhichOrderAndTheReportCountsPerOperator)
{
    boards(3);
    write("station/values.csv", "port,hardware,mcusw,dspsw,serial,code,manufacture\n"
                                "COM33,0102,MCU02.00.01,DSP02.00.07,SN0000777,0671234,061226\n");
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(stores_[s].toStdString());
        env_.clear();
        auto two = start(QStringList{"selftest", "--json", "--operator", "badge 7", "--order", "WO-1", "--db", stores_[s]}
                         + ports(0, 2));
        EXPECT_EQ(finish(*two), 0);
        for (const auto& [port, result] : JsonLines(two->readAllStandardOutput()).results) {
            EXPECT_EQ(result["operator"], "badge 7") << port.toStdString();
            EXPECT_EQ(result["order"], "WO-1") << port.toStdString();
        }
        env_ = {"AUXPAD_FLASH_OPERATOR=badge 9"};
        for (const QStringList& write : {QStringList{}, QStringList{"--allow-reuse", "--reason", "repair"}}) {
            auto one = start(QStringList{"prodinfo", "--values", "values.csv", "--db", stores_[s]} + write + ports(2, 1));
            EXPECT_EQ(finish(*one), 0);
        }
        const auto seven = report(stores_[s], {"--operator", "badge 7"});
        ASSERT_EQ(seven.size(), 2u);
        for (const auto& row : seven)
            EXPECT_TRUE(row.at("order") == "WO-1" && row.at("reason").isEmpty());
        const auto nine = report(stores_[s], {"--operator", "badge 9"});
        ASSERT_EQ(nine.size(), 2u);
        EXPECT_EQ(nine[1].at("reason"), "repair") << "the exception is on record, with who asked";
        EXPECT_TRUE(nine[0].at("reason").isEmpty() && nine[1].at("operator") == "badge 9");
        EXPECT_EQ(report(stores_[s], {"--order", "WO-1"}).size(), 2u);

        auto summed = start({"report", "--summary", "--per", "operator", "--csv", "--db", stores_[s]});
        EXPECT_EQ(finish(*summed), 0);
        const QStringList lines = QString::fromUtf8(summed->readAllStandardOutput()).split("\r\n");
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines[0], "operator,period,boards,passed,failed,yield_percent,first_pass,first_pass_yield_percent");
        // badge 7's self-tests brought no board up.
        EXPECT_TRUE(lines[1].startsWith("badge 9,") && lines[1].endsWith(",2,2,0,100.0,2,100.0")) << lines[1].toStdString();
        EXPECT_TRUE(lines[2].isEmpty()) << lines[2].toStdString();
        auto filtered = start({"report", "--operator", "badge 9", "--summary", "--per", "operator", "--csv", "--db",
                               stores_[s]});
        EXPECT_EQ(finish(*filtered), 0);
        const QStringList only = QString::fromUtf8(filtered->readAllStandardOutput()).split("\r\n");
        ASSERT_GE(only.size(), 3);
        EXPECT_TRUE(only[1].startsWith("badge 9,") && only[1].endsWith(",2,2,0,100.0,2,100.0") && only[2].isEmpty())
            << only.join('|').toStdString();
    }
}

} // namespace
