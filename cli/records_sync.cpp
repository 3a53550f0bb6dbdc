#include "cli/records_sync.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

#include "records/line_roles.h"
#include "runner/bench_options.h"
#include "runner/pin_entry.h"

namespace auxpad::cli {

SyncOutcome syncJournal(const QString& lineUrl, const QString& station)
{
    SyncOutcome outcome;
    auxpad::Journal journal;
    // A station without a journal holds nothing; none is made for it here.
    if (const auto opened = journal.open(auxpad::StoreUrls::journalUrl(), auxpad::Journal::Opening::MustExist);
        !opened)
        return outcome;
    journal.setStation(station);
    if (const auto closed = journal.closeLeftovers(); !closed)
        outcome.problem = closed.error();
    if (const auto chained = journal.chainUnchained(); !chained)
        outcome.problem = chained.error();
    else
        outcome.chained = *chained;
    auxpad::LineDatabase line;
    if (const auto delivered = auxpad::deliverHeld(journal, line, lineUrl); delivered)
        outcome.count = *delivered;
    else
        outcome.problem = delivered.error();
    if (const auto held = journal.records().heldCount(auxpad::StoreUrls::shownUrl(lineUrl)); held)
        outcome.count.held = *held;
    else
        outcome.problem = held.error();
    if (auto refused = journal.leases().refusedStates(auxpad::StoreUrls::shownUrl(lineUrl)); refused)
        outcome.refused = std::move(*refused);
    else
        outcome.problem = refused.error();
    return outcome;
}

namespace {

// Sync's part for the sinks: what each still holds, said as the line's database's is.
int syncOnlySinks(const auxpad::SinkSettings& sinks, const QString& station, bool retryRefused)
{
    const SinkSync sync = syncSinks(sinks, station, retryRefused);
    bool held = false;
    for (const auto& [sink, count] : sync.held) {
        std::printf("%d results still held for %s\n", count, sink.toLocal8Bit().constData());
        held = held || count > 0;
    }
    if (!sync.problem.isEmpty())
        std::fprintf(stderr, "auxpad-flash records: %s\n", sync.problem.toLocal8Bit().constData());
    return held ? 1 : 0;
}

} // namespace

namespace {

// The options of `auxpad-flash records`, beside the bench's.
struct RecordsOptions {
    const auxpad::BenchOptions o{};
    const QCommandLineOption release{"release", "With lease: give the leased serial numbers back."};
    const QCommandLineOption journal{"journal",
                                     "With lease: the journal whose lease it is, by its identity or its first 8 "
                                     "characters or more. With audit: a journal's file to check, once per journal.",
                                     "ID|FILE"};
    const QCommandLineOption reason{"reason", "With lease --release --journal: why, on record in the line's database.",
                                    "TEXT"};
    const QCommandLineOption retryRefused{"retry-refused", "With sync: send the results a sink refused again."};
    const QCommandLineOption role{"role", "With grant: what the login may do: " + auxpad::lineRoleNames().join(", ") + ".",
                                  "ROLE"};
};

const char* const kRecordsHelp =
    "sync: delivers the records this station's journal holds for the line's database, which did not answer when "
    "they were written. Exits 0 when none is held any more, 1 when some still are.\n"
    "lease: lists the serial numbers the line's database leased to this station's journal; with --release, gives "
    "back those no board took. With --journal ID, those of another journal (report --serials names each "
    "number's); --release --journal ID --reason TEXT gives back every number leased to a journal that is gone, "
    "such as a station's before it was reinstalled, on record with the reason.\n"
    "deliveries: lists each sink (webhook, MQTT) of this station's journal with its delivered, held and refused "
    "results and the oldest held one's age; exits 1 when one holds or refused something. sync delivers to the "
    "sinks of flash.ini (or of --recipe FILE) too; --retry-refused sends the refused results again.\n"
    "grant NAME --role station|lead|viewer: makes NAME a login of the line's PostgreSQL database that may do what "
    "the role may and no more, making the line's schema first where it is missing: a station adds records and "
    "changes only the rows of the journals it delivers for, never deletes; a lead may also give leased numbers back "
    "and keep the list of people; a viewer only reads (serve, report). Run it as the database's owner.\n"
    "audit: checks the line's promises against its database and the journals given with --journal FILE: every "
    "passed board on record once, no job twice, every journal's records delivered, no serial on two boards, "
    "every leased number accounted for, one label per passed board and none for a failed one, no board short "
    "of a serial while its lease held numbers, and no record edited, deleted or put in out of its journal's "
    "chain (records-unaltered; with --journal the columns that differ are named). Exits 0 when each holds, 1 "
    "when one is broken, 2 when the stores cannot be read.";

int recordsCannot(const QString& why)
{
    std::fprintf(stderr, "auxpad-flash records: %s\n", why.toLocal8Bit().constData());
    return 2;
}

// Which options go with `what`: "" when they all do, else why not.
QString optionsMisfit(const QCommandLineParser& parser, const RecordsOptions& r, const QString& what)
{
    if (parser.isSet(r.role) != (what == "grant"))
        return what == "grant" ? QStringLiteral("grant needs --role ") + auxpad::lineRoleNames().join("|")
                               : QStringLiteral("--role goes with grant");
    for (const QCommandLineOption* syncOnly : {&r.retryRefused, &r.o.recipe})
        if (parser.isSet(*syncOnly) && what != "sync")
            return "--" + syncOnly->names().front() + " goes with sync";
    if (what == "deliveries")
        return {};
    for (const QCommandLineOption* leaseOnly : {&r.release, &r.reason})
        if (parser.isSet(*leaseOnly) && what != "lease")
            return "--" + leaseOnly->names().front() + " goes with lease";
    if (parser.isSet(r.journal) && what == "sync")
        return QStringLiteral("--journal goes with lease or audit");
    if (parser.isSet(r.o.json) && what != "audit")
        return QStringLiteral("--json goes with audit or deliveries");
    if (parser.isSet(r.journal) && parser.isSet(r.release) && parser.value(r.reason).trimmed().isEmpty())
        return "--release --journal gives back another journal's numbers: say why with --reason TEXT";
    if (parser.isSet(r.reason) && !(parser.isSet(r.journal) && parser.isSet(r.release)))
        return "--reason goes with --release --journal ID";
    return {};
}

// `records grant NAME --role ROLE`: the login, made or remade with what its role may do.
int runGrant(const QString& lineUrl, const QString& roleName, const QString& login)
{
    const auto role = auxpad::lineRoleNamed(roleName);
    if (!role)
        return recordsCannot("--role " + roleName + " is no role: give " + auxpad::lineRoleNames().join(", "));
    auxpad::LineDatabase line;
    if (const auto opened = line.open(lineUrl); !opened) // the line's schema, where it is missing
        return recordsCannot(opened.error());
    if (!line.postgres()) {
        std::printf("%s is a SQLite file, which has no logins: its file's permissions are its only guard. Give the "
                    "stations' user write access to it and everyone else none.\n",
                    auxpad::StoreUrls::shownUrl(lineUrl).toLocal8Bit().constData());
        return 0;
    }
    if (const auto granted = auxpad::grantLineRole(line, *role, login); !granted)
        return recordsCannot(granted.error());
    std::printf("%s may now do what a %s may in %s\n", login.toLocal8Bit().constData(),
                roleName.toLocal8Bit().constData(), auxpad::StoreUrls::shownUrl(lineUrl).toLocal8Bit().constData());
    return 0;
}

// `records sync`: what the journal holds goes to the line's database, and to the sinks.
int runSync(const QString& lineUrl, const QString& station, const auxpad::SinkSettings& sinks, bool retryRefused)
{
    const SyncOutcome sync = syncJournal(lineUrl, station);
    const QString shown = auxpad::StoreUrls::shownUrl(lineUrl);
    if (sync.chained > 0)
        std::printf("%d records and numbers written before this version were chained\n", sync.chained);
    std::printf("%d records delivered to %s; %d still held\n", sync.count.delivered, shown.toLocal8Bit().constData(),
                sync.count.held);
    auto say = [](const QString& text) {
        std::fprintf(stderr, "auxpad-flash records: %s\n", text.toLocal8Bit().constData());
    };
    if (!sync.count.namesakes.empty())
        say(auxpad::namesakeWarning(station, sync.count.namesakes));
    for (const auxpad::SerialRefusal& refusal : sync.refused)
        say(auxpad::doubledSerial(refusal));
    if (!sync.problem.isEmpty())
        say(sync.problem);
    const int sinksStatus = syncOnlySinks(sinks, station, retryRefused);
    if (sync.count.held > 0 || !sync.problem.isEmpty() || !sync.refused.empty())
        return 1;
    return sinksStatus;
}

} // namespace

int runRecords(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kRecordsHelp);
    const RecordsOptions r;
    parser.addOptions(
        {r.o.help, r.o.db, r.o.station, r.release, r.journal, r.reason, r.o.json, r.o.recipe, r.retryRefused, r.role});
    parser.addOptions({r.o.signer, r.o.pin});
    parser.addPositionalArgument("sync|lease|audit|deliveries|grant",
                                 "Deliver what is held, show or give back a lease, check the line's promises, or "
                                 "give a database login its role.");
    const auto read = auxpad::readCommandLine(parser, arguments, r.o, "records");
    if (!read)
        return recordsCannot(read.error());
    if (*read == auxpad::CommandLine::HelpShown)
        return 0;
    const QStringList whats = parser.positionalArguments();
    const QString what = whats.size() == 1 || (whats.size() == 2 && whats.front() == "grant") ? whats.front() : QString();
    if (whats.size() == 1 && whats.front() == "grant")
        return recordsCannot("grant to whom? auxpad-flash records grant NAME --role ROLE --db URL");
    if (!QStringList{"sync", "lease", "audit", "deliveries", "grant"}.contains(what))
        return recordsCannot("what to do? auxpad-flash records sync|lease|audit|deliveries|grant [--db URL]");
    if (const QString misfit = optionsMisfit(parser, r, what); !misfit.isEmpty())
        return recordsCannot(misfit);
    if (const QString refused = auxpad::refusedPin(parser.isSet(r.o.pin)); !refused.isEmpty())
        return recordsCannot(refused);
    if (parser.isSet(r.o.signer) && !(what == "lease" && parser.isSet(r.release)))
        return recordsCannot("--signer signs an exception: it goes with lease --release");
    if (what == "deliveries")
        return runDeliveries(parser.isSet(r.o.json));
    const QString lineUrl = auxpad::StoreUrls::lineUrl(parser.value(r.o.db));
    const QString station = auxpad::StoreUrls::stationName(parser.value(r.o.station));
    // Sync feeds the sinks as it feeds the line's database, and feeds them alone without one.
    auxpad::SinkSettings sinks;
    if (what == "sync") {
        auto read = stationSinks(parser.value(r.o.recipe), station);
        if (!read)
            return recordsCannot(read.error());
        sinks = std::move(*read);
    }
    if (lineUrl.isEmpty() && what == "sync" && !sinks.empty())
        return syncOnlySinks(sinks, station, parser.isSet(r.retryRefused));
    if (lineUrl.isEmpty())
        return recordsCannot("which line database? Give --db URL or set AUXPAD_FLASH_DB");
    if (const auto checked = auxpad::StoreUrls::checkUrl(lineUrl); !checked)
        return recordsCannot("--db: " + checked.error());
    if (what == "audit")
        return runAudit(lineUrl, parser.values(r.journal), parser.isSet(r.o.json));
    if (what == "grant")
        return runGrant(lineUrl, parser.value(r.role), whats.at(1));
    if (what == "lease")
        return runLease({lineUrl, station, parser.isSet(r.release), parser.value(r.journal), parser.value(r.reason).trimmed(),
                         parser.value(r.o.signer).trimmed()});
    return runSync(lineUrl, station, sinks, parser.isSet(r.retryRefused));
}

} // namespace auxpad::cli
