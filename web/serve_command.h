#pragma once

#include <QStringList>

namespace auxpad::web {

// `auxpad-flash serve [--db URL] [--listen HOST:PORT]`: the line's page, live, read from
// the line's database until the process is stopped. Returns 2 when it cannot start.
int runServe(const QStringList& arguments);

} // namespace auxpad::web
