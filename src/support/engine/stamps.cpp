// Builds the save stamp written into a record and the placeholder put back after a failed save.
#include "support/engine/stamps.h"

namespace support {

QString formatSaveStamp(QDate date, QTime time)
{
    return date.toString(u"d.MM yyyy") + QStringLiteral(" / ") + time.toString(u"HH:mm:ss");
}

QString SpeicherStempel()
{
    // Date first, then a second reading for the time, as stamps have always been taken; a stamp made
    // at midnight may pair the old date with the new day's time.
    const QDate today = QDate::currentDate();
    return formatSaveStamp(today, QTime::currentTime());
}

QString LeerStempel()
{
    return QStringLiteral("--.--- ---- / --:--:--");
}

}  // namespace support
