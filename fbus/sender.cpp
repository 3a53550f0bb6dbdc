#include "fbus/sender.h"

#include "fbus/catalogue.h"

namespace auxpad {

namespace {

constexpr int kAckWaitTicks = 2;

std::size_t nextSlot(std::size_t slot, std::size_t slots)
{
    return slot + 1 == slots ? 0 : slot + 1;
}

std::string sentLine(const Bytes& frame)
{
    std::string line = "\n>";
    for (const std::uint8_t b : frame)
        appendHexByte(line, b);
    return line;
}

} // namespace

void FrameSender::request(const Bytes& payload)
{
    const std::size_t n = payload.size();
    if (n > kMaxRequestPayload) {
        out_.logTraffic("\nFBUS request too long: " + std::to_string(n) + " bytes, at most "
                        + std::to_string(kMaxRequestPayload) + ": not sent");
        return;
    }
    Bytes frame = {kFrameStart, kBoardAddress, kToolAddress, kServiceType, 0x00, static_cast<std::uint8_t>(n + 5),
                   0x42, 0xD2, transId_};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(0x01);
    frame.push_back(seq_);
    transId_ = static_cast<std::uint8_t>((transId_ + 1) & 0x7F);
    seq_ = static_cast<std::uint8_t>(((seq_ + 1) & 7) | 0x40);
    queue(std::move(frame));
}

void FrameSender::queue(Bytes frame)
{
    if (nextSlot(tail_, kSlots) == head_) {
        // One more would make the ring look empty and lose every waiting frame.
        out_.logTraffic("\nFBUS send queue full: frame not sent");
        return;
    }
    slots_[tail_] = std::move(frame);
    tail_ = nextSlot(tail_, kSlots);
}

Bytes FrameSender::write(Bytes frame)
{
    appendChecksum(frame);
    out_.writeToLine(frame);
    return frame;
}

void FrameSender::acknowledge(std::uint8_t type, std::uint8_t seqBits)
{
    const Bytes sent = write({kFrameStart, kBoardAddress, kToolAddress, kAckType, 0x00, 0x02, type, seqBits});
    out_.logTraffic(sentLine(sent) + "             PN ACK");
}

void FrameSender::sendNext()
{
    if (tail_ == head_)
        return;
    const Bytes sent = write(std::move(slots_[head_]));
    head_ = nextSlot(head_, kSlots);
    awaitingAck_ = true;
    ackTicksLeft_ = kAckWaitTicks;
    // Offset 9 holds the message id of a service message; the registration reply has its
    // pad byte there, which names nothing.
    out_.logTraffic(sentLine(sent) + "      " + messageName(sent.size() > 9 ? sent[9] : 0));
}

void FrameSender::pump()
{
    if (!awaitingAck_)
        sendNext();
}

void FrameSender::tick()
{
    if (!awaitingAck_) {
        sendNext();
        return;
    }
    if (--ackTicksLeft_ == 0) {
        out_.logTraffic("\nWait UI ACK timeout");
        awaitingAck_ = false;
    }
}

void FrameSender::acked()
{
    if (awaitingAck_)
        awaitingAck_ = false;
    else
        sendNext();
}

} // namespace auxpad
