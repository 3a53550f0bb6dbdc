#pragma once

#include <memory>
#include <string>

namespace platform {

// A text file open for reading, one line at a time. A line ends at CR or CR LF; a lone
// LF stays in the line. The last line may lack its end.
class TextFile {
public:
    virtual ~TextFile() = default;
    virtual bool atEnd() = 0;
    virtual bool readLine(std::string& line) = 0; // false at the end of the file
};

class TextFiles {
public:
    virtual ~TextFiles() = default;
    // nullptr when the file cannot be opened; `reason` then says why.
    virtual std::unique_ptr<TextFile> openRead(const std::string& path, std::string& reason) = 0;
};

} // namespace platform
