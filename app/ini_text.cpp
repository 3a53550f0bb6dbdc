#include "app/ini_text.h"

#include <cmath>
#include <limits>

#include "app/station.h"

namespace auxpad {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string iniPath(const Station& st)
{
    const std::string joined = st.START_DIR + kSeparator + "flash.ini";
    const char doubled[] = {kSeparator, kSeparator, '\0'};
    if (joined.find(doubled) != std::string::npos)
        return st.START_DIR + "flash.ini";
    return joined;
}

std::optional<std::string> quotedValue(const std::string& line)
{
    const auto q1 = line.find('"');
    if (q1 == std::string::npos)
        return std::nullopt;
    const auto q2 = line.find('"', q1 + 1);
    if (q2 == std::string::npos)
        return std::nullopt;
    return line.substr(q1 + 1, q2 - q1 - 1);
}

double lenientNumber(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0;
    double scale = 0; // 0 before the decimal point, then 0.1, 0.01, ...
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (scale == 0) {
                value = value * 10 + (c - '0');
            } else {
                value += (c - '0') * scale;
                scale /= 10;
            }
        } else if (c == '.' && scale == 0) {
            scale = 0.1;
        } else {
            break;
        }
    }
    return negative ? -value : value;
}

int roundHalfEven(double value)
{
    const double r = std::nearbyint(value); // the default rounding mode rounds halves to even
    if (r >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

bool contains(const std::string& line, const char* key)
{
    return line.find(key) != std::string::npos;
}

} // namespace auxpad
