#include "shift/sim_printer.h"

#include <algorithm>

namespace auxpad::shift {

bool SimPrinter::killing(int station) const
{
    return std::find(killing_.begin(), killing_.end(), station) != killing_.end();
}

void SimPrinter::forget(int station)
{
    killing_.erase(std::remove(killing_.begin(), killing_.end(), station), killing_.end());
}

PrinterLink SimPrinter::linkFor(int station)
{
    return [this, station](const QString&, const LabelDocument&, int, const QString&) -> Expected<int, PrinterRefusal> {
        const qint64 now = clock_.elapsed();
        for (const auto& [from, to] : outages_)
            if (now >= from && now < to)
                return unexpected(PrinterRefusal{QStringLiteral("the printer refuses jobs: it is out of labels")});
        const int job = static_cast<int>(++printed_);
        if (killing(station)) {
            forget(station);
            throw KilledMidPrint{station};
        }
        return job;
    };
}

} // namespace auxpad::shift
