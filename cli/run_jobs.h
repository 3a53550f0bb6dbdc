#pragma once

#include <QStringList>

namespace auxpad::cli {

// `auxpad-flash flash|prodinfo|selftest ...`: every board at once in one event loop,
// without a display. Returns the exit status: 0 every board passed, 1 one or more
// failed, 2 the command could not start (nothing was sent), 130 interrupted.
int runJobCommand(const QStringList& arguments);

} // namespace auxpad::cli
