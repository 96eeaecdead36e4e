// The save stamp written into a record before it is saved, and its placeholder.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace support {

// "d.mm yyyy / hh:mm:ss", e.g. "5.03 2027 / 09:05:07".
QString formatSaveStamp(QDate date, QTime time);

// The stamp for the present moment; date and time come from two readings of the clock.
QString SpeicherStempel();

// "--.--- ---- / --:--:--", put back into a record whose save failed.
QString LeerStempel();

}  // namespace support
