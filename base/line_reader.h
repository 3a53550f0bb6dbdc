#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/expected.h"

namespace auxpad {

// Splits a byte stream into lines by the tool's rule: a line ends at CR or at CR LF; a
// lone LF is an ordinary character of the line. The last line may lack its end; an empty
// stream has no lines. Reads in chunks, so a file of any size costs one chunk of memory.
class LineReader {
public:
    // `read` fills up to `capacity` bytes and returns how many it gave, 0 at the end, or
    // why the stream could not be read.
    using ReadFn = std::function<Expected<std::size_t>(char* buffer, std::size_t capacity)>;

    explicit LineReader(ReadFn read);

    // The next line; false at the end, or once the stream could not be read (failure()).
    bool next(std::string& line);
    // Why the stream stopped before its end, if it did.
    const std::optional<std::string>& failure() const { return failure_; }

private:
    bool atEnd();
    bool fill();

    ReadFn read_;
    std::unique_ptr<char[]> buffer_; // two chunks: what is left of one, and the next
    std::size_t pos_ = 0;            // the first byte not read yet
    std::size_t end_ = 0;            // past the last byte in the buffer
    bool eof_ = false;
    std::optional<std::string> failure_;
};

} // namespace auxpad
