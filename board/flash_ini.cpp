#include "board/flash_ini.h"

#include "base/numbers.h"

namespace auxpad {

namespace {

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

Expected<std::unique_ptr<TextFile>> FlashIni::open() const
{
    auto file = files_->open(path_);
    if (!file)
        return unexpected("Cannot read " + path_ + ": " + file.error());
    return file;
}

Expected<std::string> FlashIni::comPort(const std::string& where) const
{
    const auto file = files_->open(path_);
    if (!file)
        return unexpected("Cannot open flash.ini in " + where + ": " + file.error()
                          + "\n\nThe tool reads its COM port from this file.");
    std::string line;
    while ((*file)->readLine(line)) {
        if (!contains(line, "COMport"))
            continue;
        if (auto value = quotedValue(line))
            return *value;
        return unexpected("The COMport line of flash.ini in " + where
                          + " needs the port number between two double quotes, for example COMport=\"1\".");
    }
    if (const auto& failed = (*file)->failure())
        return unexpected("Cannot read flash.ini in " + where + ": " + *failed);
    return unexpected("flash.ini in " + where
                      + " has no COMport line, so the tool does not know which serial port leads to the board.");
}

Expected<bool> FlashIni::showTrafficWindow() const
{
    const auto file = open();
    if (!file)
        return unexpected(file.error());
    std::string line;
    while ((*file)->readLine(line)) {
        if (contains(line, "Show") && (contains(line, "Yes") || contains(line, "YES") || contains(line, "yes")))
            return true;
    }
    if (const auto& failed = (*file)->failure())
        return unexpected("Cannot read " + path_ + ": " + *failed);
    return false;
}

Expected<double> FlashIni::formatSeconds() const
{
    const auto file = open();
    if (!file)
        return unexpected(file.error());
    std::string line;
    while ((*file)->readLine(line)) {
        if (!contains(line, "Format"))
            continue;
        const double v = lenientNumber(quotedValue(line).value_or(""));
        if (v >= 20 && v < 60)
            return v;
        break;
    }
    if (const auto& failed = (*file)->failure())
        return unexpected("Cannot read " + path_ + ": " + *failed);
    return 30.0;
}

Expected<FlashIni::Defaults> FlashIni::productDefaults() const
{
    const auto file = open();
    if (!file)
        return unexpected(file.error());
    Defaults out;
    std::string line;
    // Tested in field order; a line acts as the first key it contains.
    while ((*file)->readLine(line)) {
        std::size_t f = 0;
        while (f < kProductFieldRules.size() && !contains(line, kProductFieldRules[f].iniKey))
            ++f;
        if (f == kProductFieldRules.size())
            continue;
        const auto value = quotedValue(line);
        if (!value || value->size() != kProductFieldRules[f].length) {
            out.error = kProductFieldRules[f].iniError;
            break;
        }
        const auto field = static_cast<ProductField>(f);
        out.fields.emplace_back(field, *value);
        if (field == ProductField::Manufacture && !isManufactureDate(*value)) {
            out.error = kDateMessage; // the field keeps the faulty date
            break;
        }
    }
    if (const auto& failed = (*file)->failure())
        return unexpected("Cannot read " + path_ + ": " + *failed);
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
