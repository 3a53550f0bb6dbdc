#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace auxpad {

// Arranges for `stop` to be called, in the event loop, when SIGINT or SIGTERM comes, for
// as long as what it returns lives; nothing when it cannot. A front that ends through its
// own path on a signal closes its ports and turns its stack light off as on any end.
std::unique_ptr<QObject> onStopSignals(std::function<void()> stop);

} // namespace auxpad
