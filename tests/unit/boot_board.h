#pragma once

#include <set>
#include <vector>

#include "tests/fakes/fakes.h"

// A scripted bootloader on the far end of the fake port: it answers each block it is
// sent with 0x90, unless told to keep quiet about some of them.
struct BootBoard {
    explicit BootBoard(fakes::Bench& bench) : b(bench)
    {
        b.port.onFlush = [this](fakes::FakePort& port) { heard(port); };
    }

    fakes::Bench& b;
    std::vector<std::vector<std::uint8_t>> blocks; // every block, as sent
    std::vector<std::uint8_t> image;               // their data bytes, in order
    std::set<std::size_t> silentBlocks;            // 1-based numbers of blocks left unanswered
    std::vector<std::uint8_t> reply = {0x90};
    std::int32_t replyDelayMs = 0;

    void heard(fakes::FakePort& port)
    {
        const auto bytes = port.take();
        if (bytes.empty() || bytes[0] != 0x80)
            return;
        blocks.push_back(bytes);
        image.insert(image.end(), bytes.begin() + 4, bytes.end() - 2);
        if (!silentBlocks.count(blocks.size()))
            port.arriveAfter(replyDelayMs, reply);
    }
};

// Download file content: `lines` lines of `perLine` bytes, CR LF line ends.
inline std::string downloadFile(int lines, int perLine = 32, std::vector<std::uint8_t>* bytes = nullptr)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < perLine; ++i) {
            const auto v = static_cast<std::uint8_t>((l * 7 + i * 13) & 0xFF);
            if (bytes)
                bytes->push_back(v);
            text += digits[v >> 4];
            text += digits[v & 15];
            text += i + 1 < perLine ? " " : "";
        }
        text += "\r\n";
    }
    return text;
}
