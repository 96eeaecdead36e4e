// Reads the program's profile settings and supplies the folder measurement files are looked for in.
#include "workflow/profile.h"

#include "engine/files/file_system.h"
#include "encoding/windows1252.h"
#include "workflow/text_positions.h"
#include "workflow/user_folders.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <variant>

namespace workflow {
namespace {

// Values come back as they fit a 255-character reading buffer with its terminating zero.
constexpr std::size_t MaxValueLength = 254;

// The tool's folder among the user's configuration folders (~/.config/FileConverter).
constexpr char ToolFolderName[] = "FileConverter";
constexpr char DefaultFolderName[] = "VelFiles";

// Spaces and tabs only: a no-break space (U+00A0) at the end of a folder name belongs to the value.
bool isBlank(char character)
{
    return character == ' ' || character == '\t';
}

std::string_view withoutBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Quotes let a value keep blanks at its ends; only one matching pair around the whole value counts.
std::string_view withoutQuotes(std::string_view value)
{
    const bool quoted = value.size() >= 2 && value.front() == value.back()
                        && (value.front() == '"' || value.front() == '\'');
    return quoted ? value.substr(1, value.size() - 2) : value;
}

// The name of a "[name]" line; nullopt for any other line.
std::optional<std::string_view> sectionName(std::string_view line)
{
    if (!line.starts_with('['))
        return std::nullopt;
    const std::size_t closing = line.find(']');
    return withoutBlanks(line.substr(1, (closing == std::string_view::npos ? line.size() : closing) - 1));
}

// The small letter of a capital one among those of the code page the profile is written in (ASCII,
// Latin-1, and Š, Œ, Ž, Ÿ), so that the names a profile can hold match in any case.
char32_t folded(char32_t character)
{
    if ((character >= U'A' && character <= U'Z') || (character >= 0xC0 && character <= 0xDE && character != 0xD7))
        return character + 0x20;
    if (character == 0x160 || character == 0x152 || character == 0x17D)
        return character + 1;
    return character == 0x178 ? 0xFF : character;
}

bool sameName(std::string_view name, std::string_view wanted)
{
    encoding::Utf8Reader left(name), right(wanted);
    while (!left.atEnd() && !right.atEnd())
        if (folded(left.next()) != folded(right.next()))
            return false;
    return left.atEnd() && right.atEnd();
}

// A folder of nothing but spaces is no folder: the default one stands in for it.
bool isGiven(const std::string& configuredFolder)
{
    return !std::ranges::all_of(configuredFolder, [](char character) { return character == ' '; });
}

// folder/name, as the program's folders are joined everywhere ('/' between, none doubled).
std::string inFolder(const std::string& folder, std::string_view name)
{
    if (folder.empty()) return std::string(name);
    return folder.ends_with('/') ? folder + std::string(name) : folder + '/' + std::string(name);
}

bool isFolder(const std::string& path)
{
    return engine::systemFileSystem().status(path).kind == engine::FileStatus::Folder;
}

// Every missing folder on the way, as far as the user may make them; failures are the caller's to find.
void makeFolders(const std::string& folder)
{
    if (folder.empty() || isFolder(folder)) return;
    const std::string parent = engine::splitPath(folder).folder;
    if (parent != folder && parent != ".") makeFolders(parent);
    engine::systemFileSystem().makeFolder(folder);
}

std::string messPfadIn(const ProgramFolders& folders, const std::string& configuredFolder)
{
    const std::string parent = measurementParentFolder(folders);
    // A fresh account may have no documents folder yet; the application folder is never made.
    if (!isGiven(configuredFolder) && parent != folders.application)
        makeFolders(parent);
    return MessPfad(parent, configuredFolder);
}

}  // namespace

std::string readProfileValue(std::string_view profileText, std::string_view section, std::string_view key,
                             std::string_view defaultValue)
{
    const std::string text = encoding::fromWindows1252(profileText);
    bool inSection = false;
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        line = withoutBlanks(line);
        if (const std::optional<std::string_view> name = sectionName(line)) {
            // The first matching section alone is searched.
            if (inSection)
                break;
            inSection = sameName(*name, section);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos || !sameName(withoutBlanks(line.substr(0, equals)), key))
            continue;
        // Decoded from the code page, every character of the value counts one position.
        return std::string(firstUnits(withoutQuotes(withoutBlanks(line.substr(equals + 1))), MaxValueLength));
    }
    return std::string(firstUnits(defaultValue, MaxValueLength));
}

std::string ProfilLesen(const std::string& folder, std::string_view profileFileName, std::string_view section,
                        std::string_view key, std::string_view defaultValue)
{
    // The whole file, but only a regular one: a pipe of that name cannot hold up the window.
    const auto profile = engine::systemFileSystem().readHead(inFolder(folder, profileFileName),
                                                             std::numeric_limits<std::size_t>::max());
    // A missing or unreadable profile is no error: every setting keeps its default.
    if (const auto* head = std::get_if<engine::FileHead>(&profile)) {
        const std::string_view bytes(reinterpret_cast<const char*>(head->bytes.data()), head->bytes.size());
        return readProfileValue(bytes, section, key, defaultValue);
    }
    return std::string(firstUnits(defaultValue, MaxValueLength));
}

std::string MessPfad(const std::string& parentFolder, const std::string& configuredFolder)
{
    if (isGiven(configuredFolder))
        return configuredFolder;
    const std::string defaultFolder = inFolder(parentFolder, DefaultFolderName);
    // One level, result ignored: the dialogs start there whether it was made now, earlier or not at all.
    engine::systemFileSystem().makeFolder(defaultFolder);
    return defaultFolder + '/';
}

ProgramFolders programFolders(const std::string& applicationFolder)
{
    // The tool's own folder among the user's configuration folders, whatever the program file is called.
    const UserFolders user = userFolders();
    return {applicationFolder, !engine::systemFileSystem().mayCreateIn(applicationFolder).has_value(),
            inFolder(user.configuration, ToolFolderName), user.documents};
}

std::string profileFolder(const ProgramFolders& folders, std::string_view profileFileName)
{
    // A profile beside the program makes it portable; one of another kind (a dangling link) does not.
    const engine::FileStatus::Kind beside = engine::systemFileSystem().status(inFolder(folders.application, profileFileName)).kind;
    const bool portable = beside == engine::FileStatus::File || beside == engine::FileStatus::Folder;
    return portable ? folders.application : folders.userConfiguration;
}

std::string measurementParentFolder(const ProgramFolders& folders)
{
    // A VelFiles folder beside a read-only program (a copy on a shared drive) is still the one to use.
    const bool besideProgram = folders.applicationWritable || isFolder(inFolder(folders.application, DefaultFolderName));
    return besideProgram ? folders.application : folders.userDocuments;
}

std::string measurementFolder(const ProgramFolders& folders)
{
    const std::string configured =
        ProfilLesen(profileFolder(folders, ProfileFileName), ProfileFileName, ProfileSection, MeasurementFolderKey, {});
    return messPfadIn(folders, configured);
}

}  // namespace workflow
