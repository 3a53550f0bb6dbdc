#include "tests/e2e/pty_line.h"

#include "core/fbus_frame.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyLine::PtyLine()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    slavePath_ = ptsname(master_);
    slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
}

PtyLine::~PtyLine()
{
    ::close(slave_);
    ::close(master_);
}

void PtyLine::write(const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            throw std::runtime_error("pty write failed");
        done += static_cast<std::size_t>(n);
    }
}

std::vector<std::uint8_t> PtyLine::read(std::size_t count, int timeoutMs)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> out;
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        std::uint8_t buffer[256];
        const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - out.size()));
        if (n > 0)
            out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

std::vector<std::uint8_t> frameFromBoard(std::uint8_t type, const std::vector<std::uint8_t>& data)
{
    // The simulator's own codec, so the test does not grade the tool by the tool's code.
    return auxsim::encodeFrame({auxsim::fbus::kToolAddr, auxsim::fbus::kBoardAddr, type, data});
}
