#include "platform/host/disk_text_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "platform/line_reader.h"

namespace platform {

namespace {

class DiskTextFile final : public TextFile {
public:
    explicit DiskTextFile(std::FILE* f)
        : file_(f), lines_([this](char* buffer, std::size_t capacity) {
              return std::fread(buffer, 1, capacity, file_);
          })
    {
    }
    ~DiskTextFile() override { std::fclose(file_); }
    DiskTextFile(const DiskTextFile&) = delete;
    DiskTextFile& operator=(const DiskTextFile&) = delete;

    bool atEnd() override { return lines_.atEnd(); }
    bool readLine(std::string& line) override { return lines_.next(line); }

private:
    std::FILE* file_;
    LineReader lines_;
};

} // namespace

std::unique_ptr<TextFile> DiskTextFiles::openRead(const std::string& path, std::string& reason)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        reason = "it is a folder, not a file";
        return nullptr;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<DiskTextFile>(f);
}

} // namespace platform
