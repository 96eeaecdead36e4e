// Builds the save stamp written into a record and the placeholder put back after a failed save.
#include "support/engine/stamps.h"

#include <algorithm>
#include <ctime>

namespace support {
namespace {

// The local calendar day and time of the present moment. The time zone is read once: Qt's clock
// asks the system for it at every reading, which a batch of many files would pay for twice a file.
std::tm localNow()
{
    static const bool zoneRead = (::tzset(), true);
    (void)zoneRead;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

}  // namespace

QString formatSaveStamp(QDate date, QTime time)
{
    return date.toString(u"d.MM yyyy") + QStringLiteral(" / ") + time.toString(u"HH:mm:ss");
}

QString SpeicherStempel()
{
    // Date first, then a second reading for the time, as stamps have always been taken; a stamp made
    // at midnight may pair the old date with the new day's time.
    const std::tm day = localNow();
    const std::tm time = localNow();
    return formatSaveStamp(QDate(day.tm_year + 1900, day.tm_mon + 1, day.tm_mday),
                           QTime(time.tm_hour, time.tm_min, std::min(time.tm_sec, 59)));
}

QString LeerStempel()
{
    return QStringLiteral("--.--- ---- / --:--:--");
}

}  // namespace support
