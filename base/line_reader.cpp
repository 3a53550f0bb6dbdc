#include "base/line_reader.h"

#include <cstring>
#include <utility>

namespace auxpad {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
}

LineReader::LineReader(ReadFn read) : read_(std::move(read)) {}

bool LineReader::fill()
{
    if (eof_)
        return false;
    // What is left unread moves to the front; the chunk after it is read in place, and
    // nothing of the buffer is cleared first: a download's file is read several times a
    // board, and a line bench runs thousands of boards a shift.
    if (!buffer_)
        buffer_ = std::make_unique<char[]>(kChunk * 2);
    std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    const auto got = read_(buffer_.get() + end_, std::min(kChunk, kChunk * 2 - end_));
    if (!got) {
        // What came before the fault is not handed out as if the stream had ended there.
        failure_ = got.error();
        pos_ = end_ = 0;
        eof_ = true;
        return false;
    }
    end_ += *got;
    if (*got == 0)
        eof_ = true;
    return *got > 0;
}

bool LineReader::atEnd()
{
    while (pos_ >= end_) {
        if (!fill())
            return true;
    }
    return false;
}

bool LineReader::next(std::string& line)
{
    if (atEnd())
        return false;
    line.clear();
    for (;;) {
        const char* from = buffer_.get() + pos_;
        const auto* cr = static_cast<const char*>(std::memchr(from, '\r', end_ - pos_));
        if (!cr) {
            line.append(from, end_ - pos_);
            pos_ = end_;
            if (!fill())
                return !failure_; // the last line without its end, unless the stream failed
            continue;
        }
        line.append(from, static_cast<std::size_t>(cr - from));
        pos_ += static_cast<std::size_t>(cr - from) + 1;
        // The LF of a CR LF pair may sit at the start of the next chunk.
        if (pos_ >= end_ && !fill() && failure_)
            return false;
        if (pos_ < end_ && buffer_[pos_] == '\n')
            ++pos_;
        return true;
    }
}

} // namespace auxpad
