#include "cli/label_command.h"

#include <QCommandLineParser>
#include <QDate>
#include <QSysInfo>

#include <cstdio>

#include "base/result_words.h"
#include "label/label_spool.h"
#include "records/record_reader.h"
#include "runner/bench_options.h"
#include "runner/pin_entry.h"
#include "runner/recipe.h"

namespace auxpad::cli {

namespace {

using auxpad::LabelRecord;
using auxpad::Journal;

int cannot(const QString& why)
{
    std::fprintf(stderr, "auxpad-flash label: %s\n", why.toLocal8Bit().constData());
    return 2;
}

// What waits for its printer goes first, laid out by the recipe it was queued with: a
// start is where a printer that came back gets its labels.
void printWaiting(Journal& journal)
{
    const auto waiting = journal.labels().list(auxpad::LabelTable::Which::Held);
    if (!waiting || waiting->empty())
        return;
    const auto recipe = auxpad::readRecipe(waiting->front().recipe);
    if (!recipe || !recipe->label) {
        std::fprintf(stderr, "auxpad-flash label: the labels held cannot be printed: %s\n",
                     qPrintable(recipe ? QStringLiteral("their recipe has no [label] any more") : recipe.error()));
        return;
    }
    const auto start = auxpad::printHeld(journal, *recipe->label);
    if (!start)
        std::fprintf(stderr, "auxpad-flash label: %s\n", qPrintable(start.error()));
}

int list(Journal& journal, bool held)
{
    const auto labels = journal.labels().list(held ? auxpad::LabelTable::Which::Held : auxpad::LabelTable::Which::All);
    if (!labels)
        return cannot(labels.error());
    std::printf("%-6s %-12s %-8s %-24s %-6s %-8s %-24s %s\n", "label", "serial", "state", "printer", "job", "attempts",
                "queued", "reason");
    for (const LabelRecord& l : *labels) {
        QString reason = l.reason;
        if (!l.reprintReason.isEmpty())
            reason = QStringLiteral("reprint: %1%2").arg(l.reprintReason, reason.isEmpty() ? "" : "; " + reason);
        std::printf("%-6lld %-12s %-8s %-24s %-6d %-8d %-24s %s\n", l.id, qPrintable(l.serial),
                    qPrintable(l.unsure ? "unsure" : l.state), qPrintable(l.printer), l.jobId, l.attempts,
                    qPrintable(l.queued), qPrintable(reason));
    }
    return 0;
}

// What the serial's label says: its last label's values, else those of the last record
// that wrote it, with the recipe's name, this station and today.
auxpad::Expected<auxpad::LabelValues, QString> valuesOf(Journal& journal, const QString& serial,
                                                        const std::optional<LabelRecord>& last,
                                                        const auxpad::Recipe& recipe)
{
    if (last)
        return auxpad::labelValues(*last);
    auxpad::RecordFilter filter;
    filter.serial = serial;
    filter.result = QLatin1String(auxpad::words::kPassed);
    // The journal's own records, read as a report reads them.
    auxpad::RecordReader reader;
    if (const auto opened = reader.open(journal.url(), auxpad::RecordReader::Opening::MustExist); !opened)
        return auxpad::unexpected(opened.error());
    const auto records = reader.find(filter);
    if (!records)
        return auxpad::unexpected(records.error());
    if (records->empty())
        return auxpad::unexpected(QStringLiteral("no passed board with serial %1 is on record here").arg(serial));
    const auxpad::JobRecord& r = records->back();
    return auxpad::LabelValues{{"serial", serial},        {"hardware", r.hardware},
                               {"mcusw", r.mcusw},        {"dspsw", r.dspsw},
                               {"code", r.code},          {"manufacture", r.manufacture},
                               {"recipe", recipe.name},   {"station", StoreUrls::stationName({})},
                               {"date", QDate::currentDate().toString(Qt::ISODate)}};
}

// What a reprint is asked with: the serial, why, the recipe named for it, who signs.
struct ReprintAsk {
    QString serial;
    QString reason;
    QString recipePath;
    QString signer;
};

// A reprint is an exception: signed as the station's rules (and the recipe's) ask.
Expected<void, QString> signReprint(Journal& journal, const ReprintAsk& ask, const auxpad::Recipe& recipe)
{
    const auto kept = journal.access().keptRules();
    if (!kept)
        return unexpected(kept.error());
    AccessEvent event;
    event.meaning = access::kReprint;
    event.reason = ask.reason;
    event.serial = ask.serial;
    return signException(journal, kept->strictest(recipe.access), ask.signer, QStringLiteral("label reprint"), {event},
                         pinOfSigner());
}

int reprint(Journal& journal, const ReprintAsk& ask)
{
    const QString& serial = ask.serial;
    const QString& reason = ask.reason;
    QString recipePath = ask.recipePath;
    const auto last = journal.labels().last(serial);
    if (!last)
        return cannot(last.error());
    if (recipePath.isEmpty() && *last)
        recipePath = (*last)->recipe;
    if (recipePath.isEmpty())
        return cannot(QStringLiteral("serial %1 has no label on record; which recipe? Give --recipe FILE").arg(serial));
    const auto recipe = auxpad::readRecipe(recipePath);
    if (!recipe)
        return cannot(recipe.error());
    if (!recipe->label)
        return cannot(QStringLiteral("the recipe %1 has no [label]").arg(recipePath));
    const auto values = valuesOf(journal, serial, *last, *recipe);
    if (!values)
        return cannot(values.error());
    if (const auto signedBy = signReprint(journal, ask, *recipe); !signedBy)
        return cannot(signedBy.error());
    // A label still waiting for the printer is replaced by this one, not printed as well.
    if (*last) {
        LabelRecord replaced = **last;
        auxpad::label::LabelState state = auxpad::labelState(replaced);
        if (auto marked = auxpad::moveLabel(journal, replaced, state, auxpad::label::Replaced{}); !marked)
            return cannot(marked.error());
    }
    const auto queued = auxpad::queueLabel(journal, {*recipe->label, recipePath, *values, {}, reason});
    if (!queued)
        return cannot(queued.error());
    auxpad::label::LabelState state = auxpad::label::Queued{};
    const auto done = auxpad::handLabel(journal, *queued, *recipe->label, state);
    if (!done)
        return cannot(done.error());
    if (done->state == "printed") {
        std::printf("label %lld of %s printed: job %d on %s\n", done->id, qPrintable(serial), done->jobId,
                    qPrintable(done->printer));
        return 0;
    }
    std::fprintf(stderr, "auxpad-flash label: label %lld of %s is %s: %s\n", done->id, qPrintable(serial),
                 qPrintable(done->state), qPrintable(done->reason));
    return 1;
}

} // namespace

int runLabel(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "list [--held]: the labels of this station's journal, or those not printed yet.\n"
        "reprint SERIAL --reason TEXT [--recipe FILE] [--signer BADGE]: the board's label once more, laid out as the "
        "recipe says (default: the recipe of its last label); signed with the badge and PIN of who allows it when "
        "the station's recipe asks for signatures. Exits 0 when printed, 1 when held or failed.");
    const auxpad::BenchOptions o;
    const QCommandLineOption held("held", "Only the labels not printed yet.");
    const QCommandLineOption reason("reason", "Why the label is printed again.", "TEXT");
    const QCommandLineOption recipe("recipe", "The line's recipe, with its [label].", "FILE");
    parser.addOptions({o.help, held, reason, recipe, o.signer, o.pin});
    parser.addPositionalArgument("list|reprint", "What to do.");
    const auto read = auxpad::readCommandLine(parser, arguments, o, "label");
    if (!read)
        return cannot(read.error());
    if (*read == auxpad::CommandLine::HelpShown)
        return 0;
    const QStringList what = parser.positionalArguments();
    const bool listing = what == QStringList{"list"};
    if (!listing && (what.size() != 2 || what[0] != "reprint"))
        return cannot("what to do? auxpad-flash label list [--held], or label reprint SERIAL --reason TEXT");
    if (!listing && parser.value(reason).trimmed().isEmpty())
        return cannot("a reprint needs its --reason");
    if (const QString refused = refusedPin(parser.isSet(o.pin)); !refused.isEmpty())
        return cannot(refused);
    Journal journal;
    if (const auto opened = journal.open(StoreUrls::journalUrl()); !opened)
        return cannot(opened.error());
    if (listing) {
        printWaiting(journal);
        return list(journal, parser.isSet(held));
    }
    return reprint(journal, {what[1], parser.value(reason).trimmed(), parser.value(recipe), parser.value(o.signer).trimmed()});
}

int listLabels()
{
    Journal journal;
    if (const auto opened = journal.open(StoreUrls::journalUrl(), Journal::Opening::MustExist); !opened)
        return cannot(opened.error());
    return list(journal, false);
}

} // namespace auxpad::cli
