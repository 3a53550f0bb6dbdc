#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "base/expected.h"

namespace auxpad {

class LineDatabase;

// What a database login may do in the line's database, in least privilege:
// a station adds records and changes only the rows of the journals it delivers for, and
// never deletes; a lead may also give leased numbers back and keep the list of people; a
// viewer reads, which is all the line's page and a report need.
enum class LineRole { Station, Lead, Viewer };
std::optional<LineRole> lineRoleNamed(const QString& name);
QStringList lineRoleNames();

// Makes `login` a login role of the line's PostgreSQL database that may do what `role`
// may, and nothing else: made when it is missing, its earlier rights taken back first.
// The connection's own login must be the tables' owner and may create roles.
Expected<void, QString> grantLineRole(LineDatabase& line, LineRole role, const QString& login);

} // namespace auxpad
