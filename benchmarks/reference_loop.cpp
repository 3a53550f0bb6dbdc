#include "benchmarks/reference_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "benchmarks/figure_rig.h"

namespace figures {

namespace {

Block finish(Block block)
{
    block[3] = static_cast<std::uint8_t>(block.size() - 4);
    std::uint8_t even = 0;
    std::uint8_t odd = 0;
    for (std::size_t i = 0; i < block.size(); ++i)
        (i % 2 ? odd : even) ^= block[i];
    block.push_back(even);
    block.push_back(odd);
    return block;
}

void writeAll(int fd, const Block& block)
{
    std::size_t done = 0;
    while (done < block.size()) {
        const ssize_t n = ::write(fd, block.data() + done, block.size() - done);
        if (n < 0)
            throw std::runtime_error(std::string("write: ") + std::strerror(errno));
        done += static_cast<std::size_t>(n);
    }
}

void awaitAck(int fd)
{
    std::uint8_t buffer[256];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            throw std::runtime_error("no 0x90 within 5 s");
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0 && std::memchr(buffer, 0x90, static_cast<std::size_t>(n)))
            return;
    }
}

} // namespace

std::vector<Block> blocksOfFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<Block> blocks;
    Block block = {0x80, 0x12, 0x00, 0x00};
    int lines = 0;
    std::string line;
    while (std::getline(in, line, '\r')) {
        if (!line.empty() && line[0] == '\n')
            line.erase(0, 1);
        if (line.empty())
            continue;
        std::istringstream values(line);
        unsigned v = 0;
        while (values >> std::hex >> v)
            block.push_back(static_cast<std::uint8_t>(v));
        if (++lines == 6) {
            blocks.push_back(finish(block));
            block.resize(4);
            lines = 0;
        }
    }
    if (lines > 0)
        blocks.push_back(finish(block));
    return blocks;
}

double referenceLoopSeconds(const std::string& device, const std::vector<Block>& blocks)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + device);
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    cfsetspeed(&raw, B115200);
    tcsetattr(fd, TCSANOW, &raw);
    tcflush(fd, TCIOFLUSH);
    const double start = secondsNow();
    for (const Block& block : blocks) {
        writeAll(fd, block);
        awaitAck(fd);
    }
    const double seconds = secondsNow() - start;
    ::close(fd);
    return seconds;
}

} // namespace figures
