#pragma once

#include "core/sim_engine.h"

#include <optional>
#include <string>

#include <QStringList>

namespace auxsim {

struct ShellOptions {
    EngineConfig engine;
    std::optional<int> com;
    std::string imageOut;
    std::string recordOut;
    std::string statsFile;
    bool quiet = false;
    bool seedGiven = false;
};

// Parses the command line. Prints the help or version and exits for
// --help/--version; prints the problem and returns nullopt for a bad option.
std::optional<ShellOptions> parseOptions(const QStringList &arguments);

} // namespace auxsim
