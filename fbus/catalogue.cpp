#include "fbus/catalogue.h"

#include <array>
#include <string_view>

namespace auxpad {

namespace {

constexpr std::array<std::string_view, 6> kIndications = {
    "_CTRL_KBD_IND",
    "_CTRL_STATUS_IND",
    "_MUSIC_PLAYER_TRACK_INFO_IND",
    "_MUSIC_PLAYER_TIME_INFO_IND",
    "_FMRADIO_CHANNEL_FOUND_IND",
    "_POWER_UP_IND",
};

// Requests 0x29 to 0x4F; the response to request r is r + 0x28 and ends in _RESP.
constexpr std::uint8_t kFirstRequest = 0x29;
constexpr std::uint8_t kResponseOffset = 0x28;
constexpr std::array<std::string_view, 39> kRequests = {
    "_CTRL_MEM_STATUS_REQ",
    "_CTRL_STATUS_REQ",
    "_CTRL_AUDIO_ROUTING_REQ",
    "_CTRL_AUDIO_VOLUME_SET_REQ",
    "_CTRL_BEEP_REQ",
    "_CTRL_ALLOW_USB_DOWNLOAD_REQ",
    "_CTRL_RESTORE_FACTORY_SETTINGS_REQ",
    "_MUSIC_PLAYER_CTRL_REQ",
    "_MUSIC_PLAYER_TRACK_CHANGE_REQ",
    "_MUSIC_PLAYER_SEEK_REQ",
    "_MUSIC_PLAYER_TONE_OPT_SET_REQ",
    "_MUSIC_PLAYER_TRACK_INFO_REQ",
    "_MUSIC_PLAYER_TIME_INFO_REQ",
    "_RECORDER_CTRL_REQ",
    "_RECORDER_FILE_RENAME_REQ",
    "_TRACK_DELETE_REQ",
    "_RECORDER_OPT_SET_REQ",
    "_FMRADIO_CTRL_REQ",
    "_FMRADIO_CHA_CTRL_REQ",
    "_FMRADIO_OPT_SET_REQ",
    "_DYN_LIST_START_REQ",
    "_DYN_LIST_SCROLL_REQ",
    "_TEST_PWR_CTRL_REQ",
    "_TEST_AUDIO_TEST_REQ",
    "_TEST_IO_PORT_READ_REQ",
    "_TEST_AUDIO_INPUT_REQ",
    "_TEST_AUDIO_OUTPUT_REQ",
    "_TEST_INFO_READ_REQ",
    "_TEST_INFO_UPDATE_REQ",
    "_TEST_PROD_INFO_WRITE_REQ",
    "_TEST_SELF_TEST_REQ",
    "_TEST_PROD_INFO_REQ",
    "_MUSIC_PLAYER_SETTINGS_REQ",
    "_CTRL_OBSOLETE_SYNC_REQ",
    "_TEST_KEY_STATE_REQ",
    "_TEST_ROW_WRITE_REQ",
    "_TEST_ROW_READ_REQ",
    "_FMRADIO_SENS_SET_REQ",
    "_CTRL_SYNC_REQ",
};

} // namespace

std::string messageName(std::uint8_t id)
{
    if (id >= 0x01 && id <= kIndications.size())
        return std::string(kIndications[id - 1]);
    if (id >= kFirstRequest && id < kFirstRequest + kRequests.size())
        return std::string(kRequests[id - kFirstRequest]);
    const int request = id - kResponseOffset;
    if (request >= kFirstRequest && request < kFirstRequest + static_cast<int>(kRequests.size())) {
        std::string name(kRequests[request - kFirstRequest]);
        name.replace(name.size() - 4, 4, "_RESP"); // "_REQ" -> "_RESP"
        return name;
    }
    if (id == 0xFF)
        return "_MESSAGE_NOT_DEFINED";
    return "";
}

} // namespace auxpad
