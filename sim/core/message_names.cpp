#include "core/message_names.h"

#include <array>

namespace auxsim {
namespace {

constexpr std::array<const char *, 6> kIndications = {
    "_CTRL_KBD_IND",
    "_CTRL_STATUS_IND",
    "_MUSIC_PLAYER_TRACK_INFO_IND",
    "_MUSIC_PLAYER_TIME_INFO_IND",
    "_FMRADIO_CHANNEL_FOUND_IND",
    "_POWER_UP_IND",
};

constexpr std::uint8_t kFirstRequest = 0x29;

// Request names without their "_REQ" ending; ids 0x29 to 0x4F in order.
constexpr std::array<const char *, 39> kRequestStems = {
    "_CTRL_MEM_STATUS",
    "_CTRL_STATUS",
    "_CTRL_AUDIO_ROUTING",
    "_CTRL_AUDIO_VOLUME_SET",
    "_CTRL_BEEP",
    "_CTRL_ALLOW_USB_DOWNLOAD",
    "_CTRL_RESTORE_FACTORY_SETTINGS",
    "_MUSIC_PLAYER_CTRL",
    "_MUSIC_PLAYER_TRACK_CHANGE",
    "_MUSIC_PLAYER_SEEK",
    "_MUSIC_PLAYER_TONE_OPT_SET",
    "_MUSIC_PLAYER_TRACK_INFO",
    "_MUSIC_PLAYER_TIME_INFO",
    "_RECORDER_CTRL",
    "_RECORDER_FILE_RENAME",
    "_TRACK_DELETE",
    "_RECORDER_OPT_SET",
    "_FMRADIO_CTRL",
    "_FMRADIO_CHA_CTRL",
    "_FMRADIO_OPT_SET",
    "_DYN_LIST_START",
    "_DYN_LIST_SCROLL",
    "_TEST_PWR_CTRL",
    "_TEST_AUDIO_TEST",
    "_TEST_IO_PORT_READ",
    "_TEST_AUDIO_INPUT",
    "_TEST_AUDIO_OUTPUT",
    "_TEST_INFO_READ",
    "_TEST_INFO_UPDATE",
    "_TEST_PROD_INFO_WRITE",
    "_TEST_SELF_TEST",
    "_TEST_PROD_INFO",
    "_MUSIC_PLAYER_SETTINGS",
    "_CTRL_OBSOLETE_SYNC",
    "_TEST_KEY_STATE",
    "_TEST_ROW_WRITE",
    "_TEST_ROW_READ",
    "_FMRADIO_SENS_SET",
    "_CTRL_SYNC",
};

} // namespace

std::string messageName(std::uint8_t id)
{
    if (id >= 0x01 && id <= kIndications.size())
        return kIndications[id - 1];
    const unsigned requests = kRequestStems.size();
    if (id >= kFirstRequest && id < kFirstRequest + requests)
        return std::string(kRequestStems[id - kFirstRequest]) + "_REQ";
    const unsigned firstResponse = kFirstRequest + msgid::kResponseOffset;
    if (id >= firstResponse && id < firstResponse + requests)
        return std::string(kRequestStems[id - firstResponse]) + "_RESP";
    if (id == 0xFF)
        return "_MESSAGE_NOT_DEFINED";
    return {};
}

} // namespace auxsim
