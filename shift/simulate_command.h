#pragma once

#include <QStringList>

#include "shift/shift.h"

namespace auxpad::shift {

// A shift as the command runs it: the built-in line recipe unless the plan names one, the
// stores in the plan's folder or else a scratch one; what it came to, and how long it
// took in wall seconds. Or why it could not run.
struct ShiftRun {
    ShiftOutcome outcome;
    double wallSeconds = 0;
};
Expected<ShiftRun, QString> simulate(const ShiftPlan& plan);

// `auxpad-flash simulate ...`: a whole shift of the line on simulated time, its report,
// and the exit status: 0 every promise held, 1 one broke, 2 bad options or recipe.
int runSimulate(const QStringList& arguments);

} // namespace auxpad::shift
