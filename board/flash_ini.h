#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/text_files.h"
#include "board/prod_record.h"

namespace auxpad {

// flash.ini, the station's settings. Every reading opens the file afresh, so edits take
// effect at the next reading. A key counts wherever it stands in a line (case matters),
// and its value is what stands between the line's first two double quotes.
class FlashIni {
public:
    FlashIni(TextFiles& files, std::string path) : files_(&files), path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // Each reading gives its value, or why the file cannot be read.

    // The COMport value as written (it is also the caption); a failure names the file's
    // folder `where` and says what is wrong.
    Expected<std::string> comPort(const std::string& where) const;
    // Whether a "Show" line also holds "Yes", "YES" or "yes".
    Expected<bool> showTrafficWindow() const;
    // Format wait in seconds: the first "Format" value when 20 <= v < 60, else 30.
    Expected<double> formatSeconds() const;

    // The product-information defaults in file order: each entry sets its field (Latin-1
    // text) until the first faulty one, whose message ends the reading.
    struct Defaults {
        std::vector<std::pair<ProductField, std::string>> fields;
        std::optional<std::string> error;
    };
    Expected<Defaults> productDefaults() const;

private:
    Expected<std::unique_ptr<TextFile>> open() const;

    TextFiles* files_;
    std::string path_;
};

// Where flash.ini is read after start-up: the start-up folder, a separator and the
// name, without a doubled separator when the folder is already a root.
std::string iniPathIn(const std::string& folder);

// Whether a text (Latin-1) is a DDMMYY date: day 1-31, month 1-12, year 0-99. The
// parts are the first two characters, the first two of the last four, and the last two.
bool isManufactureDate(const std::string& text);

} // namespace auxpad
