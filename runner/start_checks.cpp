#include "runner/start_checks.h"

#include "board/flash_ini.h"
#include "engine/texts.h"

namespace auxpad {

Expected<void> checkFlashFiles(const FlashFiles& files)
{
    DiskFiles disk;
    int lines[2] = {};
    const std::string* paths[2] = {&files.initDisk, &files.initData};
    const char* names[2] = {"InitDisk", "InitData"};
    for (int i = 0; i < 2; ++i) {
        if (paths[i]->empty())
            return unexpected(std::string("no ") + names[i] + " file is chosen");
        const auto facts = examineFile(disk, *paths[i]);
        if (!facts)
            return unexpected("cannot read " + *paths[i] + ": " + facts.error());
        lines[i] = facts->lines;
    }
    if (lines[0] > lines[1])
        return unexpected(std::string("the InitDisk file has more lines than the InitData file (") + text::kWrongFiles + ")");
    return {};
}

Expected<void> checkIni(const std::string& path)
{
    DiskFiles files;
    const auto defaults = FlashIni(files, path).productDefaults();
    if (!defaults)
        return unexpected(defaults.error());
    if (defaults->error)
        return unexpected(path + ": " + *defaults->error);
    return {};
}

} // namespace auxpad
