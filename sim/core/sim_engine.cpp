#include "core/sim_engine.h"

#include "core/hex_text.h"
#include "core/message_names.h"

#include <algorithm>

namespace auxsim {
namespace {

void earliest(std::optional<TimeUs> &best, std::optional<TimeUs> candidate)
{
    if (candidate && (!best || *candidate < *best))
        best = candidate;
}

std::string seqText(std::uint8_t seqBits) { return "seq " + std::to_string(seqBits); }

} // namespace

SimEngine::SimEngine(const EngineConfig &config, EngineSink &sink)
    : config_(config), sink_(sink), board_(config.board), faults_(config.faults),
      pacer_(config.byteTime), tx_(config.byteTime), tracker_(config.burstAckWait), present_(!config.detached)
{
}

void SimEngine::received(std::span<const std::uint8_t> bytes, TimeUs now)
{
    // Without a board, what the tool sends falls on nothing.
    if (!hangup_ && present_)
        pacer_.push(bytes, now);
}

void SimEngine::advance(TimeUs now)
{
    if (hangup_)
        return;
    if (!started_ && now >= config_.startDelay) {
        started_ = true;
        if (!present_)
            return;
        if (config_.registerAtStart)
            sendFrame(board_.registration(), now);
        if (config_.powerUpAtStart)
            sendFrame(board_.serviceMessage(msgid::kPowerUpInd, {}), now);
    }
    // Bytes and silence limits are taken in time order, so a half frame is
    // dropped before a byte that arrived more than a second after it.
    while (!hangup_) {
        const auto arrival = pacer_.nextArrival();
        const auto silence = receiver_.deadline();
        if (silence && *silence <= now && (!arrival || *silence < *arrival)) {
            if (auto dropped = receiver_.expire(*silence))
                handleEvent(*dropped, *silence);
            continue;
        }
        const auto next = pacer_.pop(now);
        if (!next)
            break;
        for (const RxEvent &event : receiver_.feed(next->byte, next->at))
            handleEvent(event, next->at);
    }
    for (const auto &outcome : tracker_.expire(now))
        settle(outcome, now);
}

Bytes SimEngine::takeTx(TimeUs now)
{
    if (hangup_)
        return {};
    TxScheduler::Output out = tx_.take(now);
    for (const TxItem &item : out.finished) {
        std::string line = "> ";
        if (item.garbage > 0) {
            ++stats_.garbage_bursts;
            const std::span<const std::uint8_t> garbage(item.bytes.data(), item.garbage);
            line += "[garbage " + toHex(garbage) + "] ";
        }
        line += toHex(std::span<const std::uint8_t>(item.bytes).subspan(item.garbage)) + "  " + item.label;
        if (item.corrupted) {
            ++stats_.corrupted_tx;
            line += " (checksum corrupted on purpose)";
        }
        log(now, line);
        if (item.isMessage) {
            ++stats_.msgs_tx;
            tracker_.sent(item.tag, item.seqBits, item.corrupted, now);
            awaiting_[item.tag] = item.label + " " + seqText(item.seqBits);
        }
    }
    return std::move(out.bytes);
}

std::optional<TimeUs> SimEngine::nextWakeup() const
{
    if (hangup_)
        return std::nullopt;
    std::optional<TimeUs> best;
    if (!started_)
        best = config_.startDelay;
    earliest(best, pacer_.nextArrival());
    earliest(best, receiver_.deadline());
    earliest(best, tracker_.deadline());
    earliest(best, tx_.nextWakeup());
    return best;
}

void SimEngine::execute(const SimCommand &command, TimeUs now)
{
    if (hangup_)
        return;
    switch (command.kind) {
    case SimCommand::Kind::Register:
        sendFrame(board_.registration(), now);
        break;
    case SimCommand::Kind::PowerUp:
        sendFrame(board_.serviceMessage(msgid::kPowerUpInd, {}), now);
        break;
    case SimCommand::Kind::Send: {
        if (command.bytes.empty())
            break;
        const std::span<const std::uint8_t> params(command.bytes.begin() + 1, command.bytes.end());
        sendFrame(board_.serviceMessage(command.bytes.front(), params), now);
        break;
    }
    case SimCommand::Kind::Raw:
        sendPlain(command.bytes, "raw", now);
        break;
    case SimCommand::Kind::Attach:
        attach(command, now);
        break;
    case SimCommand::Kind::Detach:
        detach();
        break;
    case SimCommand::Kind::Burst:
        if (burst_) {
            sink_.notice("a burst is already running");
        } else if (config_.silent) {
            sink_.notice("burst not sent: --silent is on");
        } else {
            std::string label = messageName(command.id);
            burst_ = Burst{command.count, command.id, label.empty() ? "message " + toHex(command.id) : label};
            burstNext(now);
        }
        break;
    default:
        break;
    }
}

void SimEngine::attach(const SimCommand &command, TimeUs now)
{
    detach(); // whatever the last board left on the line goes with it
    BoardConfig board = config_.board;
    if (command.bytes.size() == board.record.size())
        std::copy(command.bytes.begin(), command.bytes.end(), board.record.begin());
    board_ = BoardModel(board);
    blockNo_ = 0;
    present_ = true;
    sink_.boardAttached();
    log(now, "a board is attached");
    sendFrame(board_.serviceMessage(msgid::kPowerUpInd, {}), now);
}

void SimEngine::detach()
{
    present_ = false;
    pacer_ = ArrivalPacer(config_.byteTime);
    receiver_ = LineReceiver();
    tx_ = TxScheduler(config_.byteTime);
    tracker_ = AckTracker(config_.burstAckWait);
    awaiting_.clear();
    burst_.reset();
}

void SimEngine::handleEvent(const RxEvent &event, TimeUs at)
{
    switch (event.kind) {
    case RxEvent::Kind::Stray:
        ++stats_.stray_bytes;
        log(at, "< " + toHex(event.raw) + "  stray byte");
        break;
    case RxEvent::Kind::BadFrame:
        ++stats_.frames_rx_bad;
        log(at, "< " + toHex(event.raw) + "  bad frame: " + event.problem + ", ignored");
        break;
    case RxEvent::Kind::Frame:
        handleFrame(event, at);
        break;
    case RxEvent::Kind::Block:
    case RxEvent::Kind::BadBlock:
        handleBlock(event, at);
        break;
    }
}

void SimEngine::handleFrame(const RxEvent &event, TimeUs at)
{
    ++stats_.frames_rx_good;
    const Frame &frame = event.frame;
    const std::string hex = toHex(event.raw);
    if (frame.type == fbus::kTypeAck) {
        handleToolAck(frame, hex, at);
        return;
    }
    std::string label;
    if (frame.type == fbus::kTypeRegistration) {
        label = "registration reply";
    } else if (frame.type == fbus::kTypeService && frame.data.size() > 3) {
        label = messageName(frame.data[3]);
        if (label.empty())
            label = "message " + toHex(frame.data[3]);
    } else {
        label = "frame type " + toHex(frame.type);
    }
    log(at, "< " + hex + "  " + label);

    BoardReaction reaction = board_.handle(frame);
    for (const std::string &note : reaction.notes)
        log(at, "  " + note);
    if (reaction.recordStored)
        sink_.recordStored(board_.record());

    const TimeUs ackDue = at + config_.ackDelay;
    TimeUs answerDue = at + config_.answerDelay;
    if (reaction.ack) {
        if (config_.noAck) {
            log(at, "  not acknowledged (--no-ack)");
        } else {
            sendFrame(*reaction.ack, ackDue);
            answerDue = std::max(answerDue, ackDue);
        }
    }
    if (reaction.answer)
        sendFrame(*reaction.answer, answerDue);
}

void SimEngine::handleToolAck(const Frame &frame, const std::string &hex, TimeUs at)
{
    ++stats_.acks_rx;
    if (frame.data.size() != 2) {
        log(at, "< " + hex + "  ack with " + std::to_string(frame.data.size()) + " data bytes instead of 2, ignored");
        return;
    }
    log(at, "< " + hex + "  ack of type " + toHex(frame.data[0]) + " " + seqText(frame.data[1]));
    if (const auto outcome = tracker_.ackReceived(frame.data[0], frame.data[1]))
        settle(*outcome, at);
    else
        log(at, "  matches no message awaiting an ack");
}

void SimEngine::handleBlock(const RxEvent &event, TimeUs at)
{
    const std::string name = "block " + std::to_string(++blockNo_);
    const bool hangNow = config_.hangupAfterBlock && blockNo_ == *config_.hangupAfterBlock;
    if (event.kind == RxEvent::Kind::BadBlock) {
        ++stats_.blocks_bad;
        log(at, "< " + name + " bad: " + event.problem + ", not acknowledged: " + toHex(event.raw));
    } else {
        ++stats_.blocks_ok;
        stats_.image_bytes += event.blockData.size();
        sink_.imageData(event.blockData);
        const std::string line = "< " + name + " ok (" + std::to_string(event.blockData.size()) + " bytes)";
        if (hangNow) {
            log(at, line);
        } else if (config_.bootNoAckAfter && stats_.blocks_ok > *config_.bootNoAckAfter) {
            log(at, line + ", not acknowledged (--boot-no-ack-after "
                        + std::to_string(*config_.bootNoAckAfter) + ")");
        } else {
            log(at, line);
            sendPlain(Bytes{boot::kAck}, "boot ack of " + name, at);
        }
    }
    if (hangNow) {
        log(at, "hanging up the line after " + name);
        hangup_ = true;
    }
}

std::uint64_t SimEngine::sendFrame(const OutFrame &frame, TimeUs due)
{
    if (config_.silent) {
        log(due, "  not sent (--silent): " + frame.label + " " + toHex(frame.bytes));
        return 0;
    }
    FaultInjector::Result spoiled = faults_.apply(frame.bytes);
    TxItem item;
    item.bytes = std::move(spoiled.bytes);
    item.due = due;
    item.label = frame.label;
    item.garbage = spoiled.garbage;
    item.corrupted = spoiled.corrupted;
    item.isMessage = frame.isMessage;
    item.seqBits = frame.seqBits;
    item.tag = ++nextTag_;
    tx_.enqueue(std::move(item));
    return nextTag_;
}

void SimEngine::sendPlain(Bytes bytes, std::string label, TimeUs due)
{
    if (config_.silent) {
        log(due, "  not sent (--silent): " + label + " " + toHex(bytes));
        return;
    }
    TxItem item;
    item.bytes = std::move(bytes);
    item.due = due;
    item.label = std::move(label);
    item.tag = ++nextTag_;
    tx_.enqueue(std::move(item));
}

void SimEngine::settle(const AckTracker::Outcome &outcome, TimeUs now)
{
    const auto it = awaiting_.find(outcome.tag);
    const std::string label = it == awaiting_.end() ? "message" : it->second;
    if (it != awaiting_.end())
        awaiting_.erase(it);
    if (outcome.acked) {
        ++stats_.msgs_acked;
        ++(outcome.corrupted ? stats_.corrupt_acked : stats_.good_acked);
        log(now, std::string("  tool acknowledged ") + label
                     + (outcome.corrupted ? " although its checksum was corrupted" : ""));
    } else {
        ++stats_.msgs_unacked;
        ++(outcome.corrupted ? stats_.corrupt_unacked : stats_.good_unacked);
        log(now, "  no ack within 1000 ms for " + label + (outcome.corrupted ? " (corrupted, as expected)" : ""));
    }
    if (burst_ && burst_->waitingTag == outcome.tag) {
        Burst &b = *burst_;
        ++(outcome.corrupted ? (outcome.acked ? b.corruptAcked : b.corruptUnacked)
                             : (outcome.acked ? b.goodAcked : b.goodUnacked));
        burstNext(now);
    }
}

void SimEngine::burstNext(TimeUs now)
{
    Burst &b = *burst_;
    if (b.remaining == 0) {
        sink_.notice("burst of " + std::to_string(b.sent) + " " + b.label + " done: "
                     + std::to_string(b.goodAcked + b.goodUnacked) + " good (" + std::to_string(b.goodAcked)
                     + " acked, " + std::to_string(b.goodUnacked) + " unacked), "
                     + std::to_string(b.corruptAcked + b.corruptUnacked) + " corrupted ("
                     + std::to_string(b.corruptAcked) + " acked, " + std::to_string(b.corruptUnacked)
                     + " unacked)");
        burst_.reset();
        return;
    }
    --b.remaining;
    ++b.sent;
    b.waitingTag = sendFrame(board_.serviceMessage(b.id, {}), now);
}

} // namespace auxsim
