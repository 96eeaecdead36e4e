// A file dialog that answers each showing with the next scripted choice and notes how it was preset.
#pragma once

#include "support/window/file_dialog.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace scripted {

using Choice = std::optional<QString>;  // nullopt: the user cancels

class ScriptedDialog : public support::FileDialogControl {
public:
    std::vector<Choice> script;
    // A line per showing: open or save | title | directory | name | extension | filter | flags.
    QStringList log;

    void setDialogTitle(const QString& title) override { title_ = title; }
    void setFileName(const QString& name) override { fileName_ = name; }
    QString fileName() const override { return fileName_; }
    void setInitialDirectory(const QString& directory) override { directory_ = directory; }
    void setDefaultExtension(const QString& extension) override { extension_ = extension; }
    void setFilter(const QString& filter) override { filter_ = filter; }
    void setFlags(std::uint32_t flags) override { flags_ = QString::number(flags, 16); }
    bool showOpen() override { return show("open"); }
    bool showSave() override { return show("save"); }

private:
    bool show(const QString& kind)
    {
        log.append(QStringList{kind, title_, directory_, fileName_, extension_, filter_, flags_}.join(" | "));
        // Past the script the user cancels, so that a routine that never gives up cannot hang the test.
        const Choice choice = script.empty() ? Choice() : script.front();
        if (!script.empty()) script.erase(script.begin());
        fileName_ = choice.value_or(fileName_);
        return choice.has_value();
    }

    QString title_, fileName_, directory_, extension_, filter_, flags_;
};

}  // namespace scripted
