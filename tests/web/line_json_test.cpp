// The tiles' arithmetic: the hour of now apart from the day, the latest record, the
// running boards' time, and a station that only has a board running.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "web/line_json.h"

TEST(LineJson, CountsTheHourOfNowApartFromTheDayAndTimesTheBoardsRunning)
{
    const QDateTime now = QDateTime::fromString("2026-12-07T09:15:00.000Z", Qt::ISODateWithMs);
    const std::vector<auxpad::HourCount> hours = {
        {"st-a", "2026-12-07T08", 3, 2, 1, "2026-12-07T08:59:00.000Z"},
        {"st-b", "2026-12-07T08", 1, 0, 1, "2026-12-07T08:30:00.000Z"},
        {"st-a", "2026-12-07T09", 2, 2, 0, "2026-12-07T09:10:00.000Z"},
    };
    const std::vector<auxpad::RunningBoard> running = {{"st-c", "COM1", "SN1", "flash", "2026-12-07T09:14:30.000Z"}};
    const QJsonArray tiles = auxpad::web::lineJson(running, hours, "2026-12-07T00:00:00.000Z", now)["stations"].toArray();
    ASSERT_EQ(tiles.size(), 3);
    const QJsonObject a = tiles[0].toObject();
    EXPECT_EQ(a["station"].toString(), "st-a");
    EXPECT_EQ(a["hour"]["passed"].toInt(), 2);
    EXPECT_EQ(a["hour"]["failed"].toInt(), 0);
    EXPECT_EQ(a["since"]["passed"].toInt(), 4);
    EXPECT_EQ(a["since"]["failed"].toInt(), 1);
    EXPECT_DOUBLE_EQ(a["since"]["yield"].toDouble(), 80.0);
    EXPECT_EQ(a["last"].toString(), "2026-12-07T09:10:00.000Z");
    EXPECT_EQ(tiles[1]["hour"]["boards"].toInt(), 0);
    const QJsonObject c = tiles[2].toObject();
    EXPECT_EQ(c["since"]["boards"].toInt(), 0);
    EXPECT_EQ(c["running"][0]["seconds"].toInt(), 30);
}
