#include "app/flash_ini.h"

#include <string>

#include "app/ini_file.h"
#include "app/ini_text.h"
#include "app/station.h"
#include "platform/latin1.h"

namespace auxpad {

namespace {

struct DefaultKey {
    const char* key;
    int box;
    std::size_t length;
    const char* lengthMessage;
};

// Tested in this order; a line acts as the first key it contains.
constexpr DefaultKey kDefaults[] = {
    {"Hardware", 1, 4, "ERROR08: Hardware Version error in flash.ini! "},
    {"MCUSW", 2, 11, "ERROR09: MCUSW Version error in flash.ini! "},
    {"DSPSW", 3, 11, "ERROR10: DSPSW Version error in flash.ini! "},
    {"Serial", 4, 9, "ERROR11: Serial Number error in flash.ini! "},
    {"Code", 5, 7, "ERROR12: Code error in flash.ini! "},
    {"Manufacture", 6, 6, "ERROR13: Manufacture DDMMYY error in flash.ini! "},
};
constexpr const char* kDateMessage = "ERROR14: Invalid Manufacture DDMMYY in flash.ini! ";

const DefaultKey* keyOf(const std::string& line)
{
    for (const auto& k : kDefaults) {
        if (contains(line, k.key))
            return &k;
    }
    return nullptr;
}

bool inRange(const std::string& digits, int low, int high)
{
    const double v = lenientNumber(digits);
    return v >= low && v <= high;
}

} // namespace

void READ_SHOW_OPTION(Station& st)
{
    const auto file = openIni(st);
    std::string line;
    while (file->readLine(line)) {
        if (contains(line, "Show") && (contains(line, "Yes") || contains(line, "YES") || contains(line, "yes"))) {
            st.io.msgWin.show();
            return;
        }
    }
}

double READ_FORMAT_TIME(Station& st)
{
    const auto file = openIni(st);
    std::string line;
    while (file->readLine(line)) {
        if (!contains(line, "Format"))
            continue;
        const double v = lenientNumber(quotedValue(line).value_or(""));
        return v >= 20 && v < 60 ? v : 30;
    }
    return 30;
}

void LOAD_PROD_DEFAULTS(Station& st)
{
    const auto file = openIni(st);
    std::string line;
    while (file->readLine(line)) {
        const DefaultKey* k = keyOf(line);
        if (!k)
            continue;
        const auto value = quotedValue(line);
        if (!value || value->size() != k->length) {
            MSG_BOX(st, k->lengthMessage, platform::Icon::None);
            return;
        }
        // flash.ini is 8-bit text: each byte is one character.
        st.io.main.setText(k->box, platform::latin1ToUtf8(*value));
        if (k->box == 6 && !CHECK_MANUFACTURE_DATE(st)) {
            MSG_BOX(st, kDateMessage, platform::Icon::None);
            return;
        }
    }
}

bool CHECK_MANUFACTURE_DATE(Station& st)
{
    const std::string box = st.io.main.text(6);
    const std::string s = platform::utf8ToLatin1(box).value_or(box); // count characters, not bytes
    const std::string dd = s.substr(0, 2);
    const std::string lastFour = s.size() > 4 ? s.substr(s.size() - 4) : s;
    const std::string mm = lastFour.substr(0, 2);
    const std::string yy = s.size() > 2 ? s.substr(s.size() - 2) : s;
    return inRange(dd, 1, 31) && inRange(mm, 1, 12) && inRange(yy, 0, 99);
}

void Command1_Click(Station& st)
{
    LOAD_PROD_DEFAULTS(st);
}

} // namespace auxpad
