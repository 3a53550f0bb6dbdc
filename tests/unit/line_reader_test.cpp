#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/line_reader.h"

namespace {

// Reads `content` through chunks of `chunk` bytes, so line ends can straddle chunks.
std::vector<std::string> lines(const std::string& content, std::size_t chunk = 64 * 1024)
{
    std::size_t pos = 0;
    platform::LineReader reader([&](char* buffer, std::size_t capacity) {
        const std::size_t n = std::min({capacity, chunk, content.size() - pos});
        std::memcpy(buffer, content.data() + pos, n);
        pos += n;
        return n;
    });
    std::vector<std::string> out;
    std::string line;
    while (reader.next(line))
        out.push_back(line);
    return out;
}

using Lines = std::vector<std::string>;

TEST(LineReader, CrAndCrLfEndLinesButLoneLfStaysInTheLine)
{
    EXPECT_EQ(lines("a\r\nb\rc"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(lines("a\nb\nc\n"), (Lines{"a\nb\nc\n"}));
    EXPECT_EQ(lines("a\n\rb"), (Lines{"a\n", "b"}));
    EXPECT_EQ(lines("12,34\n56\r\n"), (Lines{"12,34\n56"}));
}

TEST(LineReader, EmptyLinesCountAndAnEmptyFileHasNone)
{
    EXPECT_EQ(lines(""), Lines{});
    EXPECT_EQ(lines("\r"), (Lines{""}));
    EXPECT_EQ(lines("\r\n\r\n"), (Lines{"", ""}));
    EXPECT_EQ(lines("a\r\r\nb\r\n"), (Lines{"a", "", "b"}));
}

TEST(LineReader, LineEndsSplitAcrossChunksAreJoined)
{
    const std::string content = "ab\r\ncd\r\nef\rgh";
    for (std::size_t chunk = 1; chunk <= 4; ++chunk)
        EXPECT_EQ(lines(content, chunk), (Lines{"ab", "cd", "ef", "gh"})) << "chunk " << chunk;
}

TEST(LineReader, LongLinesSurviveManyChunks)
{
    const std::string longLine(200000, 'x');
    EXPECT_EQ(lines(longLine + "\r\n" + longLine, 4096), (Lines{longLine, longLine}));
}

} // namespace
