#include "tests/support/engine_rig.h"

#include <cstdio>
#include <cstring>

#include "core/fbus_frame.h"

using namespace auxpad;

Expected<std::unique_ptr<TextFile>> MemoryFiles::open(const std::string& path)
{
    const auto it = files.find(path);
    if (it == files.end())
        return unexpected(std::string("No such file or directory"));
    // The file's text as it is now: a later change is a new file.
    auto text = std::make_shared<const std::string>(it->second);
    return std::make_unique<TextFile>([text, pos = std::size_t{0}](char* buffer, std::size_t capacity) mutable {
        const std::size_t n = std::min(capacity, text->size() - pos);
        std::memcpy(buffer, text->data() + pos, n);
        pos += n;
        return n;
    });
}

EngineRig::EngineRig(std::optional<auxsim::EngineConfig> board)
{
    if (board)
        board_ = std::make_unique<auxsim::SimEngine>(*board, static_cast<auxsim::EngineSink&>(*this));
    files.files["/station/flash.ini"] = "COMport=\"1\"\r\n";
}

EngineRig::~EngineRig() = default;

void EngineRig::collect()
{
    for (bool more = true; more;) {
        more = false;
        const Bytes out = engine.takeBytes();
        written.insert(written.end(), out.begin(), out.end());
        if (!out.empty()) {
            if (drainAtOnce)
                engine.lineDrained(now);
            if (board_)
                board_->received(out, us());
        }
        for (const Effect& effect : engine.takeEffects()) {
            if (record(effect) && closeBoxes) {
                engine.boxClosed(now);
                more = true;
            }
        }
    }
}

void EngineRig::settle()
{
    for (int round = 0; round < 100000; ++round) {
        collect();
        if (!board_)
            return;
        board_->advance(us());
        const Bytes answer = board_->takeTx(us());
        if (answer.empty())
            return;
        engine.received(answer, now);
    }
}

void EngineRig::fromBoard(const Bytes& bytes)
{
    engine.received(bytes, now);
    settle();
}

void EngineRig::closeBox()
{
    engine.boxClosed(now);
    settle();
}

// Everything that falls due up to `to`, in time order: the board's own timers, the
// download's deadline, then the clock stands at `to`.
void EngineRig::advanceTo(Millis to)
{
    for (;;) {
        std::optional<Millis> next = engine.nextDeadline();
        if (board_) {
            if (const auto wake = board_->nextWakeup()) {
                const auto at = static_cast<Millis>((*wake + 999) / 1000);
                if (!next || tickDiff(at, *next) < 0)
                    next = at;
            }
        }
        if (!next || tickDiff(*next, to) > 0 || tickDiff(*next, now) <= 0)
            break;
        now = *next;
        engine.deadlinePassed(now);
        settle();
    }
    now = to;
}

void EngineRig::tick(int count)
{
    for (int i = 0; i < count; ++i) {
        advanceTo(nextTick_);
        nextTick_ = tickAdd(nextTick_, 500);
        engine.tick(now);
        settle();
    }
}

bool EngineRig::runUntil(const std::function<bool()>& done, int ms)
{
    const Millis end = tickAdd(now, ms);
    while (!done()) {
        if (tickDiff(nextTick_, end) > 0)
            return false;
        tick();
    }
    return true;
}

void EngineRig::flash(const std::string& disk, const std::string& data)
{
    engine.startFlashJob({disk, data}, now);
    settle();
}

void EngineRig::writeInfo(const ProductFields& boxes)
{
    engine.startProductJob(boxes, now);
    settle();
}

std::string downloadText(int lines, int perLine, Bytes* bytes, int seed)
{
    std::string text;
    char hex[4];
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < perLine; ++i) {
            const auto v = static_cast<std::uint8_t>((l * 31 + i * 7 + seed) & 0xFF);
            if (bytes)
                bytes->push_back(v);
            std::snprintf(hex, sizeof hex, i ? " %02x" : "%02X", v);
            text += hex;
        }
        text += "\r\n";
    }
    return text;
}

Bytes boardFrame(std::uint8_t type, const Bytes& data)
{
    return auxsim::encodeFrame({kToolAddress, kBoardAddress, type, data});
}

Bytes boardMessage(std::uint8_t id, const Bytes& params, std::uint8_t seq)
{
    return boardFrame(kServiceType, auxsim::serviceData({0, id, params, 0x01, seq}));
}

std::string hexOf(const Bytes& bytes)
{
    std::string out;
    for (const auto b : bytes)
        appendHexByte(out, b);
    return out;
}

std::vector<Bytes> requestsIn(const Bytes& written)
{
    std::vector<Bytes> out;
    for (std::size_t i = 0; i + 6 <= written.size();) {
        const std::size_t length = written[i + 5];
        if (written[i + 3] == kServiceType)
            out.emplace_back(written.begin() + static_cast<std::ptrdiff_t>(i + 9),
                             written.begin() + static_cast<std::ptrdiff_t>(i + 6 + length - 2));
        i += 6 + length + (length & 1) + 2;
    }
    return out;
}
