#include "base/text_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "base/sha256.h"

namespace auxpad {

TextFile::TextFile(LineReader::ReadFn read)
    : read_(std::move(read)), lines_([this](char* buffer, std::size_t capacity) {
          auto got = read_(buffer, capacity);
          if (got && hash_) {
              hash_->add(buffer, *got);
              size_ += static_cast<long long>(*got);
          }
          return got;
      })
{
}

TextFile::~TextFile() = default;

void TextFile::keepDigest()
{
    hash_ = std::make_unique<Sha256>();
    size_ = 0;
}

FileDigest TextFile::digest()
{
    return hash_ ? FileDigest{size_, hash_->hex()} : FileDigest{};
}

Expected<FileFacts> examineFile(TextFiles& files, const std::string& path)
{
    auto file = files.open(path);
    if (!file)
        return unexpected(file.error());
    (*file)->keepDigest();
    FileFacts facts;
    std::string line;
    while ((*file)->readLine(line))
        ++facts.lines;
    if (const auto& failed = (*file)->failure())
        return unexpected(*failed);
    facts.digest = (*file)->digest();
    return facts;
}

Expected<std::unique_ptr<TextFile>> DiskFiles::open(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return unexpected(std::string("it is a folder, not a file"));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return unexpected(std::string(std::strerror(errno)));
    std::shared_ptr<std::FILE> held(f, std::fclose);
    return std::make_unique<TextFile>(
        [held](char* buffer, std::size_t capacity) -> Expected<std::size_t> {
            const std::size_t got = std::fread(buffer, 1, capacity, held.get());
            if (got == 0 && std::ferror(held.get()))
                return unexpected(std::string(std::strerror(errno)));
            return got;
        });
}

} // namespace auxpad
