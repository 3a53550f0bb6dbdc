#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// What the fuzz targets share: reading their input and declaring a finding.
namespace fuzz {

// A broken property is a finding like a crash: libFuzzer saves the input that did it.
inline void require(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

// The input, taken from the front; reads past the end give nothing.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::uint8_t byte() { return empty() ? 0 : data_[pos_++]; }
    std::vector<std::uint8_t> bytes(std::size_t n)
    {
        const std::size_t take = n < size_ - pos_ ? n : size_ - pos_;
        std::vector<std::uint8_t> out(data_ + pos_, data_ + pos_ + take);
        pos_ += take;
        return out;
    }
    std::string rest()
    {
        std::string out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A bootloader block must leave whole: 80 12 00 LEN, an even LEN of 2 to 194 data bytes,
// and two checksum bytes that make the XOR over each half of the block zero.
inline void requireWellFormedBlock(const std::vector<std::uint8_t>& block)
{
    require(block.size() >= 8 && block.size() <= 200, "block size within 8 to 200 bytes");
    require(block[0] == 0x80 && block[1] == 0x12 && block[2] == 0x00, "block header 80 12 00");
    require(block[3] % 2 == 0 && block.size() == block[3] + 6u, "block length byte matches the block");
    std::uint8_t even = 0;
    std::uint8_t odd = 0;
    for (std::size_t i = 0; i < block.size(); ++i)
        (i % 2 ? odd : even) ^= block[i];
    require(even == 0 && odd == 0, "block checksum");
}

} // namespace fuzz
