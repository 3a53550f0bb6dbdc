// A bench's labels on simulated time: one for each board that passes, held while the
// printer refuses them, and printed once when it takes them again.
#include <set>

#include "records/journal.h"
#include "records/record_reader.h"
#include "tests/line/line_fixture.h"

namespace {

using Labels = OnSimulatedTime;

TEST_F(Labels, APrinterAwayHoldsTheLabelsAndTheBoardsPassAllTheSame)
{
    write("line.ini", recipeText("Line L", downloadText(60), downloadText(120), "SN0007000-SN0007099")
                          + "[label]\nprinter=bench-queue\nsize=50x25\n");
    const QStringList run = {"run", "--recipe", "line.ini", "--json"};
    bench_->printer.refuse(0, 3600 * 1000); // out of labels for the first hour
    bench_->board(64);
    bench_->board(65);
    const auto away = bench_->run(run + ports(64, 2));
    EXPECT_EQ(away.status, 0) << away.err.toStdString();
    const JsonLines said(away.out);
    EXPECT_EQ(said.summary["labels_held"].toInt(), 2) << away.out.toStdString();
    EXPECT_EQ(bench_->printer.printed(), 0);

    // The next start, the printer back: what was held goes first, then the new board's.
    bench_->clock.runUntil([] { return false; }, 3600 * 1000);
    bench_->board(66, {"--misstore-serial"}); // fails: no label
    bench_->board(67);
    const auto back = bench_->run(run + ports(66, 2));
    EXPECT_EQ(back.status, 1);
    EXPECT_EQ(JsonLines(back.out).summary["labels_held"].toInt(), 0) << back.out.toStdString();
    EXPECT_EQ(bench_->printer.printed(), 3) << "each passed board's label once";

    auxpad::Journal journal;
    ASSERT_TRUE(journal.open(this->journal()));
    auxpad::RecordReader records;
    ASSERT_TRUE(records.open(this->journal()));
    std::map<QString, QString> passedBy; // each serial's bring-up that passed
    for (const auxpad::JobRecord& r : records.find({}).value())
        if (r.job == "run" && r.result == "passed")
            passedBy[r.serial] = r.uuid;
    std::set<QString> printed;
    for (const auxpad::LabelRecord& label : journal.labels().list(auxpad::LabelTable::Which::All).value()) {
        EXPECT_EQ(label.state, "printed") << label.serial.toStdString();
        EXPECT_TRUE(printed.insert(label.serial).second) << label.serial.toStdString();
        // Read back, a label says what asked for it and how it is laid out and printed.
        EXPECT_EQ(label.bringUp, passedBy[label.serial]);
        EXPECT_TRUE(label.data.contains(label.serial)) << label.data.toStdString();
        EXPECT_EQ(label.recipe + " " + label.printer, "line.ini bench-queue");
    }
    EXPECT_EQ(printed.size(), 3u);
}

} // namespace
