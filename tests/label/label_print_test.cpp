#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <set>

#include <gtest/gtest.h>

#include "label/label_printer.h"
#include "label/printer_send.h"
#include "runner/label_request.h"
#include "tests/label/cups_server.h"
#include "tests/records/records_fixture.h"

using namespace auxpad;

namespace {

CupsServer* cups = nullptr;

struct CupsEnvironment : ::testing::Environment {
    void SetUp() override { cups = new CupsServer; }
    void TearDown() override { delete cups; }
};
const auto* const kCups = ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

// What `command` printed, run to its end.
QByteArray output(const QStringList& command)
{
    QProcess p;
    p.start(command.first(), command.mid(1));
    p.waitForFinished(120000);
    return p.readAllStandardOutput();
}

class LabelPrint : public StationTool {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cups->problem().isEmpty()) << cups->problem().toStdString();
        StationTool::SetUp();
        ASSERT_TRUE(store.open(journal()));
    }
    QString file(const QString& name, const QByteArray& text) { return writeFile(dir_.filePath(name), text.toStdString()); }
    // A line's recipe with `label` as its [label] section, for download files a board takes.
    QString recipe(const QByteArray& label)
    {
        const std::string disk = downloadText(24), data = downloadText(48);
        file("disk.txt", QByteArray::fromStdString(disk));
        file("data.txt", QByteArray::fromStdString(data));
        return file("recipe.ini", QByteArray::fromStdString(recipeText("Line A", disk, data, "SN0000001-SN0000999"))
                                      + "[label]\n" + label);
    }
    LabelRequest request(const QString& printer, const QString& serial, const QByteArray& extra = {})
    {
        const auto read = readRecipe(recipe("printer=" + printer.toUtf8() + "\nsize=50x25\n" + extra));
        EXPECT_TRUE(read) << read.error().toStdString();
        ProductFields written = read->values;
        written[at(ProductField::Serial)] = serial.toStdString();
        return *labelRequest(*read, written, "bring-up-1", QDate(2026, 12, 7), "bench-1", "Ann");
    }
    LabelRecord print(const LabelRequest& r)
    {
        auto queued = queueLabel(store, r);
        label::LabelState state = label::Queued{};
        auto done = handLabel(store, *queued, r.settings, state);
        EXPECT_TRUE(done) << done.error().toStdString();
        return *done;
    }

    Journal store;
};

TEST_F(LabelPrint, AZplTemplateGoesRawWithItsFieldsFilled)
{
    file("serial.zpl", "^XA^FO20,20^FD{serial}^FS^FO20,60^FD{hardware}/{order}/{operator}^FS^XZ\n");
    const LabelRecord done = print(request(cups->rawUri(), "SN0000043", "template=serial.zpl\ncopies=1\n"));
    EXPECT_EQ(done.state.toStdString(), "printed") << done.reason.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cups->rawDocuments().empty(); }, 60000));
    EXPECT_EQ(cups->rawDocuments().back(), "^XA^FO20,20^FDSN0000043^FS^FO20,60^FD0102//Ann^FS^XZ\n");

    // A value that a ZPL printer would take as a command never reaches it.
    const LabelRecord refused = print(request(cups->rawUri(), "SN^XZ0044", "template=serial.zpl\n"));
    EXPECT_EQ(refused.state, "failed");
    EXPECT_EQ(refused.attempts, 0);
}

TEST_F(LabelPrint, AQueueThatRefusesHoldsTheLabelUntilItTakesItOnce)
{
    const std::size_t before = cups->rawDocuments().size();
    ASSERT_TRUE(cups->admin("cupsreject", {cups->rawQueue()}));
    // A queue that refuses may take the label later; one that is not there never will.
    const LabelDocument blank{"^XA^XZ", kRawFormat};
    for (const auto& [queue, lasting] : {std::pair{cups->rawQueue(), false}, std::pair{QString("no-such-queue"), true}}) {
        const auto sent = sendToPrinter(queue, blank, 1, "t");
        ASSERT_FALSE(sent) << queue.toStdString();
        EXPECT_EQ(sent.error().lasting, lasting) << sent.error().why.toStdString();
    }
    LabelPrinter printer(journal(), request(cups->rawQueue(), "SN0000045").settings);
    QSignalSpy finished(&printer, &LabelPrinter::finished);
    printer.print(request(cups->rawQueue(), "SN0000045"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 60000));
    EXPECT_EQ(finished[0][0].value<LabelRecord>().state, "held");
    ASSERT_TRUE(cups->admin("cupsaccept", {cups->rawQueue()}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() >= 2; }, 60000));
    const auto last = store.labels().last("SN0000045");
    EXPECT_EQ((*last)->state, "printed");
    EXPECT_EQ((*last)->attempts, 2);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return cups->jobsWaiting(cups->rawQueue()) == 0 && cups->rawDocuments().size() > before; }, 60000));
    EXPECT_EQ(cups->rawDocuments().size(), before + 1);
}

TEST_F(LabelPrint, ALabelLeftHandedIsReportedNotPrintedAgainUntilReprinted)
{
    const LabelRequest r = request(cups->rawQueue(), "SN0000046");
    const auto queued = queueLabel(store, r);
    ASSERT_TRUE(store.labels().markHanded(queued->id, 1)); // and then the process was killed
    const std::size_t before = cups->rawDocuments().size();
    const auto start = printHeld(store, r.settings);
    ASSERT_TRUE(start);
    ASSERT_EQ(start->unsure.size(), 1u);
    EXPECT_EQ(start->unsure[0].serial, "SN0000046");
    EXPECT_TRUE(start->handed.empty());
    store.close();

    const Ran held = run({"label", "list", "--held"});
    EXPECT_EQ(held.status, 0);
    EXPECT_TRUE(held.out.contains("SN0000046") && held.out.contains("unsure")) << held.out.toStdString();
    const Ran reprinted = run({"label", "reprint", "SN0000046", "--reason", "smudged"});
    EXPECT_EQ(reprinted.status, 0) << reprinted.err.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cups->rawDocuments().size() > before; }, 60000));
    EXPECT_EQ(cups->rawDocuments().size(), before + 1);
    EXPECT_FALSE(run({"label", "list", "--held"}).out.contains("SN0000046"));
    EXPECT_TRUE(run({"label", "list"}).out.contains("reprint: smudged"));
}

TEST_F(LabelPrint, AWrongLabelSectionRefusesTheRecipeInOneLine)
{
    file("unknown.zpl", "^XA^FD{colour}^FS^XZ");
    const std::pair<QByteArray, const char*> wrong[] = {
        {"printer=p\nsize=50x25\ncolour=red\n", "colour is no key of a label"},
        {"printer=p\nsize=50\n", "is not WxH"},
        {"printer=p\nsize=0x25\n", "is not WxH"},
        {"printer=p\nsize=50x0.0\n", "is not WxH"},
        {"printer=p\nsize=50x25\ntemplate=none.zpl\n", "cannot be read"},
        {"printer=p\nsize=50x25\ntemplate=unknown.zpl\n", "{colour} is no placeholder"},
        {"printer=p\nsize=50x25\nsymbol_text={serial};{lot}\n", "{lot} is no placeholder"},
        {"size=50x25\n", "has no printer"},
        {"printer=p\nsize=50x25\ncopies=101\n", "copies 101 is not a number from 1 to 100"},
        {"printer=p\n[lable]\nsize=50x25\n", "line 16: [lable] is no section of a recipe (did you mean [label]?)"},
        {"printer=p\n[Recipes]\n", "[Recipes] is no section of a recipe (did you mean [recipe]?)"},
        {"printer=p\n[stakc_ligth]\n", "(did you mean [stack_light]?)"}, // two pairs of letters swapped
        {"printer=p\n[pallet]\n", "[pallet] is no section of a recipe; it has [recipe], [label], [stack_light], [webhook], [mqtt] and [access]"},
    };
    for (const auto& [section, why] : wrong) {
        const auto read = readRecipe(recipe(section));
        ASSERT_FALSE(read) << section.toStdString();
        EXPECT_TRUE(read.error().contains(why) && !read.error().contains('\n')) << read.error().toStdString();
    }
    const auto most = readRecipe(recipe("printer=p\nsize=50x25\ncopies=100\n"));
    ASSERT_TRUE(most) << most.error().toStdString();
    EXPECT_EQ(most->label->copies, 100);
    EXPECT_EQ(run({"label", "reprint", "SN0000001", "--reason", "r", "--recipe", recipe("printer=p\nsize=50\n")}).status, 2);
}

// A run of three boards on a recipe with a [label], the third storing its serial wrongly:
// each board that passed gets one label, which decodes to the serial the board holds.
using LabelRun = LabelPrint;

TEST_F(LabelRun, EachBoardThatPassesGetsOneLabelThatDecodesToTheSerialItHolds)
{
    boards(2);
    boards(1, {"--quiet", "--misstore-serial"});
    const QDir out(cups->pdfFolder());
    const QStringList before = out.entryList({"*.pdf"});
    const Ran ran =
        run(QStringList{"run", "--json", "--recipe", recipe("printer=" + cups->pdfQueue().toUtf8() + "\nsize=50x25\n")}
            + ports(0, 3));
    EXPECT_EQ(ran.status, 1) << "the board whose read-back differs failed";
    std::set<QString> passed;
    for (const auto& [port, result] : JsonLines(ran.out).results)
        if (result["ok"].toBool())
            passed.insert(result["serial"].toString());
    ASSERT_EQ(passed.size(), 2u);
    // Once the queue has no job left, each label has been written whole, and nothing more comes.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return cups->jobsWaiting(cups->pdfQueue()) == 0 && out.entryList({"*.pdf"}).size() >= before.size() + 2; },
        60000))
        << "too few labels came out";
    QStringList pdfs;
    std::set<QString> onLabels;
    for (const QString& name : out.entryList({"*.pdf"})) {
        if (before.contains(name))
            continue;
        pdfs << out.filePath(name);
        const QString page = dir_.filePath(QFileInfo(name).baseName());
        output({"pdftoppm", "-r", "300", "-png", "-singlefile", pdfs.back(), page});
        onLabels.insert(QString::fromUtf8(output({"dmtxread", "-n", page + ".png"}).trimmed()));
    }
    ASSERT_EQ(pdfs.size(), 2) << "exactly one label for each board that passed";
    EXPECT_EQ(onLabels, passed);
    // Kept for the README's picture of a label.
    QDir().mkpath(QStringLiteral(AUXPAD_SCREENSHOT_DIR));
    QFile::remove(QStringLiteral(AUXPAD_SCREENSHOT_DIR "/label.pdf"));
    QFile::copy(pdfs.first(), QStringLiteral(AUXPAD_SCREENSHOT_DIR "/label.pdf"));
}

} // namespace
