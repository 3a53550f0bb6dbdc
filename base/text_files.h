#pragma once

#include <memory>
#include <string>

#include "base/expected.h"
#include "base/line_reader.h"

namespace auxpad {

// How many bytes a file held and their SHA-256 (64 lower-case hex digits).
struct FileDigest {
    long long size = 0;
    std::string sha256;
};

class Sha256;
class TextFiles;
struct FileFacts;

// A text file open for reading, one line at a time. A line ends at CR or CR LF; a lone
// LF stays in the line. The last line may lack its end. The bytes come from `read`, a
// chunk at a time, so a file of any size costs one chunk of memory.
class TextFile {
public:
    explicit TextFile(LineReader::ReadFn read);
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    bool readLine(std::string& line) { return lines_.next(line); } // false at the end, or on a fault
    // Why the file could not be read to its end, if it could not.
    const std::optional<std::string>& failure() const { return lines_.failure(); }

private:
    friend Expected<FileFacts> examineFile(TextFiles& files, const std::string& path);
    // Hashes every byte read from now on; asked for before the first line, digest()
    // tells the whole file's once every line is read.
    void keepDigest();
    FileDigest digest();

    LineReader::ReadFn read_;
    std::unique_ptr<Sha256> hash_;
    long long size_ = 0;
    LineReader lines_;
};

// Where text files come from: the disk at a station, memory in a test.
class TextFiles {
public:
    virtual ~TextFiles() = default;
    // The file open for reading, or why it cannot be opened.
    virtual Expected<std::unique_ptr<TextFile>> open(const std::string& path) = 0;
};

// A file read to its end by the rule above: its lines, and its size and SHA-256.
struct FileFacts {
    int lines = 0;
    FileDigest digest;
};
Expected<FileFacts> examineFile(TextFiles& files, const std::string& path);

// Text files on disk.
class DiskFiles final : public TextFiles {
public:
    Expected<std::unique_ptr<TextFile>> open(const std::string& path) override;
};

} // namespace auxpad
