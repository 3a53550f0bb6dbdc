// Throughput of the engine's hot paths, with no port, window or clock of their own. Run
// by hand (build/bench/auxpad_core_bench); not a test.
#include <benchmark/benchmark.h>

#include "bootload/boot_block.h"
#include "bootload/progress_text.h"
#include "tests/support/engine_rig.h"

namespace {

using namespace auxpad;

// A stretch of board traffic: status indications and acknowledgements, as in a burst.
Bytes boardTraffic()
{
    Bytes stream;
    for (int i = 0; i < 32; ++i) {
        const auto seq = static_cast<std::uint8_t>(0x40 | (i & 7));
        const Bytes message = boardMessage(0x02, {0x01, static_cast<std::uint8_t>(i)}, seq);
        const Bytes ack = boardFrame(kAckType, {0x00, static_cast<std::uint8_t>(i & 7)});
        stream.insert(stream.end(), message.begin(), message.end());
        stream.insert(stream.end(), ack.begin(), ack.end());
    }
    return stream;
}

// The engine taking board frames, acknowledging each and logging every byte.
void receiveBoardFrames(benchmark::State& state)
{
    MemoryFiles files;
    BoardEngine engine(files, "flash.ini");
    const Bytes stream = boardTraffic();
    for (auto _ : state) {
        engine.received(stream, 0);
        benchmark::DoNotOptimize(engine.takeBytes());
        benchmark::DoNotOptimize(engine.takeEffects());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(receiveBoardFrames);

// One block of six download lines of 32 bytes, from text to the bytes on the line.
void buildBlock(benchmark::State& state)
{
    std::string text;
    for (int l = 0; l < 6; ++l)
        text += " " + downloadText(1).substr(0, 95);
    for (auto _ : state)
        benchmark::DoNotOptimize(buildBootBlock(text));
}
BENCHMARK(buildBlock);

// The caption shown before each block.
void progressCaption(benchmark::State& state)
{
    const ProgressStyle style{"Downloading ", "% of file", true};
    Millis elapsed = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(progressText(style, 42.3f, "initdata.txt", elapsed += 17));
}
BENCHMARK(progressCaption);

} // namespace

namespace {

// One turn of a download: the bootloader's 0x90 in, the next block and its caption out.
void downloadTurn(benchmark::State& state)
{
    EngineRig b{std::nullopt};
    b.files.files["/station/disk.txt"] = downloadText(600000);
    b.files.files["/station/data.txt"] = b.files.files["/station/disk.txt"];
    b.flash();
    b.fromBoard(boardMessage(0x6F, {1, 5, 3, 3, 3, 3, 3}));
    b.tick();
    b.fromBoard(boardMessage(0x70, {0}));
    b.tick(2);
    const std::uint8_t ack[] = {0x90};
    for (auto _ : state) {
        b.engine.received(ack, b.now);
        benchmark::DoNotOptimize(b.engine.takeBytes());
        benchmark::DoNotOptimize(b.engine.takeEffects());
    }
}
BENCHMARK(downloadTurn)->Iterations(50000); // within the 100000 blocks of the file

} // namespace
