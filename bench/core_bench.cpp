// Throughput of the logic's hot paths, through the fakes: no port, no window, no clock
// of their own. Run by hand (build/bench/auxpad_core_bench); not a test.
#include <benchmark/benchmark.h>

#include "bootload/boot_block.h"
#include "bootload/downloads.h"
#include "fbus/receiver.h"
#include "fbus/sender.h"
#include "tests/fakes/fakes.h"
#include "tests/unit/boot_board.h"

namespace {

// A stretch of board traffic: status indications and acknowledgements, as during a burst.
std::vector<std::uint8_t> boardTraffic()
{
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 32; ++i) {
        const auto seq = static_cast<std::uint8_t>(0x40 | (i & 7));
        const auto message = fakes::boardMessage(0x02, {0x01, static_cast<std::uint8_t>(i)}, seq);
        const auto ack = fakes::boardFrame(0x7F, {0x00, static_cast<std::uint8_t>(i & 7)});
        stream.insert(stream.end(), message.begin(), message.end());
        stream.insert(stream.end(), ack.begin(), ack.end());
    }
    return stream;
}

// Arg: 1 with the traffic log shown, 0 hidden.
void receiveBoardFrames(benchmark::State& state)
{
    fakes::Bench b;
    b.msg.visible = state.range(0) != 0;
    const auto stream = boardTraffic();
    for (auto _ : state) {
        for (const auto byte : stream)
            auxpad::FBUS_RECEIVE(b.st, auxpad::RX_BYTE, byte);
        b.port.written.clear(); // the acknowledgements the tool sent back
        b.msg.log.clear();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(receiveBoardFrames)->ArgName("log")->Arg(0)->Arg(1);

// Args: payload length (2: self-test request, 56: product-information write), log shown.
void buildAndSendRequest(benchmark::State& state)
{
    fakes::Bench b;
    const auto payload = static_cast<std::uint8_t>(state.range(0));
    b.msg.visible = state.range(1) != 0;
    for (auto _ : state) {
        for (int i = 0; i < payload; ++i)
            b.st.FBUS_TX[i] = static_cast<std::uint8_t>(0x46 + i);
        b.st.FBUS_TX_LEN = payload;
        auxpad::FBUS_REQUEST(b.st);
        auxpad::FBUS_SEND(b.st, auxpad::SEND_PUMP);
        b.st.ACK_WAIT = 0; // as if acknowledged
        benchmark::DoNotOptimize(b.port.written.data());
        b.port.written.clear();
        b.msg.log.clear();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(buildAndSendRequest)->ArgNames({"payload", "log"})->Args({2, 0})->Args({2, 1})->Args({56, 1});

// Six download lines of 32 bytes into one block, sent to a bootloader that answers at once.
void blockFromSixLines(benchmark::State& state)
{
    fakes::Bench b;
    b.port.onFlush = [](fakes::FakePort& port) {
        port.written.clear();
        port.arrive({0x90});
    };
    std::string text;
    const std::string file = downloadFile(6);
    for (std::size_t pos = 0; pos < file.size();) {
        const std::size_t end = file.find('\r', pos);
        text += ' ' + file.substr(pos, end - pos);
        pos = end + 2;
    }
    for (auto _ : state) {
        if (!auxpad::SEND_BOOT_BLOCK(b.st, text))
            state.SkipWithError("block not acknowledged");
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * 6 * 32);
}
BENCHMARK(blockFromSixLines);

void progressCaption(benchmark::State& state)
{
    const auxpad::ProgressStyle style{"Downloading ", "% of file", true};
    float percent = 0;
    std::int32_t elapsed = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(auxpad::progressText(style, percent, "initdata.txt", elapsed));
        percent = percent >= 100 ? 0 : percent + 0.17f;
        elapsed += 17;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(progressCaption);

} // namespace
