// Fuzz target: path splitting, the filter and extension tests and the whole dialog routine on
// arbitrary paths, filters and chosen names, with lengths reaching past the 16-bit positions.
#include "fuzz_check.h"
#include "support/window/file_dialog.h"
#include "support/window/path_split.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace {

using fuzz::require;

// Answers each showing with the next scripted name, and cancels once the script is used up.
class ScriptedDialog : public support::FileDialogControl {
public:
    explicit ScriptedDialog(std::vector<QString> script) : script_(std::move(script)) {}
    int shown = 0;

    void setDialogTitle(const QString&) override {}
    void setFileName(const QString& name) override { fileName_ = name; }
    QString fileName() const override { return fileName_; }
    void setInitialDirectory(const QString&) override {}
    void setDefaultExtension(const QString&) override {}
    void setFilter(const QString&) override {}
    void setFlags(std::uint32_t) override {}
    bool showOpen() override { return show(); }
    bool showSave() override { return show(); }

private:
    bool show()
    {
        require(shown <= static_cast<int>(script_.size()), "the routine stops after a cancel");
        if (shown == static_cast<int>(script_.size())) {
            ++shown;
            return false;
        }
        fileName_ = script_[static_cast<std::size_t>(shown++)];
        return true;
    }
    std::vector<QString> script_;
    QString fileName_;
};

bool isSeparator(QChar c) { return c == u'/' || c == u'\\'; }

void checkSplit(const QString& path)
{
    const std::optional<support::PathParts> split = support::PfadZerlegen(path);
    const qsizetype colon = path.indexOf(u':');
    const qsizetype separator = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    require(split.has_value() == (colon < 32766 && separator < 32766),
            "only a ':' or separator past position 32766 overflows");
    if (!split) return;
    require(split->drive == (colon < 0 ? QString() : path.left(colon + 1)), "the drive ends at the first ':'");
    require(split->fileName.size() <= 128 && !split->fileName.contains(u'/') && !split->fileName.contains(u'\\'),
            "a file name is short and holds no separator");
    // Drive, directory and name are pieces of the path in order; only one separator between folder and name drops out.
    const QString head = split->drive + split->directory;
    require(path.startsWith(head), "drive and directory start the path");
    QStringView rest = QStringView(path).sliced(head.size());
    if (!rest.startsWith(split->fileName) && !rest.isEmpty() && isSeparator(rest.front())) rest = rest.sliced(1);
    require(rest.startsWith(split->fileName), "the file name follows the directory");
}

void checkDialog(const QString& startPath, const QString& filter, std::vector<QString> choices)
{
    const std::optional<QString> extension = support::FilterExtension(filter.isEmpty() ? QStringLiteral("*.*") : filter);
    ScriptedDialog dialog(choices);
    const QString chosen = support::DateiDialog(dialog, startPath, filter, QStringLiteral("T"), 1);
    require(chosen.isEmpty() || (dialog.shown >= 1 && chosen == choices[static_cast<std::size_t>(dialog.shown - 1)]),
            "the routine returns the last name chosen, or nothing");
    if (chosen.isEmpty() || !extension) return;
    QString wanted = *extension;
    if (wanted == u"?") {
        QStringView trimmed = chosen;
        while (trimmed.endsWith(u' ')) trimmed.chop(1);
        wanted = trimmed.back();
    }
    // In the name part, without its trailing blanks, the first "." + extension leaves one character after the ".".
    QStringView name = QStringView(chosen).sliced(std::max(chosen.lastIndexOf(u'/'), chosen.lastIndexOf(u'\\')) + 1);
    while (name.endsWith(u' ')) name.chop(1);
    while (wanted.endsWith(u' ')) wanted.chop(1);
    const qsizetype found = name.indexOf(QStringLiteral(".") + wanted);
    require(found >= 0 && name.size() - found == 2, "an accepted name carries the extension");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // Taken from the end of the input, so that the texts at its start stay readable in the corpus.
    const auto layout = input.ConsumeIntegral<std::uint8_t>();
    const auto padding = input.ConsumeIntegralInRange<int>(0, 33000);
    const auto text = [&] {
        const std::string bytes = input.ConsumeRandomLengthString();
        if ((layout & 1) == 0) return QString::fromUtf8(bytes);
        // Raw UTF-16, lone surrogates included, as the window's texts may hold.
        QString units(static_cast<qsizetype>(bytes.size() / 2), QChar());
        std::memcpy(units.data(), bytes.data(), static_cast<std::size_t>(units.size()) * 2);
        return units;
    };
    QString startPath = text();
    QString filter = text();
    std::vector<QString> choices;
    while (choices.size() < 6 && input.remaining_bytes() > 0) choices.push_back(text());

    // A run of 'x' before or after one of the texts carries its characters to the 16-bit limits.
    const QString pad(padding, u'x');
    const std::size_t padded = (layout >> 2) % (2 + choices.size());
    QString& stretched = padded == 0 ? startPath : padded == 1 ? filter : choices[padded - 2];
    stretched = (layout & 2) != 0 ? pad + stretched : stretched + pad;

    checkSplit(startPath);
    for (const QString& choice : choices) checkSplit(choice);
    checkDialog(startPath, filter, choices);
    return 0;
}
