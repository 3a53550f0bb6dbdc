#include "shell/shell_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <string_view>

namespace auxsim {
namespace {

// Written beside the target and renamed over it, so a reader never sees a
// half-written file.
bool replaceFile(const std::string &path, std::string_view content)
{
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    const bool ok = ::close(fd) == 0 && done == content.size();
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace

ShellSink::ShellSink(bool quiet, std::string imageOut, std::string recordOut, std::string statsFile)
    : quiet_(quiet), imageOut_(std::move(imageOut)), recordOut_(std::move(recordOut)),
      statsFile_(std::move(statsFile))
{
    if (!imageOut_.empty()) {
        imageFd_ = ::open(imageOut_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (imageFd_ < 0)
            notice("cannot open " + imageOut_ + ": " + std::strerror(errno));
    }
}

ShellSink::~ShellSink()
{
    if (imageFd_ >= 0)
        ::close(imageFd_);
}

void ShellSink::boardAttached()
{
    // The image is the attached board's: it starts afresh for each one.
    if (imageFd_ >= 0 && ::ftruncate(imageFd_, 0) != 0)
        notice("cannot empty " + imageOut_ + ": " + std::strerror(errno));
    if (imageFd_ >= 0)
        ::lseek(imageFd_, 0, SEEK_SET);
}

void ShellSink::log(TimeUs at, const std::string &line)
{
    if (quiet_)
        return;
    std::fprintf(stderr, "%9.3f %s\n", static_cast<double>(at) / 1e6, line.c_str());
}

void ShellSink::notice(const std::string &line)
{
    std::fprintf(stderr, "auxpad-sim: %s\n", line.c_str());
}

void ShellSink::imageData(std::span<const std::uint8_t> data)
{
    if (imageFd_ < 0)
        return;
    // Unbuffered, so the file is complete after every block.
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(imageFd_, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            notice("cannot write " + imageOut_ + ": " + std::strerror(errno));
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

void ShellSink::recordStored(const ProdRecord &record)
{
    if (recordOut_.empty())
        return;
    const std::string_view bytes(reinterpret_cast<const char *>(record.data()), record.size());
    if (!replaceFile(recordOut_, bytes))
        notice("cannot write " + recordOut_);
}

void ShellSink::statsChanged(const SimStats &stats)
{
    if (!written_ || !(*written_ == stats))
        writeStats(stats);
}

void ShellSink::writeStats(const SimStats &stats)
{
    written_ = stats;
    if (!statsFile_.empty() && !replaceFile(statsFile_, stats.toText()))
        notice("cannot write " + statsFile_);
}

} // namespace auxsim
