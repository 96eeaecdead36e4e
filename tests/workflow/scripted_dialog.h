// A file dialog that answers each showing with the next scripted choice and notes how it was preset.
#pragma once

#include "workflow/file_dialog.h"

#include <charconv>
#include <optional>
#include <string>
#include <vector>

namespace scripted {

using Choice = std::optional<std::string>;  // nullopt: the user cancels

class ScriptedDialog : public workflow::FileDialogControl {
public:
    std::vector<Choice> script;
    // A line per showing: open or save | title | directory | name | extension | filter | flags.
    std::vector<std::string> log;

    void setDialogTitle(const std::string& title) override { title_ = title; }
    void setFileName(const std::string& name) override { fileName_ = name; }
    std::string fileName() const override { return fileName_; }
    void setInitialDirectory(const std::string& directory) override { directory_ = directory; }
    void setDefaultExtension(const std::string& extension) override { extension_ = extension; }
    void setFilter(const std::string& filter) override { filter_ = filter; }
    void setFlags(std::uint32_t flags) override { char hex[8]; flags_.assign(hex, std::to_chars(hex, hex + 8, flags, 16).ptr); }
    bool showOpen() override { return show("open"); }
    bool showSave() override { return show("save"); }

private:
    bool show(const std::string& kind)
    {
        log.push_back(kind + " | " + title_ + " | " + directory_ + " | " + fileName_ + " | " + extension_ + " | " + filter_ + " | " + flags_);
        // Past the script the user cancels, so that a routine that never gives up cannot hang the test.
        const Choice choice = script.empty() ? Choice() : script.front();
        if (!script.empty()) script.erase(script.begin());
        fileName_ = choice.value_or(fileName_);
        return choice.has_value();
    }

    std::string title_, fileName_, directory_, extension_, filter_, flags_;
};

}  // namespace scripted
