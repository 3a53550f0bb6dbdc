// HEX_TO_BYTES over arbitrary text. Input: the capacity (one byte), then the text. The
// output buffer is exactly that large, so a value stored past it is a heap overflow.

#include <algorithm>
#include <cctype>
#include <memory>

#include "fbus/hex_text.h"
#include "fuzz/fuzz_support.h"
#include "tests/fakes/fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const std::size_t capacity = in.byte();
    std::string text = in.rest();
    const auto digits = std::count_if(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });

    fakes::Bench b;
    const auto out = std::make_unique<std::uint8_t[]>(capacity);
    const std::int32_t n = auxpad::HEX_TO_BYTES(b.st, text, out.get(), capacity);
    fuzz::require(n >= 0 && n <= digits, "at most one value per digit");
    fuzz::require(b.main.disp1Text != "Data Error" || n == 0, "no values after a data error");
    return 0;
}
