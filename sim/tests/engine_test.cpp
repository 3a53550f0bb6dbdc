#include "core/message_names.h"
#include "core/sim_engine.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace auxsim {
namespace {

using testing::hx;

const Bytes kToolSelfTest = hx("1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB");
const Bytes kBoardAck0 = hx("1E 00 28 7F 00 02 00 00 36 7D");
constexpr TimeUs kMs = kUsPerMs;

class RecordingSink : public EngineSink {
public:
    void log(TimeUs, const std::string &line) override { logs.push_back(line); }
    void notice(const std::string &line) override { notices.push_back(line); }
    void imageData(std::span<const std::uint8_t> data) override { image.insert(image.end(), data.begin(), data.end()); }
    void recordStored(const ProdRecord &record) override { records.push_back(record); }

    std::vector<std::string> logs, notices;
    Bytes image;
    std::vector<ProdRecord> records;
};

struct Rig {
    explicit Rig(EngineConfig config = {}) : engine(config, sink) {}
    Bytes step(TimeUs now)
    {
        engine.advance(now);
        return engine.takeTx(now);
    }
    Bytes send(const Bytes &bytes, TimeUs now)
    {
        engine.received(bytes, now);
        return step(now);
    }
    RecordingSink sink;
    SimEngine engine;
};

// The board's frames in what it wrote.
std::vector<Bytes> framesIn(const Bytes &wire)
{
    std::vector<Bytes> frames;
    for (std::size_t i = 0; i + fbus::kHeaderSize <= wire.size();) {
        const std::size_t size = frameSize(wire[i + 5]);
        frames.emplace_back(wire.begin() + static_cast<std::ptrdiff_t>(i),
                            wire.begin() + static_cast<std::ptrdiff_t>(std::min(i + size, wire.size())));
        i += size;
    }
    return frames;
}

SimCommand command(SimCommand::Kind kind)
{
    SimCommand c;
    c.kind = kind;
    return c;
}

Bytes toolAck(std::uint8_t seqBits)
{
    return encodeFrame(Frame{fbus::kBoardAddr, fbus::kToolAddr, fbus::kTypeAck, Bytes{0x00, seqBits}});
}

// A silent board answers nothing, and its log says each frame it kept back.
TEST(EngineFaults, ASilentBoardSendsNothingAndLogsWhatItKeptBack)
{
    EngineConfig config;
    config.silent = true;
    Rig rig(config);
    EXPECT_TRUE(rig.send(kToolSelfTest, 10 * kMs).empty());
    for (TimeUs t = 20 * kMs; t <= 2000 * kMs; t += 10 * kMs)
        ASSERT_TRUE(rig.step(t).empty()) << t;
    const auto keptBack = std::count_if(rig.sink.logs.begin(), rig.sink.logs.end(),
                                        [](const std::string &line) { return line.find("not sent (--silent): ") != std::string::npos; });
    EXPECT_GE(keptBack, 2) << "the acknowledgement and the answer";
}

// The log is the conversation as it went: each frame in and out, in order, named.
TEST(EngineLog, TellsEachFrameBothWaysInOrder)
{
    Rig rig;
    Bytes wire = rig.send(kToolSelfTest, 0);
    for (TimeUs t = 10 * kMs; t <= 900 * kMs; t += 10 * kMs)
        std::ranges::copy(rig.step(t), std::back_inserter(wire));
    std::vector<std::string> frames;
    std::copy_if(rig.sink.logs.begin(), rig.sink.logs.end(), std::back_inserter(frames),
                 [](const std::string &line) { return line.starts_with("< ") || line.starts_with("> "); });
    const auto sent = framesIn(wire);
    ASSERT_EQ(sent.size(), 2u);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[0].starts_with("< " + toHex(kToolSelfTest) + "  ")) << frames[0];
    for (std::size_t i = 0; i < sent.size(); ++i)
        EXPECT_TRUE(frames[i + 1].starts_with("> " + toHex(sent[i]) + "  ")) << frames[i + 1];
    EXPECT_NE(frames[2], "> " + toHex(sent[1]) + "  ") << "and names it";
}

// What the board spoils on purpose it counts as its log tells it: each burst of garbage
// and each checksum corrupted, once.
TEST(EngineFaults, CountsEachFrameItSpoilsAsItsLogTellsIt)
{
    EngineConfig config;
    config.faults.garbagePercent = config.faults.corruptPercent = 50;
    Rig rig(config);
    SimCommand burst = command(SimCommand::Kind::Burst);
    burst.count = 20;
    rig.engine.execute(burst, 0);
    for (TimeUs t = 0; t <= 30000 * kMs; t += 10 * kMs)
        rig.step(t);
    const auto logged = [&](const char *what) {
        return static_cast<std::uint64_t>(std::ranges::count_if(rig.sink.logs, [&](const std::string &line) {
            return line.starts_with("> ") && line.find(what) != std::string::npos;
        }));
    };
    EXPECT_GT(logged("[garbage "), 2u);
    EXPECT_EQ(rig.engine.stats().garbage_bursts, logged("[garbage "));
    EXPECT_GT(logged("(checksum corrupted on purpose)"), 2u);
    EXPECT_EQ(rig.engine.stats().corrupted_tx, logged("(checksum corrupted on purpose)"));
}

// The registration the board sends is the frame the station answers as one, and the
// station's reply is acknowledged as any frame is.
TEST(EngineFbus, RegistersOnRequestAndAcknowledgesTheStationsReply)
{
    Rig rig;
    rig.engine.execute(command(SimCommand::Kind::Register), 0);
    EXPECT_EQ(rig.step(0), hx("1E 00 28 D0 00 03 05 01 60 00 53 D2"));
    const auto acked = framesIn(rig.send(hx("1E 28 00 D0 00 03 05 01 41 00 5A FA"), 10 * kMs));
    ASSERT_EQ(acked.size(), 1u);
    EXPECT_EQ(acked[0], hx("1E 00 28 7F 00 02 D0 01 E6 7C")) << "for the reply, by its type";
}

TEST(EngineTx, RawBytesLeaveAfterWhatTheBoardQueuedBeforeThem)
{
    Rig rig;
    rig.engine.execute(command(SimCommand::Kind::Register), 1000);
    SimCommand raw = command(SimCommand::Kind::Raw);
    raw.bytes = hx("55 AA");
    rig.engine.execute(raw, 1000);
    EXPECT_EQ(rig.step(1000), hx("1E 00 28 D0 00 03 05 01 60 00 53 D2 55 AA"));
}

TEST(EngineFbus, DelaysKeepTheAckAheadOfTheAnswer)
{
    EngineConfig config;
    config.ackDelay = 300 * kMs;
    config.answerDelay = 100 * kMs;
    Rig rig(config);
    EXPECT_TRUE(rig.send(kToolSelfTest, 0).empty());
    EXPECT_TRUE(rig.step(299 * kMs).empty());
    EXPECT_EQ(rig.engine.nextWakeup(), 300 * kMs);
    const auto frames = framesIn(rig.step(300 * kMs));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], kBoardAck0);

    config.answerDelay = 500 * kMs;
    Rig slow(config);
    slow.send(kToolSelfTest, 0);
    EXPECT_EQ(framesIn(slow.step(300 * kMs)), std::vector<Bytes>{kBoardAck0});
    EXPECT_TRUE(slow.step(499 * kMs).empty());
    EXPECT_EQ(framesIn(slow.step(500 * kMs)).size(), 1u);
}

TEST(EnginePacing, ActsOnlyWhenTheLastByteWouldHaveArrived)
{
    EngineConfig config;
    config.byteTime = 87;
    Rig rig(config);
    const TimeUs last = 16 * 87;
    rig.engine.received(kToolSelfTest, 0);
    EXPECT_TRUE(rig.step(last - 1).empty());
    EXPECT_EQ(rig.engine.stats().frames_rx_good, 0u);
    EXPECT_TRUE(rig.step(last).empty()); // the ack's first byte still has to cross the line
    EXPECT_EQ(rig.engine.stats().frames_rx_good, 1u);
    EXPECT_EQ(rig.step(last + 87), hx("1E"));
    EXPECT_EQ(rig.engine.nextWakeup(), last + 2 * 87);
    EXPECT_EQ(rig.step(last + 10 * 87), hx("00 28 7F 00 02 00 00 36 7D"));

    Rig pulled(config); // the board is pulled while the frame is still on its way
    pulled.send(kToolSelfTest, 0);
    pulled.engine.execute(command(SimCommand::Kind::Detach), last - 1);
    EXPECT_TRUE(pulled.step(last).empty());
    EXPECT_EQ(pulled.engine.stats().frames_rx_good, 0u);
    pulled.send(kToolSelfTest, last); // and asked again with no board there
    EXPECT_TRUE(pulled.step(3 * last).empty()) << "nothing answers, nothing is counted";
    EXPECT_EQ(pulled.engine.stats().frames_rx_good, 0u);

    Rig cut(config); // and pulled while its acknowledgement is on its way out
    cut.send(kToolSelfTest, 0);
    cut.step(last);
    EXPECT_EQ(cut.step(last + 87), hx("1E"));
    cut.engine.execute(command(SimCommand::Kind::Detach), last + 87);
    EXPECT_TRUE(cut.step(last + 100 * 87).empty()) << "a pulled board says nothing more";
}

TEST(EngineReceive, CountsStrayBytesBadFramesAndHalfFrames)
{
    Rig rig;
    Bytes bad = kToolSelfTest;
    bad[10] ^= 0x04; // an even byte
    Bytes badOdd = kToolSelfTest;
    badOdd[9] ^= 0x04;
    EXPECT_TRUE(rig.send(hx("55 AA"), 0).empty());
    EXPECT_TRUE(rig.send(bad, 1 * kMs).empty());
    EXPECT_TRUE(rig.send(badOdd, 1 * kMs + 500).empty());
    rig.send(hx("1E 28 00 00"), 2 * kMs);
    EXPECT_EQ(rig.engine.nextWakeup(), 1002 * kMs);
    rig.step(1002 * kMs);
    const SimStats &s = rig.engine.stats();
    EXPECT_EQ(s.stray_bytes, 2u);
    EXPECT_EQ(s.frames_rx_bad, 3u);
    EXPECT_EQ(s.frames_rx_good, 0u);
}

TEST(EngineAcks, ToolAcksSettleTheBoardsMessages)
{
    Rig rig;
    rig.engine.execute(command(SimCommand::Kind::PowerUp), 0);
    ASSERT_EQ(framesIn(rig.step(0)).size(), 1u);
    rig.send(toolAck(0), 10 * kMs); // the first message carries 60
    rig.engine.execute(command(SimCommand::Kind::PowerUp), 20 * kMs);
    rig.step(20 * kMs);
    rig.send(toolAck(7), 30 * kMs); // not the awaited sequence
    rig.step(1019 * kMs);
    EXPECT_EQ(rig.engine.stats().msgs_unacked, 0u);
    rig.step(1020 * kMs);
    const SimStats &s = rig.engine.stats();
    EXPECT_EQ(s.acks_rx, 2u);
    EXPECT_EQ(s.msgs_acked, 1u);
    EXPECT_EQ(s.good_acked, 1u);
    EXPECT_EQ(s.msgs_unacked, 1u);
    EXPECT_EQ(s.good_unacked, 1u);
}

} // namespace
} // namespace auxsim
