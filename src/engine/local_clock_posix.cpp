// The local time now on POSIX systems.
#include "engine/local_clock.h"

namespace engine {

std::tm localNow()
{
    // The time zone is read once: reading it at every stamp would cost a batch of many files twice a file.
    static const bool zoneRead = (::tzset(), true);
    (void)zoneRead;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

}  // namespace engine
