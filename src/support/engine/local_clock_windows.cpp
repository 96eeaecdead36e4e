// The local time now on Windows.
#include "support/engine/local_clock.h"

namespace support {

std::tm localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_s(&local, &now);
    return local;
}

}  // namespace support
