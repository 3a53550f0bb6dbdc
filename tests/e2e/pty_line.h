#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The board's end of a pseudo-terminal, for tests that play the board themselves.
class PtyLine {
public:
    PtyLine();
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    const std::string& devicePath() const { return slavePath_; }
    void write(const std::vector<std::uint8_t>& bytes);
    // Reads until `count` bytes have come or the time is up; returns what came.
    std::vector<std::uint8_t> read(std::size_t count, int timeoutMs);

private:
    int master_ = -1;
    int slave_ = -1; // held open so the line stays up while the tool is not connected
    std::string slavePath_;
};

// Frame from the board, with pad and checksum.
std::vector<std::uint8_t> frameFromBoard(std::uint8_t type, const std::vector<std::uint8_t>& data);
