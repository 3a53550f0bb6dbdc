// Feeds arbitrary line traffic to the simulated board and checks that what
// it writes back stays well formed.

#include "core/boot_block.h"
#include "core/sim_engine.h"

#include <cstdlib>

namespace {

class NullSink : public auxsim::EngineSink {
public:
    void log(auxsim::TimeUs, const std::string &) override {}
    void notice(const std::string &) override {}
    void imageData(std::span<const std::uint8_t> data) override { image += data.size(); }
    void recordStored(const auxsim::ProdRecord &) override {}
    std::size_t image = 0;
};

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// Every frame the board writes must pass the tool's checks, and nothing but
// frames and bootloader acknowledgements may appear (no faults are on).
void checkOutput(const auxsim::Bytes &out)
{
    using namespace auxsim;
    std::size_t i = 0;
    while (i < out.size()) {
        if (out[i] == boot::kAck) {
            ++i;
            continue;
        }
        check(out[i] == fbus::kStart && i + fbus::kHeaderSize <= out.size());
        const std::size_t size = frameSize(out[i + 5]);
        check(i + size <= out.size());
        const auto frame = std::span<const std::uint8_t>(out).subspan(i, size);
        check(decodeFrame(frame, fbus::kToolAddr, fbus::kBoardAddr).verdict == FrameVerdict::Ok);
        i += size;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace auxsim;
    if (size < 1)
        return 0;
    EngineConfig config;
    config.noAck = data[0] & 1;
    config.byteTime = (data[0] & 2) ? 87 : 0;
    config.ackDelay = (data[0] & 4) ? 50 * kUsPerMs : 0;
    if (data[0] & 8)
        config.bootNoAckAfter = 2;
    NullSink sink;
    SimEngine engine(config, sink);

    // Each chunk: one byte of time step (in 10 ms), one byte of length, then the bytes.
    TimeUs now = 0;
    Bytes out;
    std::size_t i = 1;
    while (i + 2 <= size) {
        now += static_cast<TimeUs>(data[i]) * 10 * kUsPerMs;
        const std::size_t len = std::min<std::size_t>(data[i + 1], size - i - 2);
        engine.received(std::span<const std::uint8_t>(data + i + 2, len), now);
        engine.advance(now);
        const Bytes tx = engine.takeTx(now);
        out.insert(out.end(), tx.begin(), tx.end());
        i += 2 + len;
    }
    // Let everything that is queued leave the line. On a paced line every byte is a
    // wake-up of its own, so the bound is on simulated time, not on wake-ups: a board
    // left alone must fall quiet within a minute.
    const TimeUs quietBy = now + 60 * 1000 * kUsPerMs;
    while (const auto wake = engine.nextWakeup()) {
        check(*wake <= quietBy);
        now = std::max(now, *wake);
        engine.advance(now);
        const Bytes tx = engine.takeTx(now);
        out.insert(out.end(), tx.begin(), tx.end());
    }
    checkOutput(out);
    const SimStats &s = engine.stats();
    check(s.msgs_acked + s.msgs_unacked <= s.msgs_tx);
    check(s.image_bytes == sink.image && s.image_bytes <= s.blocks_ok * boot::kMaxDataLen);
    return 0;
}
