// The flash.ini readers over arbitrary file contents.

#include "board/flash_ini.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/engine_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemoryFiles files;
    files.files["flash.ini"] = std::string(reinterpret_cast<const char*>(data), size);
    const auxpad::FlashIni ini(files, "flash.ini");
    (void)ini.comPort(".");
    (void)ini.showTrafficWindow();
    const double format = ini.formatSeconds().value();
    fuzz::require(format == 30 || (format >= 20 && format < 60), "format time 30 or within 20 to under 60");
    const auto defaults = ini.productDefaults();
    for (const auto& [field, value] : defaults->fields)
        fuzz::require(value.size() == auxpad::kProductFieldRules[auxpad::at(field)].length,
                      "a default fills its field exactly");
    auxpad::isManufactureDate(files.files["flash.ini"]);
    return 0;
}
