#include "runner/start_checks.h"

#include "board/flash_ini.h"
#include "engine/texts.h"

namespace auxpad {

Expected<void> checkFlashFiles(const FlashFiles& files)
{
    DiskFiles disk;
    if (auto checked = examineFlashFiles(disk, files); !checked)
        return unexpected(std::move(checked.error().text));
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
