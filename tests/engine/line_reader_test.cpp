// A file that cannot be read to its end says so; it never passes for a shorter file.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "base/line_reader.h"

namespace {

TEST(LineReader, AReadFaultEndsTheLinesAndIsToldApartFromTheEnd)
{
    int calls = 0;
    auxpad::LineReader reader([&](char* buffer, std::size_t) -> auxpad::Expected<std::size_t> {
        if (++calls == 1) {
            std::memcpy(buffer, "one\rtwo", 7);
            return std::size_t{7};
        }
        return auxpad::unexpected(std::string("Input/output error"));
    });
    std::string line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "one");
    EXPECT_FALSE(reader.next(line)) << "the half line before the fault is not a last line";
    ASSERT_TRUE(reader.failure());
    EXPECT_EQ(*reader.failure(), "Input/output error");

    auxpad::LineReader whole([done = false](char* buffer, std::size_t) mutable -> auxpad::Expected<std::size_t> {
        if (std::exchange(done, true))
            return std::size_t{0};
        std::memcpy(buffer, "last", 4);
        return std::size_t{4};
    });
    ASSERT_TRUE(whole.next(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(whole.next(line));
    EXPECT_FALSE(whole.failure()) << "the end is no fault";
}

} // namespace
