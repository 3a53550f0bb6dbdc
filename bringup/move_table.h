#pragma once

#include <cstddef>
#include <optional>

namespace auxpad {

// A row of a line machine's table of moves: from a state's kind, on an input, with what the
// input found, to a state's kind. The machines decide their next state here, and only here.
template <typename Kind, typename On, typename When>
struct Move {
    Kind from;
    On on;
    When when;
    Kind to;
};

// No two rows for one state, input and finding; checked where a table is made.
template <typename Kind, typename On, typename When, std::size_t N>
constexpr bool oneRowEach(const Move<Kind, On, When> (&moves)[N])
{
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (moves[i].from == moves[j].from && moves[i].on == moves[j].on && moves[i].when == moves[j].when)
                return false;
        }
    }
    return true;
}

// Where the table says the input leads from `from`, or nothing when it has no row.
template <typename Kind, typename On, typename When, std::size_t N>
constexpr std::optional<Kind> moveIn(const Move<Kind, On, When> (&moves)[N], Kind from, On on, When when)
{
    for (const auto& m : moves) {
        if (m.from == from && m.on == on && m.when == when)
            return m.to;
    }
    return std::nullopt;
}

} // namespace auxpad
