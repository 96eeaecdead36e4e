// The save stamp written into a record before it is saved, and its placeholder.
#pragma once

#include <string>

namespace engine {

// A moment of the local calendar and clock, as the stamp shows it.
struct StampMoment {
    int year, month, day;
    int hour, minute, second;
};

// "d.mm yyyy / hh:mm:ss", e.g. "5.03 2027 / 09:05:07".
std::string formatSaveStamp(const StampMoment& moment);

// The stamp for the present moment; date and time come from two readings of the clock.
std::string SpeicherStempel();

// "--.--- ---- / --:--:--", put back into a record whose save failed.
std::string LeerStempel();

}  // namespace engine
