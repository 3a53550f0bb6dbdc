#include "bootload/downloads.h"

#include <algorithm>
#include <memory>

#include "app/station.h"
#include "board/messages.h"
#include "bootload/boot_block.h"
#include "bootload/file_lines.h"
#include "bootload/messages.h"

namespace auxpad {

namespace {

constexpr int LINES_PER_BLOCK = 6;
constexpr int POINTER_CUSTOM = 99;

// How the two downloads differ.
struct Download {
    int list;                  // File1 or File2
    std::int32_t Station::*lines;
    ProgressStyle full;        // caption before each full block
    ProgressStyle last;        // caption before the last, partial block
    bool repaintAtEnd;         // repaint DISP1 once "End" or "Error!" is appended at the end
};

const Download kInitDisk{1, &Station::DISK_LINES, {text::DOWNLOADING, text::PERCENT, false},
                         {text::DOWNLOADING_TIGHT, text::PERCENT, false}, false};
const Download kInitData{2, &Station::DATA_LINES, {text::DOWNLOADING, text::PERCENT_OF_FILE, true},
                         {text::DOWNLOADING, text::PERCENT_OF_FILE, true}, true};

void appendToDisp1(Station& st, const char* line)
{
    st.io.main.setDisp1(st.io.main.disp1() + text::LF + line);
}

void failurePath(Station& st)
{
    MSG_BOX(st, text::ERROR07, platform::Icon::Critical);
    appendToDisp1(st, text::ERROR_MARK);
    SET_FLASH_OK(st, false);
}

// Sends the file as blocks of six lines; the file is read line by line as it goes.
void sendFile(Station& st, const Download& d, platform::TextFile& file, const std::string& name)
{
    auto& view = st.io.main;
    const std::int32_t start = st.io.clock.tickCount();
    const std::int32_t total = st.*d.lines;
    std::string block;
    int inBlock = 0;
    std::int32_t lineNumber = 0;
    std::int32_t elapsed = 0;
    std::string line;
    while (file.readLine(line)) {
        ++lineNumber;
        block += ' ';
        block += line;
        if (inBlock < LINES_PER_BLOCK - 1) {
            ++inBlock;
            continue;
        }
        // A file that grew since it was counted, or was empty then, holds the bar at 100.
        const float percent = total > 0 ? static_cast<float>(lineNumber) * 100.0f / static_cast<float>(total) : 100.0f;
        view.setPrgLoadValue(std::min(percent, 100.0f));
        view.setDisp1(progressText(d.full, view.prgLoadValue(), name, elapsed));
        view.repaintDisp1();
        if (!SEND_BOOT_BLOCK(st, block)) {
            failurePath(st);
            return;
        }
        block.clear();
        inBlock = 0;
        elapsed = platform::tickDiff(st.io.clock.tickCount(), start);
    }
    if (inBlock == 0) {
        appendToDisp1(st, text::END);
        SET_FLASH_OK(st, true);
    } else {
        view.setDisp1(progressText(d.last, view.prgLoadValue(), name, elapsed));
        if (SEND_BOOT_BLOCK(st, block)) {
            appendToDisp1(st, text::END);
            SET_FLASH_OK(st, true);
        } else {
            failurePath(st);
        }
    }
    if (d.repaintAtEnd)
        view.repaintDisp1();
    if (total <= 0 && lineNumber > 0)
        SET_FLASH_OK(st, false); // without a line count there is no telling the whole file went
}

void download(Station& st, const Download& d)
{
    auto& view = st.io.main;
    const std::string name = view.selectedFile(d.list);
    view.setPrgLoadVisible(true);
    view.setPrgLoadValue(0);
    {
        std::string reason;
        const auto file = openDownloadFile(st, name, reason);
        if (file) {
            sendFile(st, d, *file, name);
        } else {
            // A box, since the job's failure caption replaces DISP1 straight after.
            MSG_BOX(st, cannotRead(name, reason), platform::Icon::Critical);
            SET_FLASH_OK(st, false);
        }
    } // the file is closed here on every path
    if (view.prgLoadValue() < 99)
        SET_FLASH_OK(st, false);
    view.setPrgLoadVisible(false);
    view.setMousePointer(POINTER_CUSTOM);
}

} // namespace

void INIT_DISK(Station& st)
{
    download(st, kInitDisk);
}

void FLASH_DSP(Station& st)
{
    const std::string name = st.io.main.selectedFile(2);
    if (name.empty()) {
        MSG_BOX(st, text::SELECT_INIT_DATA, platform::Icon::Critical);
        return;
    }
    st.io.main.setDisp1(text::CHECKING_DATA_FILE + name);
    st.io.main.repaintDisp1();
    std::string reason;
    if (!countLines(st, name, st.DATA_LINES, reason)) {
        MSG_BOX(st, cannotRead(name, reason), platform::Icon::Critical);
        st.io.main.setPrgLoadVisible(false);
        SET_FLASH_OK(st, false);
        return;
    }
    download(st, kInitData);
}

} // namespace auxpad
