#pragma once

#include "core/ack_tracker.h"
#include "core/arrival_pacer.h"
#include "core/board_model.h"
#include "core/fault_injector.h"
#include "core/line_receiver.h"
#include "core/sim_command.h"
#include "core/sim_stats.h"
#include "core/tx_scheduler.h"

#include <map>
#include <optional>
#include <span>
#include <string>

namespace auxsim {

struct EngineConfig {
    BoardConfig board;
    FaultConfig faults;
    TimeUs byteTime = 0;    // time of one byte on the line; 0 = no pacing
    TimeUs ackDelay = 0;    // from a frame's arrival to the board's ack
    TimeUs answerDelay = 0; // from a request's arrival to the answer, never before the ack
    bool silent = false;
    bool noAck = false;
    std::optional<std::uint64_t> bootNoAckAfter;
    std::optional<std::uint64_t> hangupAfterBlock;
    bool registerAtStart = false;
    bool powerUpAtStart = false;
    TimeUs startDelay = 0;
    TimeUs burstAckWait = AckTracker::kDefaultWait; // how long a message waits for the tool's ack
    bool detached = false;  // no board on the line until one is attached
};

// Where the engine's results go; the shell writes them to files and stderr.
class EngineSink {
public:
    virtual ~EngineSink() = default;
    virtual void log(TimeUs at, const std::string &line) = 0; // the traffic log
    virtual void notice(const std::string &line) = 0;         // always shown
    virtual void imageData(std::span<const std::uint8_t> data) = 0;
    virtual void recordStored(const ProdRecord &record) = 0;
    virtual void boardAttached() {} // a new board: what the last one left (its image) starts afresh
};

// The whole simulated board without any I/O: bytes and time go in, bytes to
// write and results for the sink come out.
class SimEngine {
public:
    SimEngine(const EngineConfig &config, EngineSink &sink);

    void received(std::span<const std::uint8_t> bytes, TimeUs now);
    // Acts on everything that is due by now: arrived bytes, silence limits,
    // acknowledgement waits, the start-up messages.
    void advance(TimeUs now);
    // The bytes to write to the line now.
    Bytes takeTx(TimeUs now);
    std::optional<TimeUs> nextWakeup() const;

    // Register, PowerUp, Send, Raw and Burst; the rest belong to the shell.
    void execute(const SimCommand &command, TimeUs now);

    bool hangupRequested() const { return hangup_; }
    bool burstRunning() const { return burst_.has_value(); }
    const SimStats &stats() const { return stats_; }

private:
    struct Burst {
        unsigned remaining = 0;
        std::uint8_t id = 0;
        std::string label;
        std::uint64_t waitingTag = 0;
        unsigned sent = 0, goodAcked = 0, goodUnacked = 0, corruptAcked = 0, corruptUnacked = 0;
    };

    void handleEvent(const RxEvent &event, TimeUs at);
    void handleFrame(const RxEvent &event, TimeUs at);
    void handleToolAck(const Frame &frame, const std::string &hex, TimeUs at);
    void handleBlock(const RxEvent &event, TimeUs at);
    std::uint64_t sendFrame(const OutFrame &frame, TimeUs due);
    void sendPlain(Bytes bytes, std::string label, TimeUs due);
    void settle(const AckTracker::Outcome &outcome, TimeUs now);
    void burstNext(TimeUs now);
    void attach(const SimCommand &command, TimeUs now);
    void detach();
    void log(TimeUs at, const std::string &line) { sink_.log(at, line); }

    EngineConfig config_;
    EngineSink &sink_;
    BoardModel board_;
    FaultInjector faults_;
    ArrivalPacer pacer_;
    LineReceiver receiver_;
    TxScheduler tx_;
    AckTracker tracker_;
    SimStats stats_;
    std::map<std::uint64_t, std::string> awaiting_; // tag -> label of messages awaiting an ack
    std::optional<Burst> burst_;
    std::uint64_t nextTag_ = 0;
    std::uint64_t blockNo_ = 0;
    bool started_ = false;
    bool hangup_ = false;
    bool present_ = true; // a board is on the line
};

} // namespace auxsim
