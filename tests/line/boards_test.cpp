// A board is one board across its tries: its identity outlives a reset adapter in its
// slot and a command's tries, and a board plugged in its place is a new one.
#include "tests/line/line_fixture.h"

namespace {

using Boards = OnSimulatedTime;

// The bring-ups of `port` in the order they started, "board first_try result tried_again"
// and a " | " between them, each board named by the order it first appears in.
std::string bringUpsOf(const std::vector<std::map<QString, QString>>& rows, const QString& port)
{
    QStringList out, boards;
    for (const auto& row : rows) {
        if (row.at("port") != port || row.at("job") != "run")
            continue;
        if (!boards.contains(row.at("board")))
            boards << row.at("board");
        out << QString("board%1 %2 %3 %4")
                   .arg(boards.indexOf(row.at("board")) + 1)
                   .arg(row.at("first_try"), row.at("result"), row.at("tried_again"));
    }
    return out.join(" | ").toStdString();
}

TEST_F(Boards, ABoardKeepsItsIdentityThroughAResetAdapterAndItsTriesAndTheNextOneIsNew)
{
    recipe("SN0008000-SN0008999");
    // COM21's adapter is reset in its first download and back a second later, with the
    // board still in its slot; once that board passed, it is pulled and another plugged.
    hangsUpOnce(21);
    bench_->at(90'000, [this] { bench_->pull(21); });
    bench_->at(95'000, [this] { bench_->board(21); });
    const auto watched =
        bench_->run(QStringList{"run", "--watch", "--recipe", "recipe.ini", "--json"} + ports(21, 1), 180'000);
    EXPECT_EQ(watched.status, 130) << watched.err.toStdString();

    // A command's port: its board hangs up, is waited for, and passes at its second try.
    hangsUpOnce(22);
    const auto retried = bench_->run(QStringList{"run", "--recipe", "recipe.ini", "--retry", "2"} + ports(22, 1));
    EXPECT_EQ(retried.status, 0) << retried.err.toStdString();

    const auto rows = report(journal());
    EXPECT_EQ(bringUpsOf(rows, "COM21"), "board1 failed failed 1 | board1 failed passed 0 | board2 passed passed 0");
    EXPECT_EQ(bringUpsOf(rows, "COM22"), "board1 failed failed 1 | board1 failed passed 0");
    for (const auto& row : rows) {
        if (row.at("port") == "COM22") {
            EXPECT_EQ(row.at("board"), rows.back().at("board")) << "every step of a board carries it";
        }
    }
}

} // namespace
