#include "cli/people_command.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>

#include "base/pin.h"
#include "records/journal.h"
#include "records/line_database.h"
#include "runner/bench_options.h"
#include "runner/pin_entry.h"

namespace auxpad::cli {

namespace {

const char* const kPeopleHelp =
    "The people who may sign in at a station and sign an exception, by the badge they scan, each with a name and "
    "a role: an operator runs boards; a technician and an engineer have a PIN and sign what a recipe's [access] "
    "asks of their role. The list is the line's database's (--db URL or AUXPAD_FLASH_DB), which a lead's login "
    "keeps; each station keeps a copy with every delivery, so that signatures work while the database is away. "
    "Without a line database it is this station's own.\n"
    "add BADGE --name NAME --role operator|technician|engineer: a technician's or engineer's PIN (4 to 12 digits) "
    "is asked for on the terminal, twice, or read from the file descriptor AUXPAD_FLASH_PIN_FD names; it is kept "
    "only as its Argon2id hash. A badge on the list already is refused: remove it first.\n"
    "remove BADGE; list [--json]: each person's badge, name, role, whether they have a PIN, and when they were "
    "added.";

int peopleCannot(const QString& why)
{
    std::fprintf(stderr, "auxpad-flash people: %s\n", why.toLocal8Bit().constData());
    return 2;
}

// The list's store: the line's database when one is named, else the station's journal.
struct PeopleStore {
    std::unique_ptr<StoreConnection> connection;
    PeopleTable* table = nullptr;
    QString shown;
};

Expected<PeopleStore, QString> openPeople(const QString& lineUrl)
{
    PeopleStore store;
    if (lineUrl.isEmpty()) {
        auto journal = std::make_unique<Journal>();
        if (auto opened = journal->open(StoreUrls::journalUrl()); !opened)
            return unexpected(opened.error());
        store.table = &journal->people();
        store.shown = QStringLiteral("this station's journal");
        store.connection = std::move(journal);
        return store;
    }
    if (const auto checked = StoreUrls::checkUrl(lineUrl); !checked)
        return unexpected("--db: " + checked.error());
    auto line = std::make_unique<LineDatabase>();
    if (auto opened = line->open(lineUrl); !opened)
        return unexpected(opened.error());
    store.table = &line->people();
    store.shown = StoreUrls::shownUrl(lineUrl);
    store.connection = std::move(line);
    return store;
}

int add(PeopleTable& table, const QString& shown, Person person)
{
    if (person.name.isEmpty())
        return peopleCannot("add needs the person's --name NAME");
    if (person.role != PersonRole::Operator) {
        // The badge is checked before the PIN is asked for, which would be typed for nothing.
        auto known = table.find(person.badge);
        if (!known)
            return peopleCannot(known.error());
        if (*known)
            return peopleCannot(QStringLiteral("badge %1 is on the list already, as %2 (%3)")
                                    .arg(person.badge, (*known)->name, QLatin1String(personRoleName((*known)->role))));
        auto pin = enterPin(QStringLiteral("PIN for %1 (%2)").arg(person.name, person.badge), PinAsk::Twice);
        if (!pin)
            return peopleCannot(pin.error());
        auto hash = hashPin(*pin);
        if (!hash)
            return peopleCannot(QString::fromStdString(hash.error()));
        person.pinHash = QString::fromStdString(*hash);
    }
    if (auto added = table.add(person); !added)
        return peopleCannot(added.error());
    std::printf("%s (%s) is on the list of %s as %s\n", person.name.toLocal8Bit().constData(),
                person.badge.toLocal8Bit().constData(), shown.toLocal8Bit().constData(), personRoleName(person.role));
    return 0;
}

int list(PeopleTable& table, bool json)
{
    auto people = table.list();
    if (!people)
        return peopleCannot(people.error());
    if (!json)
        std::printf("%-16s %-24s %-11s %-4s %s\n", "badge", "name", "role", "PIN", "added");
    for (const Person& p : *people) {
        if (json) {
            const QJsonObject line{{"badge", p.badge}, {"name", p.name}, {"role", personRoleName(p.role)},
                                   {"pin", !p.pinHash.isEmpty()}, {"added", p.changed}};
            std::printf("%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
        } else {
            std::printf("%-16s %-24s %-11s %-4s %s\n", p.badge.toLocal8Bit().constData(),
                        p.name.toLocal8Bit().constData(), personRoleName(p.role), p.pinHash.isEmpty() ? "no" : "yes",
                        p.changed.toLocal8Bit().constData());
        }
    }
    return 0;
}

} // namespace

int runPeople(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kPeopleHelp);
    const BenchOptions o;
    const QCommandLineOption name{"name", "With add: the person's name.", "NAME"};
    const QCommandLineOption role{"role", "With add: operator, technician or engineer.", "ROLE"};
    parser.addOptions({o.help, o.db, o.json, name, role, o.pin});
    parser.addPositionalArgument("add|remove|list", "What to do with the list.");
    const auto read = readCommandLine(parser, arguments, o, "people");
    if (!read)
        return peopleCannot(read.error());
    if (*read == CommandLine::HelpShown)
        return 0;
    if (const QString refused = refusedPin(parser.isSet(o.pin)); !refused.isEmpty())
        return peopleCannot(refused);
    const QStringList what = parser.positionalArguments();
    const QString verb = what.value(0);
    const bool badgeGiven = what.size() == 2 && !what[1].trimmed().isEmpty();
    if (!((verb == "list" && what.size() == 1) || ((verb == "add" || verb == "remove") && badgeGiven)))
        return peopleCannot("what to do? auxpad-flash people add BADGE --name NAME --role ROLE, people remove "
                            "BADGE, or people list [--json]");
    if ((parser.isSet(name) || parser.isSet(role)) && verb != "add")
        return peopleCannot("--name and --role go with add");
    if (parser.isSet(o.json) && verb != "list")
        return peopleCannot("--json goes with list");
    std::optional<PersonRole> given;
    if (verb == "add") {
        given = personRoleNamed(parser.value(role));
        if (!given)
            return peopleCannot(parser.isSet(role) ? "--role " + parser.value(role) + " is no role: give operator, "
                                                                                      "technician or engineer"
                                                   : QStringLiteral("add needs the person's --role operator|technician|engineer"));
    }
    auto store = openPeople(StoreUrls::lineUrl(parser.value(o.db)));
    if (!store)
        return peopleCannot(store.error());
    if (verb == "list")
        return list(*store->table, parser.isSet(o.json));
    const QString badge = what[1].trimmed();
    if (verb == "add")
        return add(*store->table, store->shown, {badge, parser.value(name).trimmed(), *given, {}, {}});
    auto removed = store->table->remove(badge);
    if (!removed)
        return peopleCannot(removed.error());
    if (!*removed)
        return peopleCannot("badge " + badge + " is not on the list of " + store->shown);
    std::printf("badge %s is off the list of %s\n", badge.toLocal8Bit().constData(),
                store->shown.toLocal8Bit().constData());
    return 0;
}

} // namespace auxpad::cli
