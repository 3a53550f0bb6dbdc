#include "core/line_receiver.h"

namespace auxsim {

std::vector<RxEvent> LineReceiver::feed(std::uint8_t byte, TimeUs at)
{
    std::vector<RxEvent> events;
    lastByte_ = at;
    switch (state_) {
    case State::Idle: startOrStray(byte, events); break;
    case State::Frame: feedFrame(byte, events); break;
    case State::Block: feedBlock(byte, events); break;
    }
    return events;
}

std::optional<RxEvent> LineReceiver::expire(TimeUs now)
{
    if (state_ == State::Idle || now - lastByte_ < kSilenceLimit)
        return std::nullopt;
    const bool frame = state_ == State::Frame;
    return finish(frame ? RxEvent::Kind::BadFrame : RxEvent::Kind::BadBlock,
                  frame ? "half frame dropped after 1 s without bytes"
                        : "half block dropped after 1 s without bytes");
}

std::optional<TimeUs> LineReceiver::deadline() const
{
    if (state_ == State::Idle)
        return std::nullopt;
    return lastByte_ + kSilenceLimit;
}

void LineReceiver::startOrStray(std::uint8_t byte, std::vector<RxEvent> &events)
{
    if (byte == fbus::kStart || byte == boot::kStart) {
        state_ = byte == fbus::kStart ? State::Frame : State::Block;
        unit_.assign(1, byte);
        expected_ = 0;
        return;
    }
    RxEvent stray;
    stray.kind = RxEvent::Kind::Stray;
    stray.raw.assign(1, byte);
    events.push_back(std::move(stray));
}

void LineReceiver::feedFrame(std::uint8_t byte, std::vector<RxEvent> &events)
{
    const char *headerProblem = nullptr;
    switch (unit_.size()) {
    case 1:
        if (byte != fbus::kBoardAddr)
            headerProblem = verdictText(FrameVerdict::WrongReceiver);
        break;
    case 2:
        if (byte != fbus::kToolAddr)
            headerProblem = verdictText(FrameVerdict::WrongSender);
        break;
    case 4:
        if (byte != 0x00)
            headerProblem = verdictText(FrameVerdict::LengthHighByte);
        break;
    default: break;
    }
    if (headerProblem) {
        events.push_back(finish(RxEvent::Kind::BadFrame, headerProblem));
        startOrStray(byte, events);
        return;
    }
    unit_.push_back(byte);
    if (unit_.size() == fbus::kHeaderSize) {
        if (byte > fbus::kMaxDataLen) {
            events.push_back(finish(RxEvent::Kind::BadFrame, verdictText(FrameVerdict::LengthTooLong)));
            return;
        }
        expected_ = frameSize(byte);
    }
    if (expected_ == 0 || unit_.size() < expected_)
        return;
    DecodedFrame decoded = decodeFrame(unit_, fbus::kBoardAddr, fbus::kToolAddr);
    if (decoded.verdict != FrameVerdict::Ok) {
        events.push_back(finish(RxEvent::Kind::BadFrame, verdictText(decoded.verdict)));
        return;
    }
    RxEvent good = finish(RxEvent::Kind::Frame, {});
    good.frame = std::move(decoded.frame);
    events.push_back(std::move(good));
}

void LineReceiver::feedBlock(std::uint8_t byte, std::vector<RxEvent> &events)
{
    if ((unit_.size() == 1 && byte != boot::kHeader1) || (unit_.size() == 2 && byte != boot::kHeader2)) {
        events.push_back(finish(RxEvent::Kind::BadBlock, verdictText(BlockVerdict::BadHeader)));
        startOrStray(byte, events);
        return;
    }
    unit_.push_back(byte);
    if (unit_.size() == boot::kHeaderSize) {
        if (byte > boot::kMaxDataLen) {
            events.push_back(finish(RxEvent::Kind::BadBlock, verdictText(BlockVerdict::LengthTooLong)));
            return;
        }
        expected_ = blockSize(byte);
    }
    if (expected_ == 0 || unit_.size() < expected_)
        return;
    CheckedBlock checked = checkBlock(unit_);
    if (checked.verdict != BlockVerdict::Ok) {
        events.push_back(finish(RxEvent::Kind::BadBlock, verdictText(checked.verdict)));
        return;
    }
    RxEvent good = finish(RxEvent::Kind::Block, {});
    good.blockData = std::move(checked.data);
    events.push_back(std::move(good));
}

RxEvent LineReceiver::finish(RxEvent::Kind kind, std::string problem)
{
    RxEvent event;
    event.kind = kind;
    event.raw = std::move(unit_);
    event.problem = std::move(problem);
    unit_.clear();
    expected_ = 0;
    state_ = State::Idle;
    return event;
}

} // namespace auxsim
