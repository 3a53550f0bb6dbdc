#pragma once

#include "core/fbus_frame.h"
#include "core/prod_record.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace auxsim {

constexpr const char *kDefaultProdInfo = "0102,MCU01.02.03,DSP04.05.06,SN0000001,CODE001,150603";

struct BoardConfig {
    std::uint8_t selfTestStatus = 1;
    std::array<std::uint8_t, 5> selfTestCodes = {3, 3, 3, 3, 3};
    std::uint8_t prodInfoStatus = 1;
    std::uint8_t prodWriteStatus = 1;
    bool misstoreSerial = false; // stores every written serial with its last character changed
    ProdRecord record = *parseProdInfoText(kDefaultProdInfo, nullptr);
};

// A frame the board wants on the line, with what the log should call it.
struct OutFrame {
    Bytes bytes;
    std::string label;
    bool isMessage = false; // a service message: the tool must acknowledge it
    std::uint8_t seqBits = 0;
};

struct BoardReaction {
    std::optional<OutFrame> ack;
    std::optional<OutFrame> answer;
    std::vector<std::string> notes;
    bool recordStored = false;
};

// What the board does with the FBUS frames from the tool. Keeps the board's
// own transaction number and sequence byte, and the stored product record.
class BoardModel {
public:
    explicit BoardModel(const BoardConfig &config) : config_(config) {}

    // A good frame from the tool. Acknowledges anything but an acknowledgement
    // and answers the requests it knows.
    BoardReaction handle(const Frame &frame);

    OutFrame serviceMessage(std::uint8_t id, std::span<const std::uint8_t> params);
    OutFrame registration();
    static OutFrame ack(std::uint8_t type, std::uint8_t seqBits);

    const ProdRecord &record() const { return config_.record; }

private:
    std::optional<OutFrame> answer(const ServiceMessage &message, BoardReaction &reaction);
    OutFrame prodInfoWrite(const ServiceMessage &message, BoardReaction &reaction);
    std::uint8_t takeSeq();

    BoardConfig config_;
    std::uint8_t transId_ = 0;
    std::uint8_t seq_ = fbus::kFirstSeq;
};

} // namespace auxsim
