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

// What the station wrote reached the simulated board whole: every frame and every
// block arrived with a sound checksum.
template <typename Board>
void requireWholeFrames(const Board& board)
{
    require(board.stats().frames_rx_bad == 0, "every frame the station wrote is whole");
    require(board.stats().blocks_bad == 0, "every block the station wrote is whole");
}

} // namespace fuzz
