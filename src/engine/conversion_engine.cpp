// Loading an old record, converting it to the new layout and saving it, on the program-wide records.
#include "engine/conversion_engine.h"

#include "records/wire.h"
#include "support/path_split.h"
#include "support/stamps.h"
#include "support/windows1252.h"

#include <QFile>

#include <algorithm>
#include <array>

namespace engine {
namespace {

using records::NewMeasurementRecord;
using records::NewInfoBlock;
using records::NewPortSettings;
using records::SaveStampGroup;

// A number the way the warning titles show it: a leading blank where a minus sign would stand.
QString signedNumber(int number)
{
    return number < 0 ? QString::number(number) : QStringLiteral(" ") + QString::number(number);
}

Warning loadWarning(FileError error)
{
    return {error, QStringLiteral("Error: ") + QStringLiteral(" (g_DateiLaden): ") + signedNumber(error.code()),
            QStringLiteral("...at loading") + NeueZeile + error.description()};
}

Warning saveWarning(FileError error)
{
    return {error, QStringLiteral("Error:") + QStringLiteral(" (g_DateiSpeichern): ") + signedNumber(error.code()),
            QStringLiteral("...at saving ") + NeueZeile + error.description()};
}

// Serial line settings as converted records carry them: baud digits, parity letter, data bits and
// stop bits separated by commas, padded with blanks ("19200,N,8,1 ").
bool isLineSettingsText(std::span<const std::uint8_t> text)
{
    // Plain ASCII classes: the locale must not decide what a file is.
    const auto isDigit = [](std::uint8_t b) { return b >= '0' && b <= '9'; };
    const auto isLetter = [](std::uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); };
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < text.size() && isDigit(text[at])) ++at;
        return at > start;
    };
    const auto accept = [&](char expected) {
        if (at >= text.size() || text[at] != static_cast<std::uint8_t>(expected)) return false;
        ++at;
        return true;
    };
    const auto letter = [&] {
        if (at >= text.size() || !isLetter(text[at])) return false;
        ++at;
        return true;
    };
    if (!(digits() && accept(',') && letter() && accept(',') && digits() && accept(',') && digits())) return false;
    if (accept('.') && !digits()) return false;  // stop bits such as 1.5
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(),
                       [](std::uint8_t b) { return b == ' '; });
}

// A file converted before marks itself with format 2 and holds line settings where an old file
// has its port values; converting it again would lose its last bytes.
bool hasNewLayout(std::span<const std::uint8_t, records::OldRecordLength> bytes)
{
    constexpr auto formatMarkAt =
        records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::SaveStamp, &SaveStampGroup::FormatMark>();
    constexpr auto lineSettingsAt =
        records::wireOffset<&NewMeasurementRecord::Info, &NewInfoBlock::PortSettings, &NewPortSettings::LineSettings>();
    constexpr auto lineSettingsWidth = records::wireSize<records::Text<12>>;
    static_assert(lineSettingsAt + lineSettingsWidth <= records::OldRecordLength);

    const auto formatMark = records::loadInt16(bytes.subspan<formatMarkAt, 2>());
    return formatMark == 2 && isLineSettingsText(bytes.subspan<lineSettingsAt, lineSettingsWidth>());
}

void assignText(auto& field, const QString& text) { field.assign(support::toWindows1252(text).toStdString()); }

// The loaded series block without the bytes of AuxA that the newer releases hold for themselves.
void takeSeries(const records::SeriesBlock& from, records::WorkingSeriesBlock& to)
{
    static_cast<records::SeriesBlock&>(to) = from;
    std::fill(to.AuxA.bytes.begin() + 8, to.AuxA.bytes.begin() + 16, std::uint8_t{0});
}

}  // namespace

ConversionEngine::ConversionEngine() : ConversionEngine(systemFileCalls(), support::SpeicherStempel) {}

ConversionEngine::ConversionEngine(FileCalls& calls, StampSource saveStamp)
    : calls_(calls), saveStamp_(std::move(saveStamp))
{
}

FileResult ConversionEngine::g_DateiLaden(const QString& path)
{
    std::array<std::uint8_t, records::OldRecordLength> bytes{};
    if (auto error = readOldRecordBytes(calls_, QFile::encodeName(path).toStdString(), bytes))
        return {loadWarning(*error)};
    if (hasNewLayout(bytes)) return {loadWarning({FileErrorNumber::InvalidFileFormat})};
    OldFileImage = records::decode<records::OldMeasurementRecord>(bytes);
    return {};
}

void ConversionEngine::DatenUebernehmen()
{
    takeSeries(OldFileImage.Series1, OldWorkingRecord.Series1);
    takeSeries(OldFileImage.Series2, OldWorkingRecord.Series2);
    OldWorkingRecord.Info = OldFileImage.Info;
    OldWorkingRecord.Info.SaveStamp.FormatMark = 1;
}

void ConversionEngine::DatenKonvertieren()
{
    const auto& from = OldWorkingRecord;
    auto& to = NewWorkingRecord;
    to.Series1 = from.Series1;
    to.Series2 = from.Series2;

    // Every group but the port settings has the same layout in both records.
    to.Info.InfoHead = from.Info.InfoHead;
    to.Info.SaveStamp = from.Info.SaveStamp;
    to.Info.Pair = from.Info.Pair;
    to.Info.FileInfo = from.Info.FileInfo;
    to.Info.TextBlock = from.Info.TextBlock;
    to.Info.AuxE = from.Info.AuxE;
    to.Info.Word1 = from.Info.Word1;
    to.Info.Word2 = from.Info.Word2;
    to.Info.Quad = from.Info.Quad;
    to.Info.Word3 = from.Info.Word3;
    to.Info.AuxD = from.Info.AuxD;

    const auto& oldPort = from.Info.PortSettings;
    auto& newPort = to.Info.PortSettings;
    newPort.PortValue1 = oldPort.PortValue1;
    newPort.PortChar1 = oldPort.PortChar1;
    newPort.PortValue2 = oldPort.PortValue2;
    newPort.PortChar2 = oldPort.PortChar2;
    newPort.PortValue3 = oldPort.PortValue3;
    newPort.PortValue4 = oldPort.PortValue4;
    newPort.PortChar3 = oldPort.PortChar3;
    newPort.PortChar4 = oldPort.PortChar4;
    newPort.LineSettings.assign(ConvertedLineSettings);
}

bool ConversionEngine::markForSaving(const QString& chosenPath)
{
    auto& stamp = NewWorkingRecord.Info.SaveStamp;
    assignText(NewWorkingRecord.Info.FileInfo.FileName, chosenPath);
    if (stamp.SaveInhibit != 0) return false;
    stamp.FormatMark = 2;
    assignText(stamp.StampText, saveStamp_());
    return true;
}

SaveOutcome ConversionEngine::stampAndSave(const QString& chosenPath)
{
    if (!markForSaving(chosenPath)) return {SaveStatus::Inhibited, std::nullopt};
    QString fileName = chosenPath;
    FileResult saved = g_DateiSpeichern(fileName);
    if (!saved) {
        assignText(NewWorkingRecord.Info.SaveStamp.StampText, support::LeerStempel());
        return {SaveStatus::Failed, std::move(saved.warning)};
    }
    return {SaveStatus::Saved, std::nullopt};
}

std::optional<FileError> ConversionEngine::beginSave(QString& fileName, std::optional<PendingReplacement>& pending)
{
    fileName = support::withoutTrailingBlanks(fileName).toString();

    // The working blocks' LeadValue has no place in a file and stays behind.
    NewFileImage.Series1 = NewWorkingRecord.Series1;
    NewFileImage.Series2 = NewWorkingRecord.Series2;
    NewFileImage.Info = NewWorkingRecord.Info;

    const auto bytes = records::encode(NewFileImage);
    return beginReplacement(calls_, QFile::encodeName(fileName).toStdString(), bytes, pending);
}

FileResult ConversionEngine::g_DateiSpeichern(QString& fileName)
{
    std::optional<PendingReplacement> pending;
    std::optional<FileError> error = beginSave(fileName, pending);
    if (!error) error = pending->complete();
    if (!error) error = flushFolderOf(calls_, pending->targetPath());
    if (error) return {saveWarning(*error)};
    return {};
}

}  // namespace engine
