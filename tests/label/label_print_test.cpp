#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <set>

#include <gtest/gtest.h>

#include "label/label_printer.h"
#include "runner/label_request.h"
#include "tests/e2e/sim_process.h"
#include "tests/label/cups_server.h"
#include "tests/support/engine_rig.h"
#include "tests/support/files.h"
#include "tests/support/json_lines.h"
#include "tests/support/programs.h"

using namespace auxpad;

namespace {

CupsServer* cups = nullptr;

struct CupsEnvironment : ::testing::Environment {
    void SetUp() override { cups = new CupsServer; }
    void TearDown() override { delete cups; }
};
const auto* const kCups = ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

QByteArray run(const QString& program, const QStringList& arguments, int* status = nullptr,
               const QStringList& environment = {})
{
    QProcess p;
    startProgram(p, program, arguments, environment);
    p.waitForFinished(120000);
    if (status)
        *status = p.exitCode();
    return p.readAllStandardOutput() + p.readAllStandardError();
}

class LabelPrint : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cups->problem().isEmpty()) << cups->problem().toStdString();
        ASSERT_TRUE(journal.open(journalUrl()));
    }
    QString journalUrl() const { return "sqlite:" + dir.filePath("data/auxpad-flash/records.sqlite"); }
    QString file(const QString& name, const QByteArray& text) { return writeFile(dir.filePath(name), text.toStdString()); }
    // A line's recipe with `label` as its [label] section.
    QString recipe(const QByteArray& label)
    {
        file("disk.txt", "disk\n");
        file("data.txt", "data\n");
        return file("recipe.ini", QByteArray::fromStdString(recipeText("Line A", "disk\n", "data\n", "SN0000001-SN0000999"))
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
        auto queued = queueLabel(journal, r);
        label::LabelState state = label::Queued{};
        auto done = handLabel(journal, *queued, r.settings, state);
        EXPECT_TRUE(done) << done.error().toStdString();
        return *done;
    }

    QTemporaryDir dir;
    Journal journal;
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
    LabelPrinter printer(journalUrl(), request(cups->rawQueue(), "SN0000045").settings);
    QSignalSpy finished(&printer, &LabelPrinter::finished);
    printer.print(request(cups->rawQueue(), "SN0000045"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 60000));
    EXPECT_EQ(finished[0][0].value<LabelRecord>().state, "held");
    ASSERT_TRUE(cups->admin("cupsaccept", {cups->rawQueue()}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() >= 2; }, 60000));
    const auto last = journal.labels().last("SN0000045");
    EXPECT_EQ((*last)->state, "printed");
    EXPECT_EQ((*last)->attempts, 2);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return cups->jobsWaiting(cups->rawQueue()) == 0 && cups->rawDocuments().size() > before; }, 60000));
    EXPECT_EQ(cups->rawDocuments().size(), before + 1);
}

TEST_F(LabelPrint, ALabelLeftHandedIsReportedNotPrintedAgainUntilReprinted)
{
    const LabelRequest r = request(cups->rawQueue(), "SN0000046");
    const auto queued = queueLabel(journal, r);
    ASSERT_TRUE(journal.labels().markHanded(queued->id, 1)); // and then the process was killed
    const std::size_t before = cups->rawDocuments().size();
    const auto start = printHeld(journal, r.settings);
    ASSERT_TRUE(start);
    ASSERT_EQ(start->unsure.size(), 1u);
    EXPECT_EQ(start->unsure[0].serial, "SN0000046");
    EXPECT_TRUE(start->handed.empty());
    journal.close();

    const QStringList env{"XDG_DATA_HOME=" + dir.filePath("data")};
    int status = -1;
    const QByteArray held = run(AUXPAD_FLASH_EXE, {"label", "list", "--held"}, &status, env);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(held.contains("SN0000046") && held.contains("unsure")) << held.toStdString();
    const QByteArray out =
        run(AUXPAD_FLASH_EXE, {"label", "reprint", "SN0000046", "--reason", "smudged"}, &status, env);
    EXPECT_EQ(status, 0) << out.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cups->rawDocuments().size() > before; }, 60000));
    EXPECT_EQ(cups->rawDocuments().size(), before + 1);
    EXPECT_FALSE(run(AUXPAD_FLASH_EXE, {"label", "list", "--held"}, &status, env).contains("SN0000046"));
    EXPECT_TRUE(run(AUXPAD_FLASH_EXE, {"label", "list"}, &status, env).contains("reprint: smudged"));
}

TEST_F(LabelPrint, AWrongLabelSectionRefusesTheRecipeInOneLine)
{
    file("unknown.zpl", "^XA^FD{colour}^FS^XZ");
    const std::pair<QByteArray, const char*> wrong[] = {
        {"printer=p\nsize=50x25\ncolour=red\n", "colour is no key of a label"},
        {"printer=p\nsize=50\n", "is not WxH"},
        {"printer=p\nsize=50x25\ntemplate=none.zpl\n", "cannot be read"},
        {"printer=p\nsize=50x25\ntemplate=unknown.zpl\n", "{colour} is no placeholder"},
        {"printer=p\nsize=50x25\nsymbol_text={serial};{lot}\n", "{lot} is no placeholder"},
        {"size=50x25\n", "has no printer"},
        {"printer=p\nsize=50x25\ncopies=101\n", "copies 101 is not a number from 1 to 100"},
        {"printer=p\n[lable]\nsize=50x25\n", "line 16: [lable] is no section of a recipe (did you mean [label]?)"},
        {"printer=p\n[Recipes]\n", "[Recipes] is no section of a recipe (did you mean [recipe]?)"},
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
    int status = -1;
    const QByteArray out = run(AUXPAD_FLASH_EXE, {"label", "reprint", "SN0000001", "--reason", "r", "--recipe",
                                                  recipe("printer=p\nsize=50\n")},
                               &status, {"XDG_DATA_HOME=" + dir.filePath("data")});
    EXPECT_EQ(status, 2) << out.toStdString();
}

// A run of three boards on a recipe with a [label], the third storing its serial wrongly:
// the recipe with real download files, the boards, and what the run printed.
class LabelRun : public LabelPrint {
protected:
    void SetUp() override
    {
        LabelPrint::SetUp();
        QDir(dir.path()).mkpath("config");
        const std::string disk = downloadText(24), data = downloadText(48);
        file("disk.txt", QByteArray::fromStdString(disk));
        file("data.txt", QByteArray::fromStdString(data));
        // Each test's serials of their own: cups-pdf names a PDF by its label, and writes
        // a second label of the same serial over the first.
        static int tests = 0;
        const QByteArray first = QByteArray::number(7000 + 100 * tests++);
        const QByteArray serials = "SN000" + first + "-SN000" + first.left(2) + "99";
        recipePath = file("line.ini", QByteArray::fromStdString(recipeText("Line L", disk, data, serials.toStdString()))
                                          + "[label]\nprinter=" + cups->pdfQueue().toUtf8() + "\nsize=50x25\n");
    }
    QStringList environment() const
    {
        return {"XDG_CONFIG_HOME=" + dir.filePath("config"), "XDG_DATA_HOME=" + dir.filePath("data")};
    }
    // Runs the boards on COM<first>..., the last one storing its serial wrongly.
    QList<QJsonObject> runBoards(int first, int count, int* status)
    {
        std::vector<std::unique_ptr<SimProcess>> sims;
        QStringList arguments{"run", "--recipe", recipePath, "--json"};
        for (int i = 0; i < count; ++i) {
            QStringList options{"--quiet"};
            if (i == count - 1)
                options << "--misstore-serial";
            sims.push_back(std::make_unique<SimProcess>(dir.filePath("config"), first + i, options));
            arguments << "--port" << QString("COM%1").arg(first + i);
        }
        return JsonLines(run(AUXPAD_FLASH_EXE, arguments, status, environment())).events;
    }
    QStringList newPdfs(const QStringList& before, std::size_t count)
    {
        QDir out(cups->pdfFolder());
        // Once the queue has no job left, each has been written whole, and nothing more comes.
        const auto enough = [&] {
            return cups->jobsWaiting(cups->pdfQueue()) == 0
                && static_cast<std::size_t>(out.entryList({"*.pdf"}).size()) >= before.size() + count;
        };
        EXPECT_TRUE(QTest::qWaitFor(enough, 60000)) << "too few labels came out";
        QStringList fresh;
        for (const QString& name : out.entryList({"*.pdf"}))
            if (!before.contains(name))
                fresh << out.filePath(name);
        return fresh;
    }
    QString decoded(const QString& pdf)
    {
        const QString page = dir.filePath(QFileInfo(pdf).baseName());
        run("pdftoppm", {"-r", "300", "-png", "-singlefile", pdf, page});
        return QString::fromUtf8(run("dmtxread", {"-n", page + ".png"}).trimmed());
    }
    QString recipePath;
};

TEST_F(LabelRun, EachBoardThatPassesGetsOneLabelThatDecodesToTheSerialItHolds)
{
    const QStringList before = QDir(cups->pdfFolder()).entryList({"*.pdf"});
    int status = -1;
    const auto events = runBoards(61, 3, &status);
    EXPECT_EQ(status, 1) << "the board whose read-back differs failed";
    std::set<QString> passed;
    for (const QJsonObject& e : events)
        if (e["event"] == "result" && e["ok"].toBool())
            passed.insert(e["serial"].toString());
    ASSERT_EQ(passed.size(), 2u);
    const QStringList pdfs = newPdfs(before, 2);
    ASSERT_EQ(pdfs.size(), 2) << "exactly one label for each board that passed";
    std::set<QString> onLabels;
    for (const QString& pdf : pdfs)
        onLabels.insert(decoded(pdf));
    EXPECT_EQ(onLabels, passed);
    // Kept for the README's picture of a label.
    QDir().mkpath(QStringLiteral(AUXPAD_SCREENSHOT_DIR));
    QFile::remove(QStringLiteral(AUXPAD_SCREENSHOT_DIR "/label.pdf"));
    QFile::copy(pdfs.first(), QStringLiteral(AUXPAD_SCREENSHOT_DIR "/label.pdf"));
}

} // namespace
