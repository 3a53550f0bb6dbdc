#pragma once

#include <QString>

#include <functional>
#include <vector>

#include "clock/sim_clock.h"
#include "label/printer_send.h"

namespace auxpad::shift {

// Thrown out of a print when a station is killed right after its printer took a label,
// before its journal heard of it: the worst moment there is for a label.
struct KilledMidPrint {
    int station;
};

// The line's label printer, simulated: it takes every job but while it refuses them (out
// of labels), and counts what it printed.
class SimPrinter {
public:
    explicit SimPrinter(const SimClock& clock) : clock_(clock) {}

    // It refuses jobs from `atMs` for `forMs`.
    void refuse(qint64 atMs, qint64 forMs) { outages_.push_back({atMs, atMs + forMs}); }
    // Station `station`'s next label is its last: the station is killed as the printer takes it.
    void killAtNextLabel(int station) { killing_.push_back(station); }
    bool killing(int station) const;
    void forget(int station);

    // The link station `station` hands its labels over.
    PrinterLink linkFor(int station);
    qint64 printed() const { return printed_; }

private:
    const SimClock& clock_;
    std::vector<std::pair<qint64, qint64>> outages_;
    std::vector<int> killing_;
    qint64 printed_ = 0;
};

} // namespace auxpad::shift
