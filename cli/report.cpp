#include "cli/report.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QScopeGuard>

#include <algorithm>
#include <cstdio>

#include "base/one_line.h"
#include "cli/label_command.h"
#include "cli/records_sync.h"
#include "cli/report_forms.h"
#include "records/journal.h"
#include "records/record_reader.h"

namespace auxpad::cli {

void printOut(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

void printOut(const QString& text)
{
    printOut(text.toUtf8());
}

int reportCannot(const QString& why)
{
    std::fprintf(stderr, "auxpad-flash report: %s\n", why.toLocal8Bit().constData());
    return 2;
}

void addCsvField(QString& line, const QString& value)
{
    const bool plain = std::none_of(value.cbegin(), value.cend(), [](QChar c) {
        return c == u',' || c == u'"' || c == u'\n' || c == u'\r';
    });
    if (plain) {
        line += value;
        return;
    }
    QString quoted = value;
    quoted.replace('"', "\"\"");
    line += '"' + quoted + '"';
}

namespace {

using auxpad::JobRecord;

using Longest = std::map<QString, double>;

// The table's columns, in order (the CSV has them and more, as the records layer writes
// it): how each is read off a record, and how wide the table needs
// it, from the longest values the store has.
struct Column {
    const char* name;
    QString (*value)(const JobRecord&);
    qsizetype (*width)(const Longest&) = nullptr; // the stored text's, when not given
};

qsizetype digits(double value)
{
    return QString::number(static_cast<qlonglong>(value)).size();
}

qsizetype decimals(double value)
{
    return QString::number(value, 'f', 3).size();
}

QString fileField(const std::optional<JobRecord::File>& file, QString JobRecord::File::*field)
{
    return file ? (*file).*field : QString();
}

QString number(std::optional<double> value)
{
    return value ? QString::number(*value, 'f', 3) : QString();
}

const Column kColumns[] = {
    {"started", [](const JobRecord& r) { return r.started; }},
    {"finished", [](const JobRecord& r) { return r.finished; }},
    {"station", [](const JobRecord& r) { return r.station; }},
    {"port", [](const JobRecord& r) { return r.port; }},
    {"job", [](const JobRecord& r) { return r.job; }},
    {"result", [](const JobRecord& r) { return r.result; }},
    {"caption", [](const JobRecord& r) { return r.caption; }},
    {"serial", [](const JobRecord& r) { return r.serial; }},
    {"hardware", [](const JobRecord& r) { return r.hardware; }},
    {"mcusw", [](const JobRecord& r) { return r.mcusw; }},
    {"dspsw", [](const JobRecord& r) { return r.dspsw; }},
    {"code", [](const JobRecord& r) { return r.code; }},
    {"manufacture", [](const JobRecord& r) { return r.manufacture; }},
    {"disk_file", [](const JobRecord& r) { return fileField(r.disk, &JobRecord::File::path); }},
    {"disk_sha256", [](const JobRecord& r) { return fileField(r.disk, &JobRecord::File::sha256); }},
    {"data_file", [](const JobRecord& r) { return fileField(r.data, &JobRecord::File::path); }},
    {"data_sha256", [](const JobRecord& r) { return fileField(r.data, &JobRecord::File::sha256); }},
    {"blocks",
     [](const JobRecord& r) {
         if (!(r.disk && r.disk->blocks) && !(r.data && r.data->blocks))
             return QString();
         return QString::number((r.disk ? r.disk->blocks.value_or(0) : 0) + (r.data ? r.data->blocks.value_or(0) : 0));
     },
     [](const Longest& m) { return digits(m.at("disk_blocks") + m.at("data_blocks")); }},
    {"seconds", [](const JobRecord& r) { return number(r.seconds); }, [](const Longest& m) { return decimals(m.at("seconds")); }},
};

// Standard output a large piece at a time, through one buffer kept for the whole report:
// a buffer this size given back and taken anew is mapped afresh, page by page, each time.
class Output {
public:
    Output() { buffer_.reserve(kFlushAt + 4096); }
    ~Output() { flush(); }
    void add(const QString& text)
    {
        buffer_ += text.toUtf8();
        if (buffer_.size() > kFlushAt)
            flush();
    }
    void flush()
    {
        printOut(buffer_);
        buffer_.resize(0);
    }

private:
    static constexpr qsizetype kFlushAt = 1 << 18;
    QByteArray buffer_;
};

// The report's options, as its help lists them.
struct ReportOptions {
    QCommandLineOption help{{"h", "help"}, "Displays this help."};
    QCommandLineOption db{"db", auxpad::StoreUrls::kOptionHelp, "URL"};
    QCommandLineOption since{"since", "Only jobs started on or after DATE (YYYY-MM-DD, or an ISO 8601 time in UTC).",
                             "DATE"};
    QCommandLineOption until{"until", "Only jobs started before DATE (as --since).", "DATE"};
    QCommandLineOption station{"station", "Only jobs of the station NAME (its host name, unless named otherwise).",
                               "NAME"};
    QCommandLineOption job{"job", "Only jobs of KIND: " + auxpad::kJobKinds.join(", ") + "; or label, the labels.",
                           "KIND"};
    QCommandLineOption result{"result", "Only jobs with RESULT: " + auxpad::kJobResults.join(", ") + ".", "RESULT"};
    QCommandLineOption port{"port", "Only jobs on PORT, as it was given.", "PORT"};
    QCommandLineOption serial{"serial", "Only the board with serial number SN.", "SN"};
    QCommandLineOption operatorId{"operator", "Only jobs the operator ID ran.", "ID"};
    QCommandLineOption order{"order", "Only jobs of the work order or lot ID.", "ID"};
    QCommandLineOption summary{"summary", "Instead of the records: each station's boards, passed, failed, first "
                                          "pass, yield % and first-pass yield % per period, then the failed boards "
                                          "by step and cause. A board counts once: its last try, else its lone "
                                          "flash or prodinfo job; it passed first time when its first try did."};
    QCommandLineOption by{"by", "The summary's period: hour, day (the default) or week, from Monday; in UTC.",
                          "PERIOD", "day"};
    QCommandLineOption chart{"chart", "Paints each station's yield per period into FILE (.png or .svg) too; "
                                      "implies --summary.", "FILE"};
    QCommandLineOption csv{"csv", "CSV with a header row instead of a table."};
    QCommandLineOption json{"json", "The summary as one JSON document."};
    QCommandLineOption per{"per", "What the summary and the chart count each row of: the boards of each station "
                                  "(the default), slot (a station's port; one that fails more than its bench is "
                                  "marked), operator or order; or job: every job of each station, each step of a "
                                  "bring-up and each try on its own, as counted before boards were.",
                           "WHAT", "station"};
    QCommandLineOption serials{"serials", "Instead of the records: each number of RANGE (SN0001000-SN0001999) "
                                          "that was handed out, with its state (leased, reserved, written, not "
                                          "written) and station.", "RANGE"};
    QCommandLineOption overrides{"overrides", "Instead of the records: what was signed at the stations, oldest "
                                              "first: each exception (again, reuse, reprint, release) with its "
                                              "signer, reason and serial, each unlock of a locked window and each "
                                              "badge locked after wrong PINs. --since, --until and --station "
                                              "filter them; --json gives one JSON document."};

    void addTo(QCommandLineParser& parser) const
    {
        parser.addOptions({help, db, since, until, station, job, result, port, serial, summary, by, chart, csv, json});
        parser.addOptions({operatorId, order, per, serials, overrides});
    }
};

// What a summary was asked for with, once the options agree with each other.
struct SummaryChoice {
    auxpad::Period period;
    auxpad::Per per;
    Form form;
};

auxpad::Expected<SummaryChoice, QString> chooseSummary(const QCommandLineParser& parser, const ReportOptions& o)
{
    using auxpad::unexpected;
    const bool summing = parser.isSet(o.summary) || parser.isSet(o.chart);
    const auto period = auxpad::periodNamed(parser.value(o.by));
    if (!period)
        return unexpected("--by takes hour, day or week, not " + parser.value(o.by));
    if (parser.isSet(o.by) && !summing)
        return unexpected(QStringLiteral("--by goes with --summary or --chart"));
    const auto per = auxpad::perNamed(parser.value(o.per));
    if (!per)
        return unexpected("--per takes " + auxpad::perNames().join(", ") + ", not " + parser.value(o.per));
    if (parser.isSet(o.per) && !summing)
        return unexpected(QStringLiteral("--per goes with --summary or --chart"));
    if (parser.isSet(o.overrides) && (summing || parser.isSet(o.serials)))
        return unexpected(QStringLiteral("--overrides is a report of its own: give it without --summary, --chart and "
                                         "--serials"));
    if (parser.isSet(o.json) && !summing && !parser.isSet(o.overrides))
        return unexpected(QStringLiteral("--json goes with --summary or --overrides; the records themselves are a "
                                         "table or --csv"));
    if (parser.isSet(o.json) && parser.isSet(o.csv))
        return unexpected(QStringLiteral("--csv and --json are two forms of one summary: give one of them"));
    if (parser.isSet(o.chart) && !isChartFile(parser.value(o.chart)))
        return unexpected("--chart takes a .png or an .svg file, not " + parser.value(o.chart));
    return SummaryChoice{*period, *per, parser.isSet(o.csv) ? Form::Csv : parser.isSet(o.json) ? Form::Json : Form::Table};
}

// What this station holds for the line database goes there before the report reads it;
// without a line database, what a dead process left running is closed first.
SyncOutcome deliverFirst(const QString& lineUrl)
{
    if (!lineUrl.isEmpty())
        return syncJournal(lineUrl);
    if (auxpad::Journal journal; journal.open(auxpad::StoreUrls::journalUrl(), auxpad::Journal::Opening::MustExist)) {
        if (const auto closed = journal.closeLeftovers(); !closed) // the report reads the rest all the same
            std::fprintf(stderr, "auxpad-flash report: %s\n", closed.error().toLocal8Bit().constData());
    }
    return {};
}

void noteHeld(const SyncOutcome& sync, const QString& lineUrl)
{
    if (sync.count.held == 0)
        return;
    QString note = QStringLiteral("%1 records of this station are held for %2 and not in this report yet")
                       .arg(sync.count.held)
                       .arg(auxpad::StoreUrls::shownUrl(lineUrl));
    if (!sync.problem.isEmpty())
        note += ": " + sync.problem;
    std::fprintf(stderr, "auxpad-flash report: %s\n", note.toLocal8Bit().constData());
}

// The table: every column as wide as its widest value, which the store tells at once; a
// line break in a value shows as \n, so that each record stays on one line. The table has
// the columns up to the job's seconds: what a person at a terminal looks for; the CSV has
// them all.
int printTable(auxpad::RecordReader& store, const auxpad::RecordFilter& filter)
{
    Output out;
    auto shown = [](const QString& value) {
        return value.contains('\n') ? QString::fromStdString(auxpad::oneLine(value.toStdString())) : value;
    };
    const auto found = store.longest(filter);
    if (!found)
        return reportCannot(found.error());
    Longest longest = *found;
    // A station name two journals share is told apart by the journal's first characters.
    const auto shared = store.sharedStationNames();
    if (!shared)
        return reportCannot(shared.error());
    auto station = [&](const JobRecord& r) {
        return auxpad::StoreUrls::shownStation(r.station, r.journal, shared->count(r.station) > 0);
    };
    if (!shared->empty()) // as long as the journal's part makes it
        longest["station"] += auxpad::StoreUrls::shownStation({}, QString(64, 'x'), true).size();
    std::vector<qsizetype> widths;
    for (const Column& c : kColumns)
        widths.push_back(std::max<qsizetype>(qstrlen(c.name), c.width ? c.width(longest)
                                                                        : static_cast<qsizetype>(longest.at(c.name))));
    QString text;
    auto line = [&](auto&& field) {
        text.resize(0); // keeps its room from one line to the next
        for (std::size_t i = 0; i < widths.size(); ++i) {
            const QString value = field(i);
            text += value;
            text.resize(text.size() + std::max<qsizetype>(widths[i] + 2 - value.size(), 1), ' ');
        }
        while (text.endsWith(' '))
            text.chop(1);
        text += '\n';
        out.add(text);
    };
    line([&](std::size_t i) { return QString::fromLatin1(kColumns[i].name); });
    const auto read = store.visit(
        filter,
        [&](const JobRecord& r) {
            line([&](std::size_t i) { return shown(qstrcmp(kColumns[i].name, "station") == 0 ? station(r) : kColumns[i].value(r)); });
        },
        auxpad::RecordReader::Reading::TableColumns);
    return read ? 0 : reportCannot(read.error());
}

// Reads the records that pass the filter in the form the options ask for.
int report(const QCommandLineParser& parser, const ReportOptions& o, const auxpad::RecordFilter& filter,
           const SummaryChoice& choice)
{
    const QString lineUrl = auxpad::StoreUrls::lineUrl(parser.value(o.db));
    const SyncOutcome sync = deliverFirst(lineUrl);
    const auto said = qScopeGuard([&] { noteHeld(sync, lineUrl); }); // after the report, where it is seen

    auxpad::RecordReader store;
    const QString url = auxpad::StoreUrls::chooseUrl(parser.value(o.db));
    if (const auto opened = store.open(url, auxpad::RecordReader::Opening::MustExist); !opened)
        return reportCannot(opened.error());
    if (parser.isSet(o.serials))
        return runSerialStates(store, parser.value(o.serials), parser.isSet(o.csv));
    if (parser.isSet(o.overrides))
        return runOverrides(store, filter, choice.form);
    if (parser.isSet(o.summary) || parser.isSet(o.chart))
        return runSummary(store, filter, choice.period, choice.per, choice.form, parser.value(o.chart));
    if (parser.isSet(o.csv)) {
        const auto written = store.writeCsv(filter, [](const QByteArray& bytes) { printOut(bytes); });
        return written ? 0 : reportCannot(written.error());
    }
    return printTable(store, filter);
}

} // namespace

int runReport(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription("Lists the records of board jobs, oldest first: a table, or CSV with a header row;\n"
                                     "or sums them up, station by station and period by period. The filters combine.");
    const ReportOptions o;
    o.addTo(parser);
    QStringList args = arguments;
    args.removeAt(1);
    if (!parser.parse(args))
        return reportCannot(parser.errorText());
    if (parser.isSet(o.help)) {
        QString text = parser.helpText();
        text.replace(QCoreApplication::applicationName() + " [options]", QCoreApplication::applicationName() + " report [options]");
        printOut(text);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return reportCannot("unexpected argument " + parser.positionalArguments().first());
    // A label is no job of a board: the journal keeps them apart, as label list shows them.
    if (parser.value(o.job) == QLatin1String("label"))
        return listLabels();

    auxpad::RecordFilter filter{parser.value(o.since),  parser.value(o.until), parser.value(o.station),
                                parser.value(o.job),    parser.value(o.result), parser.value(o.port),
                                parser.value(o.serial), parser.value(o.operatorId), parser.value(o.order)};
    if (const auto normal = filter.normalize(); !normal)
        return reportCannot(normal.error());
    const auto choice = chooseSummary(parser, o);
    if (!choice)
        return reportCannot(choice.error());
    return report(parser, o, filter, *choice);
}

bool reportPaints(int argc, char** argv)
{
    for (int i = 2; i < argc; ++i)
        if (qstrcmp(argv[i], "--chart") == 0 || qstrncmp(argv[i], "--chart=", 8) == 0)
            return true;
    return false;
}

} // namespace auxpad::cli
