#include "cli/job_plan.h"

namespace auxpad::cli {

namespace {

// The fields of one CSV line; nullopt when a quote is left open.
std::optional<std::vector<std::string>> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else if (c == '"')
                quoted = false;
            else
                fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted)
        return std::nullopt;
    return fields;
}

} // namespace

auxpad::Expected<ValuesTable> readValuesCsv(const std::string& text)
{
    static const std::vector<std::string> kHeader = {"port", "hardware", "mcusw", "dspsw", "serial", "code",
                                                     "manufacture"};
    ValuesTable table;
    std::size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string where = "line " + std::to_string(number) + ": ";
        const auto fields = fieldsOf(line);
        if (number == 1) {
            if (!fields || *fields != kHeader)
                return auxpad::unexpected(where + "the header must be port,hardware,mcusw,dspsw,serial,code,manufacture");
            continue;
        }
        if (line.empty())
            continue;
        if (!fields || fields->size() != kHeader.size())
            return auxpad::unexpected(where + "needs 7 fields, the port and the six values");
        const std::string& port = (*fields)[0];
        if (table.count(port))
            return auxpad::unexpected(where + port + " has a second line");
        auxpad::ProductFields& values = table[port];
        std::copy(fields->begin() + 1, fields->end(), values.begin());
    }
    if (start == 0)
        return auxpad::unexpected(std::string("the file is empty; its first line must be the header"));
    return table;
}

} // namespace auxpad::cli
