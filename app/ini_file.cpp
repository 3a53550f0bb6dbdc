#include "app/ini_file.h"

#include <string>

#include "app/ini_text.h"
#include "app/station.h"
#include "platform/runtime_fault.h"

namespace auxpad {

std::unique_ptr<platform::TextFile> openIni(Station& st)
{
    const std::string path = iniPath(st);
    std::string reason;
    auto file = st.io.files.openRead(path, reason);
    if (!file)
        throw platform::RuntimeFault("Cannot read " + path + ": " + reason);
    return file;
}

} // namespace auxpad
