// Builds the save stamp written into a record and the placeholder put back after a failed save.
#include "engine/stamps.h"

#include "engine/local_clock.h"

#include <algorithm>
#include <cstdio>

namespace engine {

std::string formatSaveStamp(const StampMoment& moment)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d.%02d %04d / %02d:%02d:%02d", moment.day, moment.month, moment.year,
                  moment.hour, moment.minute, moment.second);
    return text;
}

std::string SpeicherStempel()
{
    // Date first, then a second reading for the time, as stamps have always been taken; a stamp made
    // at midnight may pair the old date with the new day's time.
    const std::tm day = localNow();
    const std::tm time = localNow();
    // A leap second shows as the last second of its minute.
    return formatSaveStamp({day.tm_year + 1900, day.tm_mon + 1, day.tm_mday, time.tm_hour, time.tm_min,
                            std::min(time.tm_sec, 59)});
}

std::string LeerStempel() { return "--.--- ---- / --:--:--"; }

}  // namespace engine
