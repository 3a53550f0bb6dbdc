#include "shift/shift_plan.h"

#include <QCommandLineParser>
#include <QFile>

#include <cstdio>
#include <random>

#include "runner/bench_options.h"

namespace auxpad::shift {

namespace {

constexpr std::pair<Fault::Kind, const char*> kFaultNames[] = {
    {Fault::Kind::DatabaseAway, "database-away"},   {Fault::Kind::PrinterRefuses, "printer-refuses"},
    {Fault::Kind::StationKilled, "station-killed"}, {Fault::Kind::AdapterRenamed, "adapter-renamed"},
    {Fault::Kind::ClonedJournal, "cloned-journal"}, {Fault::Kind::SlotFlaky, "slot-flaky"},
};

constexpr qint64 kMinute = 60 * 1000;

// "HH:MM:SS" as milliseconds into the shift.
std::optional<qint64> shiftTime(const QString& text)
{
    const QStringList parts = text.split(':');
    if (parts.size() != 3)
        return std::nullopt;
    qint64 ms = 0;
    for (const QString& part : parts) {
        bool number = false;
        const int value = part.toInt(&number);
        if (!number || value < 0 || (ms > 0 && value >= 60))
            return std::nullopt;
        ms = ms * 60 + value;
    }
    return ms * 1000;
}

} // namespace

const char* faultName(Fault::Kind kind)
{
    for (const auto& [k, name] : kFaultNames)
        if (k == kind)
            return name;
    return "?";
}

std::vector<Fault> defaultFaults(const ShiftPlan& plan)
{
    const auto shift = static_cast<qint64>(plan.hours * 3600 * 1000);
    std::mt19937_64 dice(plan.seed ^ 0x5eedfa17u);
    // Somewhere in [from, to) of the shift, leaving room for `lasting` before its end.
    auto at = [&](double from, double to, qint64 lasting) {
        const qint64 first = static_cast<qint64>(from * static_cast<double>(shift));
        const qint64 last = std::max(first, std::min(static_cast<qint64>(to * static_cast<double>(shift)), shift - lasting));
        return std::uniform_int_distribution<qint64>(first, last)(dice) / 1000 * 1000;
    };
    auto station = [&] { return std::uniform_int_distribution<int>(0, plan.stations - 1)(dice); };
    std::vector<Fault> faults;
    faults.push_back({Fault::Kind::DatabaseAway, at(0.05, 0.35, 10 * kMinute), 10 * kMinute, 0, 0});
    faults.push_back({Fault::Kind::DatabaseAway, at(0.55, 0.8, 10 * kMinute), 10 * kMinute, 0, 0});
    faults.push_back({Fault::Kind::PrinterRefuses, at(0.35, 0.55, 20 * kMinute), 20 * kMinute, 0, 0});
    faults.push_back({Fault::Kind::StationKilled, at(0.2, 0.7, kMinute), kMinute, station(), 0});
    faults.push_back({Fault::Kind::AdapterRenamed, at(0.1, 0.9, 0), 0, station(),
                      std::uniform_int_distribution<int>(0, plan.slotsEach - 1)(dice)});
    faults.push_back({Fault::Kind::ClonedJournal, at(0.3, 0.9, 30 * kMinute), std::min(30 * kMinute, shift / 4),
                      station(), 0});
    std::stable_sort(faults.begin(), faults.end(), [](const Fault& a, const Fault& b) { return a.atMs < b.atMs; });
    return faults;
}

namespace {

// One value of a fault's line into the fault, or why it will not do.
Expected<void, QString> readFaultValue(Fault& fault, const QString& key, const QString& value, const ShiftPlan& plan,
                                       bool& timed)
{
    bool number = true;
    if (key == QLatin1String("at")) {
        const auto ms = shiftTime(value);
        if (!ms)
            return unexpected("at=" + value + " is not HH:MM:SS");
        fault.atMs = *ms;
        timed = true;
    } else if (key == QLatin1String("for")) {
        fault.forMs = static_cast<qint64>(value.toDouble(&number) * 1000);
        number = number && fault.forMs >= 0;
    } else if (key == QLatin1String("station")) {
        fault.station = value.toInt(&number) - 1;
        if (number && (fault.station < 0 || fault.station >= plan.stations))
            return unexpected(QStringLiteral("station=%1 is no station of this shift: give 1 to %2").arg(value).arg(plan.stations));
    } else if (key == QLatin1String("slot")) {
        fault.slot = value.toInt(&number) - 1;
        if (number && (fault.slot < 0 || fault.slot >= plan.slotsEach))
            return unexpected(QStringLiteral("slot=%1 is no slot of this shift: give 1 to %2").arg(value).arg(plan.slotsEach));
    } else if (key == QLatin1String("fail") && fault.kind == Fault::Kind::SlotFlaky) {
        fault.failPercent = value.toDouble(&number);
        if (number && (fault.failPercent < 0 || fault.failPercent > 100))
            return unexpected("fail=" + value + " is not a percentage from 0 to 100");
    } else {
        return unexpected(key + " is no key of this fault: give at=, for=, station= or slot=, and fail= for slot-flaky");
    }
    if (!number)
        return unexpected(key + '=' + value + " is no number");
    return {};
}

// A fault's line ("slot-flaky at=00:00:00 for=28800 station=1 slot=12 fail=30"), or why not.
Expected<Fault, QString> readFault(const QStringList& words, const ShiftPlan& plan)
{
    const auto kind = std::find_if(std::begin(kFaultNames), std::end(kFaultNames),
                                   [&](const auto& k) { return words[0] == QLatin1String(k.second); });
    if (kind == std::end(kFaultNames))
        return unexpected(words[0] + " is no fault: give database-away, printer-refuses, station-killed, "
                                     "adapter-renamed, cloned-journal or slot-flaky, or defaults");
    Fault fault{kind->first};
    bool timed = false;
    QStringList given;
    for (const QString& word : words.mid(1)) {
        const QString key = word.section('=', 0, 0);
        given << key;
        if (auto read = readFaultValue(fault, key, word.section('=', 1), plan, timed); !read)
            return unexpected(read.error());
    }
    if (!timed)
        return unexpected(QStringLiteral("when? give at=HH:MM:SS"));
    if (fault.kind == Fault::Kind::SlotFlaky
        && !(given.contains("station") && given.contains("slot") && given.contains("fail")))
        return unexpected(QStringLiteral("which slot, and how flaky? give station=, slot= and fail="));
    return fault;
}

} // namespace

Expected<std::vector<Fault>, QString> readFaults(const QString& path, const ShiftPlan& plan)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unexpected(QStringLiteral("the faults %1 cannot be read: %2").arg(path, file.errorString()));
    std::vector<Fault> faults;
    int number = 0;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        ++number;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line == QLatin1String("defaults")) {
            const std::vector<Fault> hard = defaultFaults(plan);
            faults.insert(faults.end(), hard.begin(), hard.end());
            continue;
        }
        auto fault = readFault(line.split(' ', Qt::SkipEmptyParts), plan);
        if (!fault)
            return unexpected(QStringLiteral("the faults %1, line %2: %3").arg(path).arg(number).arg(fault.error()));
        faults.push_back(*fault);
    }
    std::stable_sort(faults.begin(), faults.end(), [](const Fault& a, const Fault& b) { return a.atMs < b.atMs; });
    return faults;
}

Expected<BoardMix, QString> readMix(const QString& text)
{
    BoardMix mix;
    for (const QString& part : text.split(',', Qt::SkipEmptyParts)) {
        const QString key = part.section('=', 0, 0).trimmed();
        bool number = false;
        const double percent = part.section('=', 1).toDouble(&number);
        double* slot = key == QLatin1String("self-test")   ? &mix.selfTestFails
                       : key == QLatin1String("misstored") ? &mix.misstoresSerial
                       : key == QLatin1String("hang-up")   ? &mix.hangsUp
                       : key == QLatin1String("silent")    ? &mix.silent
                                                           : nullptr;
        if (!slot)
            return unexpected("--mix: " + key + " is no kind of board: give self-test, misstored, hang-up or silent");
        if (!number || percent < 0 || percent > 100)
            return unexpected("--mix: " + part + " is not a percentage from 0 to 100");
        *slot = percent;
    }
    if (mix.selfTestFails + mix.misstoresSerial + mix.hangsUp + mix.silent > 100)
        return unexpected(QStringLiteral("--mix: the kinds of board add up to more than 100 %"));
    return mix;
}

namespace {

// The options of `auxpad-flash simulate`, each with its help; the defaults are a plan's
// own, said in the help as they are.
struct ShiftOptions {
    const BenchOptions o{};
    const ShiftPlan byDefault{};
    static QString withDefault(const char* what, auto value) { return QString::fromLatin1(what).arg(value); }
    const QCommandLineOption stations{"stations", withDefault("How many stations (default %1).", byDefault.stations), "N",
                                      QString::number(byDefault.stations)};
    const QCommandLineOption slotsEach{"slots", withDefault("Slots of each station (default %1).", byDefault.slotsEach),
                                       "M", QString::number(byDefault.slotsEach)};
    const QCommandLineOption hours{"hours",
                                   withDefault("How long the shift runs, in simulated hours (default %1).", byDefault.hours),
                                   "H", QString::number(byDefault.hours)};
    const QCommandLineOption seed{"seed", withDefault("The seed every random choice comes from (default %1).", byDefault.seed),
                                  "S", QString::number(byDefault.seed)};
    const QCommandLineOption keep{"keep", "Leave the stores in DIR: line.sqlite (without --db) and <station>.sqlite.",
                                  "DIR"};
    const QCommandLineOption events{"events", "Write every event with its virtual time to FILE.", "FILE"};
    const QCommandLineOption plug{"plug-seconds",
                                  withDefault("The robot's mean wait before it plugs a board (default %1).",
                                              byDefault.plugSeconds),
                                  "S", QString::number(byDefault.plugSeconds)};
    const QCommandLineOption pull{"pull-seconds",
                                  withDefault("The robot's mean wait before it pulls a finished board (default %1).",
                                              byDefault.pullSeconds),
                                  "S", QString::number(byDefault.pullSeconds)};
    const QCommandLineOption mix{"mix",
                                 QStringLiteral("Boards that fail, in percent: self-test=%1,misstored=%2,hang-up=%3,silent=%4.")
                                     .arg(byDefault.mix.selfTestFails)
                                     .arg(byDefault.mix.misstoresSerial)
                                     .arg(byDefault.mix.hangsUp)
                                     .arg(byDefault.mix.silent),
                                 "LIST"};
    const QCommandLineOption faults{"faults",
                                    "The faults from FILE instead of the default hard shift, a line each: KIND "
                                    "at=HH:MM:SS [for=SECONDS] [station=N] [slot=M], or slot-flaky at=... for=... "
                                    "station=N slot=M fail=PERCENT; a line defaults takes the default faults too.",
                                    "FILE"};
    const QCommandLineOption noFaults{"no-faults", "A shift without faults."};

    void addTo(QCommandLineParser& parser) const
    {
        parser.addOptions({o.help, stations, slotsEach, hours, seed, o.recipe, o.db, keep, events, o.json, plug, pull, mix,
                           faults, noFaults});
    }
};

// The plan's numbers, each in its range, or the first that is not.
Expected<void, QString> readNumbers(const QCommandLineParser& parser, const ShiftOptions& s, ShiftPlan& plan)
{
    for (const auto& [option, from, to, into] :
         {std::tuple{&s.stations, 1, 16, &plan.stations}, std::tuple{&s.slotsEach, 1, 64, &plan.slotsEach}}) {
        bool number = false;
        *into = parser.value(*option).toInt(&number);
        if (!number || *into < from || *into > to)
            return unexpected(QStringLiteral("--%1 takes a whole number from %2 to %3")
                                  .arg(option->names().front()).arg(from).arg(to));
    }
    bool number = false;
    plan.hours = parser.value(s.hours).toDouble(&number);
    if (!number || plan.hours <= 0 || plan.hours > 24)
        return unexpected(QStringLiteral("--hours takes simulated hours, more than 0 and at most 24"));
    plan.seed = parser.value(s.seed).toULongLong(&number);
    if (!number)
        return unexpected(QStringLiteral("--seed takes a whole number"));
    for (const auto& [option, into] : {std::pair{&s.plug, &plan.plugSeconds}, std::pair{&s.pull, &plan.pullSeconds}}) {
        *into = parser.value(*option).toDouble(&number);
        if (!number || *into < 0.5 || *into > 3600)
            return unexpected("--" + option->names().front() + " takes seconds, from 0.5 to 3600");
    }
    if (parser.isSet(s.mix)) {
        auto read = readMix(parser.value(s.mix));
        if (!read)
            return unexpected(read.error());
        plan.mix = *read;
    }
    return {};
}

// The plan's faults: a file's, none, or the default hard shift.
Expected<void, QString> readFaultChoice(const QCommandLineParser& parser, const ShiftOptions& s, ShiftPlan& plan)
{
    if (parser.isSet(s.faults) && parser.isSet(s.noFaults))
        return unexpected(QStringLiteral("--faults and --no-faults: give one of them"));
    if (parser.isSet(s.faults)) {
        auto read = readFaults(parser.value(s.faults), plan);
        if (!read)
            return unexpected(read.error());
        plan.faults = std::move(*read);
    } else if (!parser.isSet(s.noFaults)) {
        plan.faults = defaultFaults(plan);
    }
    return {};
}

} // namespace

Expected<ShiftPlan, QString> readShiftPlan(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs a whole shift of the line on simulated time: the product's own engines, bring-ups, slots, benches, "
        "journals, leases, deliveries and labels, with simulated boards plugged and pulled by a robot, a simulated "
        "printer, and the faults of a hard shift. Checks the line's promises against the stores at the end. Exits 0 "
        "when every one holds, 1 naming the first broken (with the seed and the virtual time to replay it), 2 for bad "
        "options.");
    const ShiftOptions s;
    s.addTo(parser);
    const auto read = readCommandLine(parser, arguments, s.o, "simulate");
    if (!read)
        return unexpected(read.error());
    if (*read == CommandLine::HelpShown)
        return unexpected(QString());
    if (!parser.positionalArguments().isEmpty())
        return unexpected("unexpected argument " + parser.positionalArguments().first());
    ShiftPlan plan;
    if (auto numbers = readNumbers(parser, s, plan); !numbers)
        return unexpected(numbers.error());
    plan.recipe = parser.value(s.o.recipe);
    plan.db = parser.value(s.o.db);
    plan.keep = parser.value(s.keep);
    plan.events = parser.value(s.events);
    plan.json = parser.isSet(s.o.json);
    if (auto faults = readFaultChoice(parser, s, plan); !faults)
        return unexpected(faults.error());
    return plan;
}

} // namespace auxpad::shift
