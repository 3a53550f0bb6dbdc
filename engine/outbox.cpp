#include "engine/outbox.h"

namespace auxpad {

void Outbox::post(Effect effect)
{
    if (std::holds_alternative<BoxShown>(effect))
        ++boxes_;
    // The receiver logs a byte at a time; one effect per run of log text is plenty.
    if (auto* log = std::get_if<TrafficLogged>(&effect); log && !effects_.empty()) {
        if (auto* last = std::get_if<TrafficLogged>(&effects_.back())) {
            last->text += log->text;
            return;
        }
    }
    effects_.push_back(std::move(effect));
}

Bytes Outbox::takeBytes()
{
    Bytes out;
    out.swap(bytes_);
    return out;
}

std::vector<Effect> Outbox::takeEffects()
{
    std::vector<Effect> out;
    while (!boxOpen_ && !effects_.empty()) {
        boxOpen_ = std::holds_alternative<BoxShown>(effects_.front());
        out.push_back(std::move(effects_.front()));
        effects_.pop_front();
    }
    return out;
}

void Outbox::boxClosed()
{
    if (!boxOpen_)
        return;
    boxOpen_ = false;
    --boxes_;
}

} // namespace auxpad
