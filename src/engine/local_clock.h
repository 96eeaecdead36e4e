// The local calendar time of the present moment, read the way each system reads it.
#pragma once

#include <ctime>

namespace engine {

// The fields of the local time now, the time zone as the system is set.
std::tm localNow();

}  // namespace engine
