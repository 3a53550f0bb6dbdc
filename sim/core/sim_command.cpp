#include "core/sim_command.h"

#include "core/fbus_frame.h"
#include "core/hex_text.h"
#include "core/prod_record.h"

#include <charconv>

namespace auxsim {
namespace {

constexpr unsigned kMaxBurst = 100000;

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::pair<std::string_view, std::string_view> splitWord(std::string_view s)
{
    s = trim(s);
    const auto end = s.find_first_of(" \t");
    if (end == std::string_view::npos)
        return {s, {}};
    return {s.substr(0, end), trim(s.substr(end))};
}

ParsedCommand fail(std::string error) { return ParsedCommand{std::nullopt, std::move(error)}; }

ParsedCommand ok(SimCommand command) { return ParsedCommand{std::move(command), {}}; }

ParsedCommand parseBurst(std::string_view args)
{
    const auto [countText, rest] = splitWord(args);
    const auto [idText, extra] = splitWord(rest);
    SimCommand command;
    command.kind = SimCommand::Kind::Burst;
    const auto [end, ec] = std::from_chars(countText.data(), countText.data() + countText.size(), command.count);
    if (ec != std::errc() || end != countText.data() + countText.size() || command.count == 0
        || command.count > kMaxBurst)
        return fail("burst: give a message count from 1 to 100000");
    if (!extra.empty())
        return fail("burst: too many arguments");
    if (!idText.empty()) {
        std::string_view hex = idText;
        if (hex.starts_with("0x") || hex.starts_with("0X"))
            hex.remove_prefix(2);
        const auto id = parseHexBytes(hex);
        if (!id || id->size() != 1 || hex.size() > 2)
            return fail("burst: the message id is one hex byte, e.g. 02");
        command.id = id->front();
    }
    return ok(command);
}

} // namespace

ParsedCommand parseCommand(std::string_view line)
{
    const auto split = splitWord(line);
    const std::string_view word = split.first;
    const std::string_view args = split.second;
    if (word.empty())
        return {};
    SimCommand command;
    auto noArgs = [&](SimCommand::Kind kind) {
        if (!args.empty())
            return fail(std::string(word) + ": takes no arguments");
        command.kind = kind;
        return ok(command);
    };
    if (word == "register")
        return noArgs(SimCommand::Kind::Register);
    if (word == "power-up")
        return noArgs(SimCommand::Kind::PowerUp);
    if (word == "stats")
        return noArgs(SimCommand::Kind::Stats);
    if (word == "help")
        return noArgs(SimCommand::Kind::Help);
    if (word == "quit")
        return noArgs(SimCommand::Kind::Quit);
    if (word == "burst")
        return parseBurst(args);
    if (word == "detach")
        return noArgs(SimCommand::Kind::Detach);
    if (word == "attach") {
        command.kind = SimCommand::Kind::Attach;
        if (!args.empty()) {
            std::string error;
            const auto record = parseProdInfoText(args, &error);
            if (!record)
                return fail("attach: " + error);
            command.bytes.assign(record->begin(), record->end());
        }
        return ok(command);
    }
    if (word == "send" || word == "raw") {
        auto bytes = parseHexBytes(args);
        if (!bytes || bytes->empty())
            return fail(std::string(word) + ": give hex bytes, e.g. " + (word == "send" ? "6F 01 05 03 03 03 03 03" : "1E 00 28"));
        const std::size_t maxPayload = fbus::kMaxDataLen - fbus::kServiceOverhead;
        if (word == "send" && bytes->size() > maxPayload)
            return fail("send: at most " + std::to_string(maxPayload) + " bytes (message id and params)");
        command.kind = word == "send" ? SimCommand::Kind::Send : SimCommand::Kind::Raw;
        command.bytes = std::move(*bytes);
        return ok(command);
    }
    return fail("unknown command '" + std::string(word) + "' (type help)");
}

const char *commandHelp()
{
    return "commands:\n"
           "  register            send a registration frame\n"
           "  power-up            send a _POWER_UP_IND\n"
           "  send <hex>          send a service message: message id, then params\n"
           "  raw <hex>           send the bytes exactly as given\n"
           "  burst <N> [<id>]    send N service messages (default id 02), each awaiting\n"
           "                      the tool's acknowledgement for up to 1000 ms\n"
           "  attach [HW,MCU,DSP,SERIAL,CODE,DDMMYY]\n"
           "                      a board arrives: its power-up indication, then its answers\n"
           "                      with that product information (default as at start)\n"
           "  detach              the board is gone: nothing answers, nothing is counted\n"
           "  stats               write the stats file and print the counters\n"
           "  help                this list\n"
           "  quit                restore the port map and exit\n";
}

} // namespace auxsim
