#include "bootload/flash_start.h"

#include "app/station.h"
#include "board/jobs.h"
#include "bootload/file_lines.h"
#include "bootload/messages.h"

namespace auxpad {

namespace {

bool selected(Station& st, int list, const char* missing, std::string& name)
{
    name = st.io.main.selectedFile(list);
    if (!name.empty())
        return true;
    st.io.main.setDisp1(missing);
    MSG_BOX(st, missing, platform::Icon::Critical);
    return false;
}

// Shows the file being counted, then counts it. A file that cannot be read is named in
// DISP1 with the reason, and no job starts.
bool count(Station& st, const char* checking, const std::string& name, std::int32_t& lines)
{
    st.io.main.setDisp1(checking + name);
    st.io.main.repaintDisp1();
    std::string reason;
    if (countLines(st, name, lines, reason))
        return true;
    st.io.main.setDisp1(cannotRead(name, reason));
    return false;
}

} // namespace

void BOOTLOAD_DSP_Click(Station& st)
{
    st.io.main.setPrgLoadVisible(false);
    st.io.main.setDisp1(text::FLASH_STARTING);
    std::string disk;
    std::string data;
    if (!selected(st, 1, text::SELECT_INIT_DISK, disk) || !selected(st, 2, text::SELECT_INIT_DATA, data))
        return;
    if (!count(st, text::CHECKING_DISK_FILE, disk, st.DISK_LINES) || !count(st, text::CHECKING_DATA_FILE, data, st.DATA_LINES))
        return;
    if (st.DISK_LINES > st.DATA_LINES) {
        MSG_BOX(st, text::WRONG_FILES, platform::Icon::None);
        st.io.main.setDisp1(text::WRONG_FILES);
        return;
    }
    FLASH_JOB_START(st);
}

} // namespace auxpad
