#pragma once

#include "shell/sim_options.h"

namespace auxsim {

// Runs the simulator until quit, SIGINT/SIGTERM/SIGHUP or a hang-up; returns
// the exit code.
int runSimulator(const ShellOptions &options);

} // namespace auxsim
