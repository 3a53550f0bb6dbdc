#pragma once

#include <memory>

#include "platform/text_files.h"

namespace auxpad {

struct Station;

// flash.ini at iniPath(), open for reading; a file that cannot be opened is a
// RuntimeFault naming it and the reason.
std::unique_ptr<platform::TextFile> openIni(Station& st);

} // namespace auxpad
