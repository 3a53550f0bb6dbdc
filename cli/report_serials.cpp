// `report --serials RANGE`: every number of a range that was handed out, with its state,
// station and the journal that holds it, so that a gap among the written ones is always
// explained, and a gone journal's numbers can be given back by its identity.
#include <cstdio>
#include <map>

#include "cli/report_forms.h"
#include "runner/recipe.h"

namespace auxpad::cli {

int runSerialStates(auxpad::RecordReader& store, const QString& rangeText, bool csv)
{
    const auto range = auxpad::SerialRange::parse(
        rangeText, static_cast<int>(auxpad::kProductFieldRules[auxpad::at(auxpad::ProductField::Serial)].length));
    if (!range)
        return reportCannot("--serials " + range.error());
    const auto states = store.serialStates(*range);
    if (!states)
        return reportCannot(states.error());
    QString text = csv ? "serial,state,station,port,since,journal\r\n" : QString();
    std::map<QString, std::map<QString, int>> counts; // by state, then station
    for (const auxpad::SerialState& s : *states) {
        ++counts[s.state][s.station];
        if (!csv) {
            text += s.serial.leftJustified(12) + s.state.leftJustified(13) + s.station.leftJustified(16)
                    + s.port.leftJustified(10) + (s.journal.isEmpty() ? s.taken : s.taken.leftJustified(25) + s.journal) + '\n';
            continue;
        }
        for (const QString& field : {s.serial, s.state, s.station, s.port}) {
            addCsvField(text, field);
            text += ',';
        }
        text += s.taken + ',' + s.journal + "\r\n";
    }
    if (!csv) {
        // Then how many of each state each station holds.
        text += '\n';
        for (const auto& [state, stations] : counts) {
            QStringList parts;
            for (const auto& [station, count] : stations)
                parts << QStringLiteral("%1 %2").arg(station).arg(count);
            text += state + ": " + parts.join(", ") + '\n';
        }
        if (counts.empty())
            text += QStringLiteral("No number of %1 to %2 was handed out.\n").arg(range->first(), range->last());
    }
    printOut(text);
    return 0;
}

} // namespace auxpad::cli
