#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/text_files.h"

namespace auxpad {

struct Station;

// Opens a selected download file by its bare name, in the working folder. When it cannot
// be read (gone, unreadable, nothing selected) the reason is in `reason` and nullptr is
// returned.
std::unique_ptr<platform::TextFile> openDownloadFile(Station& st, const std::string& name, std::string& reason);

// "Cannot read <name>: <reason>".
std::string cannotRead(const std::string& name, const std::string& reason);

// Counts the lines of a download file into `count`. False, with the reason, when the
// file cannot be read.
bool countLines(Station& st, const std::string& name, std::int32_t& count, std::string& reason);

} // namespace auxpad
