// Who may override at a station: the list of people a lead keeps, each PIN kept only as
// its hash; an exception signed with a badge of the right role and its PIN, checked
// before a byte goes to any board and on record in the chain; wrong PINs that lock a badge.
#include <QJsonArray>
#include <QJsonDocument>

#include <unistd.h>

#include "base/pin.h"
#include "tests/line/line_fixture.h"

namespace {

class Access : public OnSimulatedTime {
protected:
    void SetUp() override
    {
        OnSimulatedTime::SetUp();
        line_ = "sqlite:" + path("line.sqlite");
    }
    // The line's people: an engineer with PIN 4711, a technician with 2580, an operator.
    void people()
    {
        for (const auto& [badge, name, role, pin] :
             {std::tuple{"E1", "Eve Engineer", "engineer", "4711"}, std::tuple{"T1", "Tom Tech", "technician", "2580"},
              std::tuple{"O1", "Olga Operator", "operator", ""}}) {
            const auto added = tool({"people", "add", badge, "--name", name, "--role", role, "--db", line_}, {}, pin);
            ASSERT_EQ(added.status, 0) << added.err.toStdString();
        }
    }
    // A board on COM21 that passed with the signing recipe, its journal holding the people.
    void passedBoard()
    {
        recipe("SN0007000-SN0007999", "[access]\nsignatures=yes\n");
        bench_->board(21);
        const auto first = station("A", QStringList{"run", "--recipe", "recipe.ini", "--json", "--db", line_} + ports(21, 1));
        ASSERT_EQ(first.status, 0) << first.err.toStdString();
    }
    // The passed board brought up again, signed as `more` says, and `pin` typed on a pipe
    // whose reading end AUXPAD_FLASH_PIN_FD names, as a script gives it to a command; the
    // watch ends two minutes on.
    SimBench::Ran again(const QStringList& more, const QByteArray& pin = {})
    {
        int typed[2] = {-1, -1};
        if (!pin.isEmpty()) {
            const QByteArray line = pin + '\n';
            EXPECT_EQ(::pipe(typed), 0);
            EXPECT_EQ(::write(typed[1], line.constData(), static_cast<std::size_t>(line.size())), line.size());
            ::close(typed[1]);
            qputenv("AUXPAD_FLASH_PIN_FD", QByteArray::number(typed[0]));
        }
        const auto ran = bench_->run(QStringList{"run", "--recipe", "recipe.ini", "--watch", "--again", "--json", "--db",
                                                 line_, "--reason", "rework after a cold joint", "--station", "A"}
                                         + ports(21, 1) + more,
                                     120000, dataHome("A"));
        if (!pin.isEmpty()) {
            ::close(typed[0]);
            qunsetenv("AUXPAD_FLASH_PIN_FD");
        }
        return ran;
    }
    QString line_;
};

TEST_F(Access, ALeadKeepsTheListAndEachPinIsKeptOnlyAsItsHash)
{
    people();
    const auto listed = tool({"people", "list", "--json", "--db", line_});
    ASSERT_EQ(listed.status, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out.count('\n'), 3);
    EXPECT_FALSE(listed.out.contains("argon2")) << "the list shows whether there is a PIN, never its hash";
    EXPECT_TRUE(listed.out.contains("{\"added\":")) << listed.out.toStdString();

    std::map<QString, QString> hashes;
    for (const QStringList& row : peekRows(path("line.sqlite"), "SELECT badge, pin_hash FROM people"))
        hashes[row[0]] = row[1];
    EXPECT_TRUE(hashes["E1"].startsWith("$argon2id$")) << hashes["E1"].toStdString();
    EXPECT_TRUE(auxpad::pinMatches(hashes["E1"].toStdString(), "4711"));
    EXPECT_FALSE(auxpad::pinMatches(hashes["E1"].toStdString(), "4712"));
    EXPECT_TRUE(hashes["O1"].isEmpty()) << "an operator signs nothing and has no PIN";

    // Bad input changes nothing, and says why.
    const std::vector<std::pair<SimBench::Ran, QString>> refused = {
        {tool({"people", "add", "E1", "--name", "Eve Again", "--role", "operator", "--db", line_}),
         "badge E1 is on the list already, as Eve Engineer (engineer)"},
        {tool({"people", "add", "E2", "--name", "Ed", "--role", "engineer", "--pin", "1234", "--db", line_}),
         "--pin is refused: a PIN on the command line shows"},
        {tool({"people", "add", "E2", "--name", "Ed", "--role", "engineer", "--db", line_}, {}, {},
              {"AUXPAD_FLASH_PIN=1234"}),
         "AUXPAD_FLASH_PIN is refused"},
        {tool({"people", "add", "E2", "--name", "Ed", "--role", "engineer", "--db", line_}, {}, "12a4"),
         "a PIN is 4 to 12 digits"},
        {tool({"people", "add", "E2", "--name", "Ed", "--role", "boss", "--db", line_}), "--role boss is no role"},
    };
    for (const auto& [ran, why] : refused) {
        EXPECT_EQ(ran.status, 2) << why.toStdString();
        EXPECT_TRUE(ran.err.contains(why)) << ran.err.toStdString();
    }
    EXPECT_EQ(tool({"people", "list", "--json", "--db", line_}).out, listed.out);
    EXPECT_EQ(tool({"people", "remove", "O1", "--db", line_}).status, 0);
    EXPECT_EQ(tool({"people", "remove", "O1", "--db", line_}).status, 2);
}

TEST_F(Access, AnExceptionNeedsASignerOfTheRoleAndTheRightPinBeforeAByteGoesToTheBoard)
{
    people();
    passedBoard();
    auto& board = bench_->adapter(21);
    const std::size_t sent = board.bytesFromTool();
    const std::vector<std::tuple<QStringList, QByteArray, QString>> refused = {
        {{}, {}, "--again is an exception, and the recipe's [access] asks for a signature on each: give --signer BADGE"},
        {{"--signer", "O1"}, "1234", "Olga Operator (badge O1) is an operator and may not sign --again"},
        {{"--signer", "X9"}, "1234", "badge X9 is not on the list of people who may sign"},
        {{"--signer", "T1"}, "1111", "wrong PIN for badge T1 (1 of 5 wrong in a row lock it for 15 minutes)"},
        {{"--signer", "T1", "--pin", "2580"}, {}, "--pin is refused"},
    };
    for (const auto& [signer, pin, why] : refused) {
        const auto ran = again(signer, pin);
        EXPECT_EQ(ran.status, 2) << why.toStdString();
        EXPECT_TRUE(ran.err.contains(why)) << ran.err.toStdString();
        EXPECT_EQ(board.bytesFromTool(), sent) << "no byte went to the board: " << why.toStdString();
    }

    const auto signedRun = again({"--signer", "T1"}, "2580");
    EXPECT_EQ(signedRun.status, 130) << signedRun.err.toStdString();
    EXPECT_TRUE(JsonLines(signedRun.out).results["COM21"]["ok"].toBool()) << signedRun.out.toStdString();
    EXPECT_GT(board.bytesFromTool(), sent) << "the signed run brought the board up again";

    const auto overrides = tool({"report", "--overrides", "--json", "--db", line_});
    ASSERT_EQ(overrides.status, 0) << overrides.err.toStdString();
    const QJsonArray list = QJsonDocument::fromJson(overrides.out).object()["overrides"].toArray();
    ASSERT_EQ(list.size(), 1) << overrides.out.toStdString();
    for (const auto& [key, value] : {std::pair{"meaning", "again"}, std::pair{"signer", "T1"}, std::pair{"name", "Tom Tech"},
                                     std::pair{"reason", "rework after a cold joint"}, std::pair{"station", "A"},
                                     std::pair{"board", "COM21"}})
        EXPECT_EQ(list[0][key], value) << key;

    // The override is in the chain: edited at the line's database, the audit says so.
    EXPECT_EQ(tool({"records", "audit", "--db", line_}).status, 0);
    peekRows(path("line.sqlite"), "UPDATE access_events SET reason = 'routine'");
    const auto audit = tool({"records", "audit", "--db", line_});
    EXPECT_EQ(audit.status, 1);
    EXPECT_TRUE(audit.out.contains("records-unaltered") && audit.out.contains("again")) << audit.out.toStdString();
}

TEST_F(Access, TheStationKeepsItsRecipesRulesForWhatIsAskedWithoutARecipe)
{
    people();
    recipe("SN0007000-SN0007999", "[access]\nsignatures=yes\nsign_role=engineer\n");
    bench_->board(21);
    ASSERT_EQ(station("A", QStringList{"run", "--recipe", "recipe.ini", "--db", line_} + ports(21, 1)).status, 0);

    const QStringList release = {"records", "lease", "--release", "--station", "A", "--db", line_};
    // Unsigned, then signed by a technician, then by the engineer the recipe asks for.
    for (const auto& [signer, pin, status, says] :
         {std::tuple{QStringList{}, "", 2, "records lease --release is an exception"},
          std::tuple{QStringList{"--signer", "T1"}, "2580", 2, "may not sign"}, std::tuple{QStringList{"--signer", "E1"}, "4711", 0, ""}}) {
        const auto ran = tool(release + signer, "A", pin);
        EXPECT_EQ(ran.status, status) << ran.err.toStdString();
        EXPECT_TRUE(ran.err.contains(says)) << ran.err.toStdString();
    }
}

TEST_F(Access, FiveWrongPinsInARowLockTheBadgeForAQuarterOfAnHourOnRecord)
{
    people();
    passedBoard();
    for (int wrong = 1; wrong <= 5; ++wrong) {
        const auto ran = again({"--signer", "E1"}, "0000");
        EXPECT_EQ(ran.status, 2);
        EXPECT_TRUE(ran.err.contains(wrong < 5 ? QString("(%1 of 5 wrong in a row").arg(wrong)
                                               : QString("the 5th in a row: the badge is locked until")))
            << ran.err.toStdString();
    }
    const auto locked = again({"--signer", "E1"}, "4711");
    EXPECT_EQ(locked.status, 2);
    EXPECT_TRUE(locked.err.contains("badge E1 is locked until")) << "the right PIN waits too: " << locked.err.toStdString();
    bench_->clock.runUntil([] { return false; }, 15 * 60 * 1000 + 1000);
    const auto signsAgain = again({"--signer", "E1"}, "4711");
    EXPECT_EQ(signsAgain.status, 130) << "a quarter of an hour on, the badge signs again: " << signsAgain.err.toStdString();
    const auto overrides = tool({"report", "--overrides", "--db", line_});
    EXPECT_TRUE(overrides.out.contains("lockout") && overrides.out.contains("5 wrong PINs in a row"))
        << overrides.out.toStdString();
}

TEST_F(Access, AnUnknownKeyOfAccessStopsTheRunByItsName)
{
    recipe("SN0007000-SN0007999", "[access]\nsignature=yes\n");
    bench_->board(21);
    const auto ran = station("A", QStringList{"run", "--recipe", "recipe.ini"} + ports(21, 1));
    EXPECT_EQ(ran.status, 2);
    EXPECT_TRUE(ran.err.contains("signature is no key of [access]; it has lock, unlock_role, unlock_minutes, "
                                 "signatures, sign_role, people"))
        << ran.err.toStdString();
    EXPECT_EQ(bench_->adapter(21).bytesFromTool(), 0u);
}

} // namespace
