#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "base/expected.h"

namespace auxpad::shift {

// What happens to a simulated line besides its boards: each fault at a virtual time. A
// flaky slot has a worn contact: while it lasts, that share of its tries lose their line in
// the middle of a download, and the line comes back a few seconds later with the board
// still in the slot.
struct Fault {
    enum class Kind { DatabaseAway, PrinterRefuses, StationKilled, AdapterRenamed, ClonedJournal, SlotFlaky };
    Kind kind;
    qint64 atMs = 0;
    qint64 forMs = 0; // how long it lasts (a killed station: until it starts again)
    int station = 0;  // from 0, where it names one
    int slot = 0;     // from 0, where it names one
    double failPercent = 0; // a flaky slot's tries that lose their line
};
const char* faultName(Fault::Kind kind);

// Of every hundred boards plugged, how many fail each way; the rest are sound.
struct BoardMix {
    double selfTestFails = 1;     // its self-test answers a fault
    double misstoresSerial = 0.5; // it stores the serial written to it wrongly
    double hangsUp = 1;           // its adapter hangs up in the middle of the download
    double silent = 0.5;          // it never answers
};

// A simulated shift as `auxpad-flash simulate` is asked for it.
struct ShiftPlan {
    int stations = 2;
    int slotsEach = 8;
    double hours = 1;
    quint64 seed = 1;
    QString recipe;   // "" for the built-in line recipe
    QString db;       // "" for a SQLite file the stations share
    QString keep;     // where the stores are left, "" for nowhere
    QString events;   // where every event goes, "" for nowhere
    bool json = false;
    double plugSeconds = 15; // the robot's mean wait before it plugs a board into a free slot
    double pullSeconds = 15; // and before it pulls a finished one
    BoardMix mix;
    std::vector<Fault> faults;
    int tries = 2; // each board's tries, as run --retry gives them
};

// The faults of a hard shift, placed by the seed: the line's database away twice for
// 10 minutes, the printer refusing jobs for 20, a station killed and started again a
// minute later, an adapter that comes back under another device name, and a second
// journal that takes a station's name for half an hour.
std::vector<Fault> defaultFaults(const ShiftPlan& plan);

// The faults of a file, a line each: KIND at=HH:MM:SS [for=SECONDS] [station=N] [slot=M]
// (stations and slots counted from 1), slot-flaky with station=, slot= and fail=PERCENT;
// a line `defaults` takes the default hard shift's faults too. Or the first line that is
// wrong.
Expected<std::vector<Fault>, QString> readFaults(const QString& path, const ShiftPlan& plan);

// `--mix self-test=1,misstored=1,hang-up=2,silent=1`, in percent of the boards.
Expected<BoardMix, QString> readMix(const QString& text);

// The command line of `auxpad-flash simulate`, without the command's own word: the plan,
// or why it will not do; an empty reason when the help was printed.
Expected<ShiftPlan, QString> readShiftPlan(const QStringList& arguments);

} // namespace auxpad::shift
