// The flash.ini readers over arbitrary file contents: start-up, the Show option, the
// format time, the product-information defaults, and the date check on a Text6 made of
// the input's last bytes. A start-up fault is the tool's answer to a bad file, not a finding.

#include "app/flash_ini.h"
#include "app/startup.h"
#include "fuzz/fuzz_support.h"
#include "tests/fakes/fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string ini(reinterpret_cast<const char*>(data), size);
    fakes::Bench b;
    b.files.files["flash.ini"] = ini;
    b.files.files["/station/flash.ini"] = ini;
    try {
        auxpad::Form_Load(b.st);
    } catch (const platform::RuntimeFault&) {
    }
    auxpad::READ_SHOW_OPTION(b.st);
    const double format = auxpad::READ_FORMAT_TIME(b.st);
    fuzz::require(format == 30 || (format >= 20 && format < 60), "format time 30 or within 20 to under 60");
    auxpad::LOAD_PROD_DEFAULTS(b.st);
    b.main.texts[5] = ini.substr(size > 8 ? size - 8 : 0);
    auxpad::CHECK_MANUFACTURE_DATE(b.st);
    fuzz::require(b.files.openNow == 0, "flash.ini closed after every reading");
    return 0;
}
