// The one routine through which the program asks the user for a file name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace workflow {

// Bits of the dialog's flags property.
namespace dialog_flags {
inline constexpr std::uint32_t OverwritePrompt = 0x0002;
inline constexpr std::uint32_t HideReadOnly = 0x0004;
inline constexpr std::uint32_t PathMustExist = 0x0800;
inline constexpr std::uint32_t FileMustExist = 0x1000;
}  // namespace dialog_flags

// The operations the dialog routine drives; a window supplies a real dialog, tests a scripted one.
// Every text is UTF-8.
class FileDialogControl {
public:
    virtual ~FileDialogControl() = default;
    virtual void setDialogTitle(const std::string& title) = 0;
    virtual void setFileName(const std::string& name) = 0;
    // After a show: the full path of the chosen file.
    virtual std::string fileName() const = 0;
    virtual void setInitialDirectory(const std::string& directory) = 0;
    virtual void setDefaultExtension(const std::string& extension) = 0;
    // "description|pattern"
    virtual void setFilter(const std::string& filter) = 0;
    virtual void setFlags(std::uint32_t flags) = 0;
    // Both report a cancel as false.
    virtual bool showOpen() = 0;
    virtual bool showSave() = 0;
};

// The character after the first '.' of the filter, "" when that '.' ends it, "?" without any '.';
// nullopt when the filter is too long for a 16-bit position (counted as text_positions.h tells).
std::optional<std::string> FilterExtension(std::string_view filter);

// Shows the open (openFlag != 0) or save dialog preset from startPath, filter and title until the
// user picks a name with the filter's extension or cancels. Returns the chosen full path, or ""
// after a cancel or any failure.
std::string DateiDialog(FileDialogControl& dialog, const std::string& startPath, std::string filter, std::string title,
                        std::int16_t openFlag);

}  // namespace workflow
