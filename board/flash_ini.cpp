#include "board/flash_ini.h"

#include "base/numbers.h"

namespace auxpad {

namespace {

struct DefaultKey {
    const char* key;
    std::size_t length;
    const char* lengthMessage;
};

// Tested in this order; a line acts as the first key it contains. The index is the box.
constexpr std::array<DefaultKey, 6> kDefaults = {{
    {"Hardware", 4, "ERROR08: Hardware Version error in flash.ini! "},
    {"MCUSW", 11, "ERROR09: MCUSW Version error in flash.ini! "},
    {"DSPSW", 11, "ERROR10: DSPSW Version error in flash.ini! "},
    {"Serial", 9, "ERROR11: Serial Number error in flash.ini! "},
    {"Code", 7, "ERROR12: Code error in flash.ini! "},
    {"Manufacture", 6, "ERROR13: Manufacture DDMMYY error in flash.ini! "},
}};
constexpr const char* kDateMessage = "ERROR14: Invalid Manufacture DDMMYY in flash.ini! ";

bool contains(const std::string& line, const char* key)
{
    return line.find(key) != std::string::npos;
}

// The text between the first and the second double quote; nullopt with fewer than two.
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

bool inRange(const std::string& digits, int low, int high)
{
    const double v = lenientNumber(digits);
    return v >= low && v <= high;
}

} // namespace

std::unique_ptr<TextFile> FlashIni::open(std::string& fault) const
{
    std::string reason;
    auto file = files_->open(path_, reason);
    if (!file)
        fault = "Cannot read " + path_ + ": " + reason;
    return file;
}

FlashIni::Reading<std::string> FlashIni::comPort(const std::string& where) const
{
    std::string reason;
    const auto file = files_->open(path_, reason);
    if (!file)
        return {{}, "Cannot open flash.ini in " + where + ": " + reason + "\n\nThe tool reads its COM port from this file."};
    std::string line;
    while (file->readLine(line)) {
        if (!contains(line, "COMport"))
            continue;
        if (auto value = quotedValue(line))
            return {*value, {}};
        return {{}, "The COMport line of flash.ini in " + where
                        + " needs the port number between two double quotes, for example COMport=\"1\"."};
    }
    return {{}, "flash.ini in " + where
                    + " has no COMport line, so the tool does not know which serial port leads to the board."};
}

FlashIni::Reading<bool> FlashIni::showTrafficWindow() const
{
    Reading<bool> out;
    const auto file = open(out.fault);
    std::string line;
    while (file && file->readLine(line)) {
        if (contains(line, "Show") && (contains(line, "Yes") || contains(line, "YES") || contains(line, "yes"))) {
            out.value = true;
            break;
        }
    }
    return out;
}

FlashIni::Reading<double> FlashIni::formatSeconds() const
{
    Reading<double> out{30, {}};
    const auto file = open(out.fault);
    std::string line;
    while (file && file->readLine(line)) {
        if (!contains(line, "Format"))
            continue;
        const double v = lenientNumber(quotedValue(line).value_or(""));
        if (v >= 20 && v < 60)
            out.value = v;
        break;
    }
    return out;
}

FlashIni::Reading<FlashIni::Defaults> FlashIni::productDefaults() const
{
    Reading<Defaults> out;
    const auto file = open(out.fault);
    std::string line;
    while (file && file->readLine(line)) {
        std::size_t box = 0;
        while (box < kDefaults.size() && !contains(line, kDefaults[box].key))
            ++box;
        if (box == kDefaults.size())
            continue;
        const auto value = quotedValue(line);
        if (!value || value->size() != kDefaults[box].length) {
            out.value.error = kDefaults[box].lengthMessage;
            break;
        }
        out.value.boxes.emplace_back(static_cast<int>(box), *value);
        if (box == 5 && !isManufactureDate(*value)) {
            out.value.error = kDateMessage; // the box keeps the faulty date
            break;
        }
    }
    return out;
}

std::string iniPathIn(const std::string& folder)
{
    const std::string joined = folder + "/flash.ini";
    if (joined.find("//") != std::string::npos)
        return folder + "flash.ini";
    return joined;
}

bool isManufactureDate(const std::string& s)
{
    const std::string dd = s.substr(0, 2);
    const std::string lastFour = s.size() > 4 ? s.substr(s.size() - 4) : s;
    const std::string mm = lastFour.substr(0, 2);
    const std::string yy = s.size() > 2 ? s.substr(s.size() - 2) : s;
    return inRange(dd, 1, 31) && inRange(mm, 1, 12) && inRange(yy, 0, 99);
}

} // namespace auxpad
