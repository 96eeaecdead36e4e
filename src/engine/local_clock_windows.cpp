// The local time now on Windows.
#include "engine/local_clock.h"

namespace engine {

std::tm localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_s(&local, &now);
    return local;
}

}  // namespace engine
