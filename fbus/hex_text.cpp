#include "fbus/hex_text.h"

#include "app/station.h"

namespace auxpad {

std::int32_t HEX_TO_BYTES(Station& st, std::string& text, std::uint8_t* out, std::size_t capacity)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    std::uint8_t acc = 0;
    bool pending = false;
    std::int32_t count = 0;
    auto emit = [&] {
        if (static_cast<std::size_t>(count) < capacity)
            out[count] = acc;
        ++count;
        acc = 0;
        pending = false;
    };
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit >= 0) {
            acc = static_cast<std::uint8_t>(((acc & 0x0F) << 4) | digit);
            pending = true;
        } else if (c == ' ' || c == ',' || c == '\r' || c == '\n') {
            if (pending)
                emit();
        } else {
            st.io.main.setDisp1("Data Error");
            return 0;
        }
    }
    if (pending)
        emit();
    return count;
}

} // namespace auxpad
