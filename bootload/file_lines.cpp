#include "bootload/file_lines.h"

#include "app/station.h"
#include "bootload/messages.h"

namespace auxpad {

std::unique_ptr<platform::TextFile> openDownloadFile(Station& st, const std::string& name, std::string& reason)
{
    if (name.empty()) {
        reason = "no file is selected";
        return nullptr;
    }
    return st.io.files.openRead(name, reason);
}

std::string cannotRead(const std::string& name, const std::string& reason)
{
    return text::CANNOT_READ + name + ": " + reason;
}

bool countLines(Station& st, const std::string& name, std::int32_t& count, std::string& reason)
{
    const auto file = openDownloadFile(st, name, reason);
    if (!file)
        return false;
    count = 0;
    std::string line;
    while (file->readLine(line))
        ++count;
    return true;
}

} // namespace auxpad
