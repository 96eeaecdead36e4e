// Fuzz target: arbitrary bytes of any length loaded as a measurement file, converted and saved by the
// real engine on real files, checked against the conversion they must give.
#include "engine/conversion_pipeline.h"
#include "fuzz_check.h"
#include "old_file_fixture.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

using fuzz::require;

constexpr char Stamp[] = "1.01 2000 / 00:00:00";
constexpr qsizetype OldRecord = 3231;
const QByteArray PreviousTarget(5000, 'P');

// A private folder on a RAM disk where there is one, so that a run does not wear a real disk;
// fuzz/run.sh points TMPDIR at a folder it removes afterwards.
struct Workspace {
    Workspace()
    {
        const char* base = std::getenv("TMPDIR");
        QByteArray pattern = QByteArray(base && *base ? base : "/dev/shm") + "/convert_fuzzer.XXXXXX";
        require(::mkdtemp(pattern.data()) != nullptr, "a private folder can be made");
        folder = QFile::decodeName(pattern);
        source = folder + QStringLiteral("/old.G");
        target = folder + QStringLiteral("/new.G");
    }
    ~Workspace() { QDir(folder).removeRecursively(); }

    QString folder, source, target;
};

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    require(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), "the test files can be written");
}

std::int16_t int16At(const QByteArray& bytes, qsizetype at)
{
    return static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

// What loading must answer, worked out from the bytes alone: too long, too short, already converted.
std::optional<int> expectedLoadError(const QByteArray& bytes)
{
    if (bytes.size() > 32767) return 6;
    if (bytes.size() < OldRecord) return 62;
    // \z, not $: a line feed after the settings is not a blank.
    static const QRegularExpression lineSettings(QStringLiteral("^[0-9]+,[A-Za-z],[0-9]+,[0-9]+(\\.[0-9]+)? *\\z"));
    const bool converted = int16At(bytes, 1898) == 2
                           && lineSettings.match(QString::fromLatin1(bytes.mid(1912, 12))).hasMatch();
    if (converted) return 321;
    return std::nullopt;
}

std::size_t entriesIn(const QString& folder)
{
    const std::filesystem::directory_iterator entries(QFile::encodeName(folder).toStdString());
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Workspace workspace;
    // One pipeline for every input, as one window converts file after file: nothing of an earlier
    // conversion may show in a later one.
    static engine::ConversionPipeline pipeline(engine::systemFileSystem(), [] { return std::string(Stamp); });

    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    put(workspace.source, input);
    // Half the inputs find a target from before, which only a successful save may replace.
    const bool targetExisted = size > 0 && (data[0] & 1) != 0;
    if (targetExisted)
        put(workspace.target, PreviousTarget);
    else
        QFile::remove(workspace.target);

    bool saved = false;
    const std::optional<engine::Failure> failure = pipeline.load(QFile::encodeName(workspace.source).toStdString());
    const std::optional<int> loadError = expectedLoadError(input);
    require(failure.has_value() == loadError.has_value(), "a file loads exactly when it is an old file");
    if (loadError) require(failure->error.code() == *loadError, "a refused file names the right error");
    if (!failure) {
        const engine::ConversionResult result = pipeline.save(QFile::encodeName(workspace.target).toStdString());
        const bool inhibited = int16At(input, 1896) != 0;
        require(result.status == (inhibited ? engine::ConversionResult::Inhibited : engine::ConversionResult::Converted),
                "a loaded record is saved unless it is marked not to be");
        saved = result.status == engine::ConversionResult::Converted;
        if (saved)
            require(fixtures::readFile(workspace.target)
                        == fixtures::expectedNewFile(input.left(OldRecord), Stamp, workspace.target.toStdString()),
                    "the saved file is the exact conversion of the old record");
    }
    if (!saved) {
        if (targetExisted)
            require(fixtures::readFile(workspace.target) == PreviousTarget, "an existing target is left as it was");
        else
            require(!QFile::exists(workspace.target), "nothing is written when nothing is saved");
    }
    require(fixtures::readFile(workspace.source) == input, "the source is never changed");
    require(entriesIn(workspace.folder) == (saved || targetExisted ? 2u : 1u), "no temporary file is left behind");
    return 0;
}
