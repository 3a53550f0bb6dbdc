#include "runner/start_checks.h"

#include "board/flash_ini.h"

namespace auxpad {

std::string checkFlashFiles(const FlashFiles& files)
{
    DiskFiles disk;
    int lines[2] = {};
    const std::string* paths[2] = {&files.initDisk, &files.initData};
    const char* names[2] = {"InitDisk", "InitData"};
    for (int i = 0; i < 2; ++i) {
        std::string reason;
        if (paths[i]->empty())
            return std::string("no ") + names[i] + " file is chosen";
        if (!countLines(disk, *paths[i], lines[i], reason))
            return "cannot read " + *paths[i] + ": " + reason;
    }
    if (lines[0] > lines[1])
        return "the InitDisk file has more lines than the InitData file (Wrong Initdisk and Initdata file!)";
    return {};
}

std::string checkIni(const std::string& path)
{
    DiskFiles files;
    const FlashIni ini(files, path);
    const auto defaults = ini.productDefaults();
    if (!defaults.fault.empty())
        return defaults.fault;
    if (defaults.value.error)
        return path + ": " + *defaults.value.error;
    return {};
}

} // namespace auxpad
