#include "shell/port_map_file.h"

#include "core/port_map_text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace auxsim {
namespace {

std::string readText(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Written beside the file and renamed over it, so the tool never reads a
// half-written map.
void writeText(const std::filesystem::path &file, const std::string &text)
{
    std::filesystem::path tmp = file;
    tmp += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush())
            throw std::runtime_error("cannot write " + tmp.string());
    }
    std::error_code ec;
    std::filesystem::rename(tmp, file, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        throw std::runtime_error("cannot replace " + file.string());
    }
}

// Simulators started at once each read the map, change their own line and write it back:
// one at a time, under a lock on a file beside it, or the last writer wins and the others'
// lines are lost.
class MapLock {
public:
    explicit MapLock(const std::filesystem::path &file)
    {
        std::filesystem::path lock = file;
        lock += ".lock";
        fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + lock.string());
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                throw std::runtime_error("cannot lock " + lock.string());
            }
        }
    }
    ~MapLock() { ::close(fd_); }
    MapLock(const MapLock &) = delete;
    MapLock &operator=(const MapLock &) = delete;

private:
    int fd_ = -1;
};

} // namespace

std::filesystem::path PortMapEntry::defaultFile()
{
    std::filesystem::path base;
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char *home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".config";
    else
        base = ".config";
    return base / "auxpad-flash" / "ports.conf";
}

PortMapEntry::PortMapEntry(std::filesystem::path file, int comNumber, std::string devicePath)
    : file_(std::move(file)), key_("COM" + std::to_string(comNumber)), value_(std::move(devicePath))
{
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    if (ec)
        throw std::runtime_error("cannot create " + file_.parent_path().string() + ": " + ec.message());
    const MapLock lock(file_);
    const PortMapEdit edit = setPortLine(readText(file_), key_, value_);
    writeText(file_, edit.text);
    previousLine_ = edit.previousLine;
}

PortMapEntry::~PortMapEntry()
{
    try {
        restore();
    } catch (...) {
        // Nothing sensible is left to do while unwinding.
    }
}

std::string PortMapEntry::restore()
{
    if (restored_)
        return {};
    restored_ = true;
    const MapLock lock(file_);
    const auto text = restorePortLine(readText(file_), key_, value_, previousLine_);
    if (!text)
        return key_ + " in " + file_.string() + " no longer points here; left as it is";
    writeText(file_, *text);
    return previousLine_ ? "restored " + *previousLine_ + " in " + file_.string()
                         : "removed " + key_ + " from " + file_.string();
}

} // namespace auxsim
