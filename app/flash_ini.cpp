#include "app/flash_ini.h"

#include <memory>
#include <string>

#include "app/ini_file.h"
#include "app/ini_text.h"
#include "app/station.h"

namespace auxpad {

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

void Command1_Click(Station&)
{
}

} // namespace auxpad
