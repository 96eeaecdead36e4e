// The user's folders by the XDG base and user directory rules.
#include "workflow/xdg_folders.h"

#include "engine/files/file_system.h"

#include <limits>
#include <string_view>
#include <variant>

namespace workflow {
namespace {

// A relative folder in these settings is to be ignored, as the XDG rules say.
bool absolute(std::string_view folder)
{
    return folder.starts_with('/');
}

// XDG_DOCUMENTS_DIR of the desktop's user-dirs.dirs, "$HOME" expanded; "" without a usable one.
std::string documentsNamedIn(const std::string& configuration, const std::string& home)
{
    const auto file = engine::systemFileSystem().readHead(configuration + "/user-dirs.dirs",
                                                          std::numeric_limits<std::size_t>::max());
    const auto* head = std::get_if<engine::FileHead>(&file);
    if (head == nullptr) return {};
    constexpr std::string_view Key = "XDG_DOCUMENTS_DIR=";
    std::string_view rest(reinterpret_cast<const char*>(head->bytes.data()), head->bytes.size());
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.starts_with(Key)) continue;
        std::string_view value = line.substr(Key.size());
        // The desktop writes the value quoted: "$HOME/..." or an absolute path.
        if (value.size() > 2 && value.starts_with('"') && value.ends_with('"')) value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME")) return home + std::string(value.substr(5));
        return absolute(value) ? std::string(value) : std::string();
    }
    return {};
}

}  // namespace

UserFolders xdgUserFolders(const std::string& home, const std::string& configHome)
{
    const std::string configuration = absolute(configHome) ? configHome : home + "/.config";
    const std::string documents = documentsNamedIn(configuration, home);
    return {configuration, documents.empty() ? home + "/Documents" : documents};
}

}  // namespace workflow
