// The tiles' arithmetic: the hour of now apart from the day, the latest record, the
// running boards' time, a station that only has a board running, and the slot that fails
// more than its bench.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "web/line_json.h"

TEST(LineJson, CountsTheHourOfNowApartFromTheDayAndTimesTheBoardsRunning)
{
    const QDateTime now = QDateTime::fromString("2026-12-07T09:15:00.000Z", Qt::ISODateWithMs);
    const std::vector<auxpad::HourCount> hours = {
        {"st-a", "2026-12-07T08", 3, 2, 1, 1, "2026-12-07T08:59:00.000Z"},
        {"st-b", "2026-12-07T08", 1, 0, 1, 0, "2026-12-07T08:30:00.000Z"},
        {"st-a", "2026-12-07T09", 2, 2, 0, 2, "2026-12-07T09:10:00.000Z"},
    };
    const std::vector<auxpad::RunningBoard> running = {{"st-c", "COM1", "SN1", "flash", "2026-12-07T09:14:30.000Z"}};
    // Ten slots of forty boards: COM17's first tries failed eight times, the others' four
    // in all; on st-b one slot alone, however it fails, is its own bench.
    std::vector<auxpad::SlotCount> slotCounts = {{"st-b", "COM1", 40, 20}};
    for (int com = 11; com <= 20; ++com)
        slotCounts.push_back({"st-a", QString("COM%1").arg(com), 40, com == 17 ? 8 : com <= 14 ? 1 : 0});
    const QJsonArray tiles =
        auxpad::web::lineJson(running, hours, slotCounts, {}, "2026-12-07T00:00:00.000Z", now)["stations"].toArray();
    ASSERT_EQ(tiles.size(), 3);
    const QJsonObject a = tiles[0].toObject();
    EXPECT_EQ(a["station"].toString(), "st-a");
    EXPECT_EQ(a["hour"]["passed"].toInt(), 2);
    EXPECT_EQ(a["hour"]["failed"].toInt(), 0);
    EXPECT_EQ(a["since"]["passed"].toInt(), 4);
    EXPECT_EQ(a["since"]["failed"].toInt(), 1);
    EXPECT_DOUBLE_EQ(a["since"]["yield"].toDouble(), 80.0);
    EXPECT_DOUBLE_EQ(a["since"]["first_pass_yield"].toDouble(), 60.0);
    ASSERT_EQ(a["outliers"].toArray().size(), 1);
    EXPECT_EQ(a["outliers"][0]["said"].toString(), "COM17: 8 of 40 failed, the bench 3 %");
    EXPECT_TRUE(tiles[1]["outliers"].toArray().isEmpty());
    EXPECT_EQ(a["last"].toString(), "2026-12-07T09:10:00.000Z");
    EXPECT_EQ(tiles[1]["hour"]["boards"].toInt(), 0);
    const QJsonObject c = tiles[2].toObject();
    EXPECT_EQ(c["since"]["boards"].toInt(), 0);
    EXPECT_EQ(c["running"][0]["seconds"].toInt(), 30);
}

// The line's hours: every station's boards of an hour summed, each hour named, oldest first.
TEST(LineJson, EachHourSumsTheLinesStationsOldestFirst)
{
    const std::vector<auxpad::HourCount> hours = {
        {"st-a", "2026-12-07T09", 2, 2, 0, 2, "2026-12-07T09:10:00.000Z"},
        {"st-a", "2026-12-07T08", 3, 2, 1, 1, "2026-12-07T08:59:00.000Z"},
        {"st-b", "2026-12-07T08", 1, 0, 1, 0, "2026-12-07T08:30:00.000Z"},
    };
    const QJsonObject line = auxpad::web::hoursJson(hours, "2026-12-07T00:00:00.000Z");
    EXPECT_EQ(line["since"].toString(), "2026-12-07T00:00:00.000Z");
    const QJsonArray each = line["hours"].toArray();
    ASSERT_EQ(each.size(), 2);
    EXPECT_EQ(each[0]["hour"].toString(), "2026-12-07T08");
    EXPECT_EQ(each[0]["boards"].toInt(), 4);
    EXPECT_EQ(each[0]["failed"].toInt(), 2);
    EXPECT_DOUBLE_EQ(each[0]["yield"].toDouble(), 50.0);
    EXPECT_EQ(each[1]["hour"].toString(), "2026-12-07T09");
    EXPECT_DOUBLE_EQ(each[1]["first_pass_yield"].toDouble(), 100.0);
}
