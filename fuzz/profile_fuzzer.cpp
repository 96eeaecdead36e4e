// Fuzz target: the profile reader on arbitrary text, asked for arbitrary section and key names, and a
// value written under such names read back.
#include "fuzz_check.h"
#include "support/window/profile.h"
#include "support/engine/windows1252.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QByteArray codePage(const QString& text) { return QByteArray::fromStdString(support::toWindows1252(text.toStdString())); }

QString decoded(std::string_view bytes) { return QString::fromStdString(support::fromWindows1252(bytes)); }

// Text the reader takes as it stands: one line, no blanks at its ends, every character in the code page.
bool plain(const QString& text)
{
    return !text.contains(u'\n') && !text.contains(u'\r') && (text.isEmpty() || (!isBlank(text.front()) && !isBlank(text.back())))
           && decoded(codePage(text).toStdString()) == text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // Names, default and value as the window holds them; the profile as the bytes on disk.
    const QString section = QString::fromUtf8(input.ConsumeRandomLengthString(40));
    const QString key = QString::fromUtf8(input.ConsumeRandomLengthString(40));
    const QString fallback = QString::fromUtf8(input.ConsumeRandomLengthString(400));
    const QString written = QString::fromUtf8(input.ConsumeRandomLengthString(400));
    const std::string text = input.ConsumeRemainingBytesAsString();

    const QString value = support::readProfileValue(QByteArrayView(text), section, key, fallback);
    fuzz::require(value.size() <= 254, "a value fits the 255-character reading buffer");
    // A value is always a piece of one line of the profile, or the default.
    const bool fromProfile = decoded(text).contains(value) && !value.contains(u'\n');
    fuzz::require(value == fallback.left(254) || fromProfile, "a value is one line's piece of the profile or the default");

    // Written as the first section of a profile, a plain value comes back whatever follows it.
    const bool quoted = written.size() >= 2 && written.front() == written.back()
                        && (written.front() == u'"' || written.front() == u'\'');
    if (!section.isEmpty() && !section.contains(u']') && plain(section) && !key.isEmpty() && !key.contains(u'=')
        && !key.startsWith(u'[') && plain(key) && plain(written) && !quoted) {
        const QByteArray profile = codePage(QStringLiteral("[%1]\r\n%2=%3\r\n").arg(section, key, written))
                                   + QByteArray::fromStdString(text);
        fuzz::require(support::readProfileValue(profile, section, key, fallback) == written.left(254),
                      "a value written under a section and key is read back");
    }
    return 0;
}
