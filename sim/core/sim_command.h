#pragma once

#include "core/types.h"

#include <optional>
#include <string>
#include <string_view>

namespace auxsim {

// A command typed on standard input, one per line.
struct SimCommand {
    enum class Kind { Register, PowerUp, Send, Raw, Burst, Attach, Detach, Stats, Help, Quit };
    Kind kind = Kind::Help;
    Bytes bytes;            // Send: message id and params; Raw: the bytes; Attach: a product record, if given
    unsigned count = 0;     // Burst
    std::uint8_t id = 0x02; // Burst
};

struct ParsedCommand {
    std::optional<SimCommand> command; // none for a blank line or an error
    std::string error;
};

ParsedCommand parseCommand(std::string_view line);

// The command summary printed by "help".
const char *commandHelp();

} // namespace auxsim
