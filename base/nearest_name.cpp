#include "base/nearest_name.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace auxpad {

namespace {

// Optimal string alignment distance, letters compared without case.
std::size_t edits(std::string_view a, std::string_view b)
{
    auto same = [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    };
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = same(a[i - 1], b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

} // namespace

std::optional<std::string> nearestName(std::string_view typed, std::span<const char* const> known)
{
    std::optional<std::string> best;
    std::size_t fewest = 0;
    for (const char* name : known) {
        const std::size_t n = edits(typed, name);
        if (!best || n < fewest) {
            best = name;
            fewest = n;
        }
    }
    // Two slips at most, and never so many that most of the word changed.
    if (!best || fewest > 2 || fewest * 2 > best->size())
        return std::nullopt;
    return best;
}

} // namespace auxpad
