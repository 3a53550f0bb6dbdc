#pragma once

#include <memory>
#include <string>

namespace auxpad {

// A text file open for reading, one line at a time. A line ends at CR or CR LF; a lone
// LF stays in the line. The last line may lack its end.
class TextFile {
public:
    virtual ~TextFile() = default;
    virtual bool readLine(std::string& line) = 0; // false at the end of the file
};

// Where text files come from: the disk at a station, memory in a test.
class TextFiles {
public:
    virtual ~TextFiles() = default;
    // nullptr when the file cannot be opened; `reason` then says why.
    virtual std::unique_ptr<TextFile> open(const std::string& path, std::string& reason) = 0;
};

// Counts the lines of a file by the rule above; false, with the reason, when it cannot
// be read.
bool countLines(TextFiles& files, const std::string& path, int& lines, std::string& reason);

// Text files on disk, read in chunks so that a file of any size costs one chunk.
class DiskFiles final : public TextFiles {
public:
    std::unique_ptr<TextFile> open(const std::string& path, std::string& reason) override;
};

} // namespace auxpad
