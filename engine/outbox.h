#pragma once

#include <deque>
#include <vector>

#include "engine/effects.h"
#include "fbus/frame.h"

namespace auxpad {

// What the engine has for the world: bytes for the line, and effects for the operator
// in the order they happened. A box is a barrier: effects after it are released only
// once the front has closed it, as they would follow a modal box that the code behind
// it waits on.
class Outbox {
public:
    void write(const Bytes& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    void post(Effect effect);

    Bytes takeBytes();
    // Everything up to and including the next box, unless a box is still open.
    std::vector<Effect> takeEffects();
    void boxClosed();

    // Boxes posted and not yet closed; while there are any, the engine waits.
    int boxesOutstanding() const { return boxes_; }

private:
    Bytes bytes_;
    std::deque<Effect> effects_;
    int boxes_ = 0;
    bool boxOpen_ = false; // a released box the front has not closed yet
};

} // namespace auxpad
