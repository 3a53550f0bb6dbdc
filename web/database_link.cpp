#include "web/database_link.h"

namespace auxpad::web {

LinkMove answered(const DatabaseLink& link)
{
    return {Answering{}, std::holds_alternative<Away>(link) ? PageNews::Back : PageNews::Nothing};
}

LinkMove failed(const DatabaseLink& link, const QString& why)
{
    const Away* away = std::get_if<Away>(&link);
    return {Away{why}, away && away->why == why ? PageNews::Nothing : PageNews::Away};
}

} // namespace auxpad::web
