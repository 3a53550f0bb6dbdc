#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "base/line_reader.h"
#include "base/text_files.h"

namespace auxpad {

namespace {

class DiskFile final : public TextFile {
public:
    explicit DiskFile(std::FILE* f)
        : file_(f), lines_([this](char* buffer, std::size_t capacity) { return std::fread(buffer, 1, capacity, file_); })
    {
    }
    ~DiskFile() override { std::fclose(file_); }
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    bool readLine(std::string& line) override { return lines_.next(line); }

private:
    std::FILE* file_;
    LineReader lines_;
};

} // namespace

bool countLines(TextFiles& files, const std::string& path, int& lines, std::string& reason)
{
    const auto file = files.open(path, reason);
    if (!file)
        return false;
    lines = 0;
    std::string line;
    while (file->readLine(line))
        ++lines;
    return true;
}

std::unique_ptr<TextFile> DiskFiles::open(const std::string& path, std::string& reason)
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
    return std::make_unique<DiskFile>(f);
}

} // namespace auxpad
