#include "tests/fakes/fakes.h"

#include <cstring>
#include <memory>

#include "app/startup.h"
#include "app/timer_tick.h"
#include "fbus/checksum.h"
#include "fbus/receiver.h"
#include "platform/line_reader.h"

namespace fakes {

namespace {

class MemoryFile final : public platform::TextFile {
public:
    MemoryFile(std::string content, int& openNow)
        : content_(std::move(content)), openNow_(openNow),
          lines_([this](char* buffer, std::size_t capacity) {
              const std::size_t n = std::min(capacity, content_.size() - pos_);
              std::memcpy(buffer, content_.data() + pos_, n);
              pos_ += n;
              return n;
          })
    {
        ++openNow_;
    }
    ~MemoryFile() override { --openNow_; }
    bool atEnd() override { return lines_.atEnd(); }
    bool readLine(std::string& line) override { return lines_.next(line); }

private:
    std::string content_;
    std::size_t pos_ = 0;
    int& openNow_;
    platform::LineReader lines_;
};

} // namespace

std::unique_ptr<platform::TextFile> FakeFiles::openRead(const std::string& path, std::string& reason)
{
    opened.push_back(path);
    const auto it = files.find(path);
    if (it == files.end()) {
        reason = "No such file or directory";
        return nullptr;
    }
    return std::make_unique<MemoryFile>(it->second, openNow);
}

Bench::Bench()
{
    files.files["flash.ini"] = "COMport=\"1\"\r\n";
    files.files["/station/flash.ini"] = "COMport=\"1\"\r\n";
    st.START_DIR = "/station";
    auxpad::INIT_GLOBALS(st);
}

void Bench::receive(const std::vector<std::uint8_t>& bytes)
{
    for (const auto b : bytes)
        auxpad::FBUS_RECEIVE(st, auxpad::RX_BYTE, b);
}

void Bench::tick(int count)
{
    for (int i = 0; i < count; ++i) {
        clock.advance(500);
        auxpad::Timer1_Timer(st);
    }
}

std::vector<std::uint8_t> hex(const std::string& text)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

std::string hexOf(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const auto b : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::vector<std::uint8_t> boardFrame(std::uint8_t type, const std::vector<std::uint8_t>& data)
{
    std::uint8_t buffer[auxpad::FBUS_BUFFER_SIZE] = {0x1E, 0x00, 0x28, type, 0x00, static_cast<std::uint8_t>(data.size())};
    std::copy(data.begin(), data.end(), buffer + 6);
    auto n = static_cast<std::uint8_t>(6 + data.size());
    auxpad::FBUS_CHECKSUM(buffer, n);
    return {buffer, buffer + n};
}

std::vector<std::uint8_t> boardMessage(std::uint8_t id, const std::vector<std::uint8_t>& params, std::uint8_t seq)
{
    std::vector<std::uint8_t> data = {0x42, 0xD2, 0x00, id};
    data.insert(data.end(), params.begin(), params.end());
    data.push_back(0x01);
    data.push_back(seq);
    return boardFrame(0x00, data);
}

} // namespace fakes
