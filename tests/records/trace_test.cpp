// Who built each board and for which order, and a recipe that cannot start a run.
#include "tests/records/records_fixture.h"

namespace {

TEST_F(Records, ARecipeThatRequiresAnOperatorOrHasAMisspeltSectionStartsNothing)
{
    boards(1);
    recipe("operator=required\n");
    auto refused = [&](const QStringList& extra, const QString& why) {
        expectRefused(run(QStringList{"run", "--recipe", "recipe.ini"} + ports(0, 1) + extra), why);
    };
    for (const QStringList& extra : {QStringList{}, QStringList{"--order", "WO-1"}})
        refused(extra, "requires an operator");
    refused({"--operator", "badge 7", "--watch", "--again"}, "--again needs --reason");
    // A label section typed wrong would pass every board unlabelled.
    recipe("[lable]\nprinter=labels\nsize=50x25\n");
    refused({}, "line 14: [lable] is no section of a recipe (did you mean [label]?)");
    EXPECT_EQ(heard(0), 0) << "not a byte sent";
}

TEST_F(Records, EveryRecordSaysWhoAndForWhichOrderAndTheReportCountsPerOperator)
{
    boards(3);
    write("station/values.csv", "port,hardware,mcusw,dspsw,serial,code,manufacture\n"
                                "COM33,0102,MCU02.00.01,DSP02.00.07,SN0000777,0671234,061226\n");
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(stores_[s].toStdString());
        env_.clear();
        const Ran two = run(QStringList{"selftest", "--json", "--operator", "badge 7", "--order", "WO-1", "--db", stores_[s]}
                            + ports(0, 2));
        EXPECT_EQ(two.status, 0);
        for (const auto& [port, result] : JsonLines(two.out).results) {
            EXPECT_EQ(result["operator"], "badge 7") << port.toStdString();
            EXPECT_EQ(result["order"], "WO-1") << port.toStdString();
        }
        env_ = {"AUXPAD_FLASH_OPERATOR=badge 9"};
        for (const QStringList& write : {QStringList{}, QStringList{"--allow-reuse", "--reason", "repair"}})
            EXPECT_EQ(run(QStringList{"prodinfo", "--values", "values.csv", "--db", stores_[s]} + write + ports(2, 1)).status, 0);
        const auto seven = report(stores_[s], {"--operator", "badge 7"});
        ASSERT_EQ(seven.size(), 2u);
        for (const auto& row : seven)
            EXPECT_TRUE(row.at("order") == "WO-1" && row.at("reason").isEmpty());
        const auto nine = report(stores_[s], {"--operator", "badge 9"});
        ASSERT_EQ(nine.size(), 2u);
        EXPECT_EQ(nine[1].at("reason"), "repair") << "the exception is on record, with who asked";
        EXPECT_TRUE(nine[0].at("reason").isEmpty() && nine[1].at("operator") == "badge 9");
        EXPECT_EQ(report(stores_[s], {"--order", "WO-1"}).size(), 2u);

        // Each operator's boards, of all the records and of badge 9's alone; badge 7's
        // self-tests brought no board up.
        for (const QStringList& filter : {QStringList{}, QStringList{"--operator", "badge 9"}}) {
            const Ran summed = run(QStringList{"report", "--summary", "--per", "operator", "--csv", "--db", stores_[s]} + filter);
            EXPECT_EQ(summed.status, 0);
            const QStringList lines = QString::fromUtf8(summed.out).split("\r\n");
            ASSERT_GE(lines.size(), 3);
            EXPECT_EQ(lines[0], "operator,period,boards,passed,failed,yield_percent,first_pass,first_pass_yield_percent");
            EXPECT_TRUE(lines[1].startsWith("badge 9,") && lines[1].endsWith(",2,2,0,100.0,2,100.0")) << lines[1].toStdString();
            EXPECT_TRUE(lines[2].isEmpty()) << lines[2].toStdString();
        }
    }
}

} // namespace
