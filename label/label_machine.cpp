#include "label/label_machine.h"

#include <algorithm>
#include <type_traits>

namespace auxpad::label {

namespace {

// The states as the table names them: a queued label a start found handed is a state of
// its own there, since only a reprint moves it on.
enum class Kind { Queued, Unsure, Handed, Held, Printed, Failed };

Kind kindOf(const LabelState& state)
{
    if (const auto* queued = std::get_if<Queued>(&state))
        return queued->unsure ? Kind::Unsure : Kind::Queued;
    return static_cast<Kind>(state.index() + 1);
}

struct Move {
    Kind from;
    std::size_t on; // index of the event in LabelEvent
    Kind to;
};

// The index of an event's type in LabelEvent, as event.index() gives it.
template <typename E, typename V>
struct IndexIn;
template <typename E, typename... Ts>
struct IndexIn<E, std::variant<Ts...>> {
    static constexpr std::size_t value = [] {
        std::size_t i = 0;
        bool found = false;
        ((found = found || std::is_same_v<E, Ts>, i += found ? 0 : 1), ...);
        return i;
    }();
};
template <typename E>
constexpr std::size_t on = IndexIn<E, LabelEvent>::value;

constexpr Move kMoves[] = {
    {Kind::Queued, on<Hand>, Kind::Handed},
    {Kind::Queued, on<Broken>, Kind::Failed},
    {Kind::Queued, on<Waits>, Kind::Held},
    {Kind::Queued, on<Replaced>, Kind::Failed},
    {Kind::Handed, on<Taken>, Kind::Printed},
    {Kind::Handed, on<Refused>, Kind::Held},
    {Kind::Handed, on<Broken>, Kind::Failed},
    {Kind::Handed, on<Restarted>, Kind::Unsure},
    {Kind::Held, on<PrinterBack>, Kind::Queued},
    {Kind::Held, on<Restarted>, Kind::Queued},
    {Kind::Held, on<Replaced>, Kind::Failed},
    {Kind::Unsure, on<Reprint>, Kind::Queued},
    {Kind::Unsure, on<Replaced>, Kind::Failed},
    {Kind::Printed, on<Reprint>, Kind::Queued},
    {Kind::Failed, on<Reprint>, Kind::Queued},
};

int attemptsOf(const LabelState& state)
{
    return std::visit(
        [](const auto& s) {
            if constexpr (requires { s.attempts; })
                return s.attempts;
            else
                return 0;
        },
        state);
}

// The reason an event gives the state it leads to.
std::string reasonIn(const LabelEvent& event)
{
    if (const auto* refused = std::get_if<Refused>(&event))
        return refused->reason;
    if (const auto* broken = std::get_if<Broken>(&event))
        return broken->reason;
    if (const auto* waits = std::get_if<Waits>(&event))
        return waits->reason;
    if (std::holds_alternative<Replaced>(event))
        return "replaced by a reprint";
    return {};
}

} // namespace

LabelState move(const LabelState& state, const LabelEvent& event)
{
    const Kind from = kindOf(state);
    const auto found = std::find_if(std::begin(kMoves), std::end(kMoves),
                                    [&](const Move& m) { return m.from == from && m.on == event.index(); });
    if (found == std::end(kMoves))
        return state;
    const int attempts = attemptsOf(state);
    switch (found->to) {
    case Kind::Queued:
        return Queued{std::holds_alternative<Reprint>(event) ? 0 : attempts, false};
    case Kind::Unsure:
        return Queued{attempts, true};
    case Kind::Handed:
        return Handed{attempts + 1};
    case Kind::Held: {
        const auto* refused = std::get_if<Refused>(&event);
        return Held{attempts, reasonIn(event), refused && refused->lasting};
    }
    case Kind::Printed:
        return Printed{std::get<Taken>(event).jobId};
    case Kind::Failed:
        return Failed{reasonIn(event)};
    }
    return state;
}

bool mayHand(const LabelState& state)
{
    return kindOf(state) == Kind::Queued;
}

const char* stateName(const LabelState& state)
{
    static constexpr const char* kNames[] = {"queued", "handed", "held", "printed", "failed"};
    return kNames[state.index()];
}

std::string reasonOf(const LabelState& state)
{
    if (const auto* held = std::get_if<Held>(&state))
        return held->reason;
    if (const auto* failed = std::get_if<Failed>(&state))
        return failed->reason;
    return {};
}

PrinterState movePrinter(const PrinterState& printer, const LabelEvent& event, Millis now)
{
    if (std::holds_alternative<Taken>(event) || std::holds_alternative<Restarted>(event))
        return PrinterTaking{};
    const auto* refused = std::get_if<Refused>(&event);
    if (!refused || std::holds_alternative<PrinterUnusable>(printer))
        return printer; // only a start tries an unusable printer again
    if (refused->lasting)
        return PrinterUnusable{refused->reason};
    // Refusals in a row lengthen the pause: 1 s, 2 s, 4 s.. up to a minute.
    PrinterAway away;
    if (const auto* before = std::get_if<PrinterAway>(&printer))
        away.backoff = before->backoff;
    away.reason = refused->reason;
    away.until = tickAdd(now, away.backoff.failed());
    return away;
}

std::optional<Millis> printerDue(const PrinterState& printer)
{
    if (const auto* away = std::get_if<PrinterAway>(&printer))
        return away->until;
    return std::nullopt;
}

} // namespace auxpad::label
