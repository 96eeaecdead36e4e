// Converts between Unicode text and Windows-1252, the code page of the measurement files.
#include "support/engine/windows1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace support {
namespace {

constexpr char CodePage[] = "windows-1252";
constexpr char Unmappable = '?';
// The encoder writes SUB for a character the code page lacks; only U+001A itself really is SUB.
constexpr char Substitute = 0x1A;

}  // namespace

QByteArray toWindows1252(QStringView text)
{
    QStringEncoder encoder(CodePage, QStringConverter::Flag::Stateless);
    QByteArray bytes;
    bytes.reserve(text.size());
    // One character at a time, so that every code point, a surrogate pair included, gives one byte.
    for (qsizetype position = 0; position < text.size();) {
        const bool surrogatePair = text[position].isHighSurrogate() && position + 1 < text.size()
                                   && text[position + 1].isLowSurrogate();
        const QStringView character = text.sliced(position, surrogatePair ? 2 : 1);
        const QByteArray encoded = encoder.encode(character);
        const bool mapped = encoded.size() == 1
                            && (encoded.front() != Substitute || character.front() == QChar(Substitute));
        bytes.append(mapped ? encoded.front() : Unmappable);
        position += character.size();
    }
    return bytes;
}

QString fromWindows1252(QByteArrayView bytes)
{
    QStringDecoder decoder(CodePage);
    return decoder.decode(bytes);
}

}  // namespace support
