// Conversion between Unicode text and the single-byte code page of the measurement files.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace support {

// One byte per character; a character the code page lacks becomes '?'.
QByteArray toWindows1252(QStringView text);

QString fromWindows1252(QByteArrayView bytes);

}  // namespace support
