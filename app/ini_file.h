#pragma once

#include <memory>
#include <string>

#include "platform/text_files.h"

namespace auxpad {

struct Station;

// Opens `path` for reading or throws RuntimeFault naming it and the reason.
std::unique_ptr<platform::TextFile> openOrFault(Station& st, const std::string& path);

// flash.ini at iniPath().
std::unique_ptr<platform::TextFile> openIni(Station& st);

} // namespace auxpad
