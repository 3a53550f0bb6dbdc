#pragma once

#include <QString>

#include <variant>

namespace auxpad::web {

// Whether the line's database answers, as the server last found it: one value, moved by
// what each try to reach it came to, with no I/O of its own. Each move says what the
// open pages are told.
struct Answering {};
struct Away {
    QString why;
};
using DatabaseLink = std::variant<Answering, Away>;

enum class PageNews { Nothing, Away, Back };

struct LinkMove {
    DatabaseLink to;
    PageNews news;
};

// | State      | Input                  | To              | Pages told |
// |------------|------------------------|-----------------|------------|
// | Answering  | answered               | Answering       | nothing    |
// | Away       | answered               | Answering       | back       |
// | Answering  | failed, why            | Away why        | away       |
// | Away w     | failed, why == w       | Away w          | nothing    |
// | Away w     | failed, why != w       | Away why        | away       |
LinkMove answered(const DatabaseLink& link);
LinkMove failed(const DatabaseLink& link, const QString& why);

} // namespace auxpad::web
