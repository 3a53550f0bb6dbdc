#include "label/label_machine.h"
#include "label/label_spool.h"

#include <gtest/gtest.h>

using namespace auxpad::label;
using auxpad::Millis;

TEST(LabelMachine, HandedThenTakenIsPrintedWithTheJob)
{
    LabelState s = move(Queued{}, Hand{});
    ASSERT_TRUE(std::holds_alternative<Handed>(s));
    EXPECT_EQ(std::get<Handed>(s).attempts, 1);
    s = move(s, Taken{17});
    ASSERT_TRUE(std::holds_alternative<Printed>(s));
    EXPECT_EQ(std::get<Printed>(s).jobId, 17);
    EXPECT_STREQ(stateName(s), "printed");
    // Nothing but a reprint moves a printed label.
    for (const LabelEvent& e : {LabelEvent{Hand{}}, {Refused{"x"}}, {PrinterBack{}}, {Restarted{}}, {Waits{"x"}}})
        EXPECT_TRUE(std::holds_alternative<Printed>(move(s, e)));
}

TEST(LabelMachine, APrinterThatRefusesIsTriedAgainWithOneLabelAfterPausesThatDoubleToAMinute)
{
    PrinterState printer = PrinterTaking{};
    Millis now = 1000;
    std::vector<Millis> pauses;
    for (int i = 0; i < 9; ++i) {
        printer = movePrinter(printer, Refused{"not accepting jobs"}, now);
        ASSERT_TRUE(std::holds_alternative<PrinterAway>(printer));
        EXPECT_EQ(std::get<PrinterAway>(printer).reason, "not accepting jobs");
        pauses.push_back(*printerDue(printer) - now);
        now = *printerDue(printer);
    }
    EXPECT_EQ(pauses, (std::vector<Millis>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
    printer = movePrinter(printer, Taken{3}, now);
    EXPECT_TRUE(std::holds_alternative<PrinterTaking>(printer));
    EXPECT_EQ(*printerDue(movePrinter(printer, Refused{"away"}, now)), now + 1000) << "a printer back starts over";
    // A label refused waits held, and goes again once its printer's pause is over.
    LabelState s = move(move(Queued{}, Hand{}), Refused{"away"});
    ASSERT_TRUE(std::holds_alternative<Held>(s));
    EXPECT_FALSE(mayHand(s));
    EXPECT_TRUE(mayHand(move(s, PrinterBack{})));
    EXPECT_EQ(std::get<Queued>(move(s, PrinterBack{})).attempts, 1);
    // One that finds its printer away waits held without a hand.
    const LabelState waits = move(Queued{}, Waits{"away"});
    EXPECT_EQ(std::get<Held>(waits).attempts, 0);
    EXPECT_EQ(reasonOf(waits), "away");
}

TEST(LabelMachine, APrinterThatCanNeverWorkIsNotTriedAgainUntilAStart)
{
    const PrinterState printer = movePrinter(PrinterTaking{}, Refused{"no such queue", true}, 0);
    ASSERT_TRUE(std::holds_alternative<PrinterUnusable>(printer));
    EXPECT_FALSE(printerDue(printer)) << "never at a rate for ever";
    EXPECT_TRUE(std::holds_alternative<PrinterUnusable>(movePrinter(printer, Refused{"away"}, 5)));
    EXPECT_TRUE(std::holds_alternative<PrinterTaking>(movePrinter(printer, Restarted{}, 9)));
    EXPECT_TRUE(std::get<Held>(move(Handed{1}, Refused{"no such queue", true})).lasting);
}

TEST(LabelMachine, AStartThatFindsItHandedLeavesItUnsureUntilAReprint)
{
    LabelState s = move(Handed{1}, Restarted{});
    ASSERT_TRUE(std::holds_alternative<Queued>(s));
    EXPECT_TRUE(std::get<Queued>(s).unsure);
    EXPECT_FALSE(mayHand(s));
    EXPECT_TRUE(std::holds_alternative<Queued>(move(s, Hand{}))); // not handed again unasked
    EXPECT_TRUE(mayHand(move(s, Reprint{})));
    EXPECT_EQ(reasonOf(move(s, Replaced{})), "replaced by a reprint");
    // A held label a start finds goes at once.
    EXPECT_TRUE(mayHand(move(Held{2, "away", false}, Restarted{})));
}

TEST(LabelMachine, ALabelThatCannotBeMadeFailsAndOnlyAReprintRetries)
{
    LabelState s = move(Queued{}, Broken{"the symbol cannot encode it"});
    ASSERT_TRUE(std::holds_alternative<Failed>(s));
    EXPECT_EQ(std::get<Failed>(s).reason, "the symbol cannot encode it");
    EXPECT_TRUE(std::holds_alternative<Failed>(move(s, PrinterBack{})));
    EXPECT_TRUE(mayHand(move(s, Reprint{})));
}

TEST(LabelMachine, ALabelInTheJournalIsTakenUpInTheStateItWasLeftIn)
{
    auxpad::LabelRecord left; // queued by a run that ended before it was handed over
    left.state = "queued";
    EXPECT_TRUE(std::holds_alternative<Queued>(auxpad::labelState(left)));
    left.state = "failed";
    EXPECT_TRUE(std::holds_alternative<Failed>(auxpad::labelState(left)));
}
