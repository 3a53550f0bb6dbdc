#include "base/line_reader.h"

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
    buffer_.erase(0, pos_);
    pos_ = 0;
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    const auto got = read_(buffer_.data() + old, kChunk);
    if (!got) {
        // What came before the fault is not handed out as if the stream had ended there.
        failure_ = got.error();
        buffer_.clear();
        pos_ = 0;
        eof_ = true;
        return false;
    }
    buffer_.resize(old + *got);
    if (*got == 0)
        eof_ = true;
    return *got > 0;
}

bool LineReader::atEnd()
{
    while (pos_ >= buffer_.size()) {
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
        const std::size_t cr = buffer_.find('\r', pos_);
        if (cr == std::string::npos) {
            line.append(buffer_, pos_, std::string::npos);
            pos_ = buffer_.size();
            if (!fill())
                return !failure_; // the last line without its end, unless the stream failed
            continue;
        }
        line.append(buffer_, pos_, cr - pos_);
        pos_ = cr + 1;
        // The LF of a CR LF pair may sit at the start of the next chunk.
        if (pos_ >= buffer_.size() && !fill() && failure_)
            return false;
        if (pos_ < buffer_.size() && buffer_[pos_] == '\n')
            ++pos_;
        return true;
    }
}

} // namespace auxpad
