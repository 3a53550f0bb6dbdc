#pragma once

#include <QStringList>

namespace auxpad::cli {

// `auxpad-flash people add BADGE --name NAME --role ROLE | remove BADGE | list [--json]
// [--db URL]`: the list of people who may sign in and sign, kept in the line's database
// (or, without one, in this station's journal). A technician's or an engineer's PIN is
// asked for as they are added. 0 when done, 2 with the reason when not (nothing changed).
int runPeople(const QStringList& arguments);

} // namespace auxpad::cli
