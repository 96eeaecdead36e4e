// The file dialog routine's operations carried out by Qt's own file dialog widget.
#pragma once

#include "workflow/file_dialog.h"

#include <QString>

class QWidget;

namespace ui {

// Collects the presets like a dialog control does and shows a fresh QFileDialog at every show, so
// that nothing of an earlier showing carries over. Qt's own widget rather than the desktop's
// native dialog, so that it behaves alike everywhere and tests can drive it.
class QtFileDialog : public workflow::FileDialogControl {
public:
    explicit QtFileDialog(QWidget* parent);

    // UTF-8 texts of the dialog routine, held as Qt's texts in between.
    void setDialogTitle(const std::string& title) override;
    void setFileName(const std::string& name) override;
    std::string fileName() const override;
    void setInitialDirectory(const std::string& directory) override;
    void setDefaultExtension(const std::string& extension) override;
    void setFilter(const std::string& filter) override;
    void setFlags(std::uint32_t flags) override;
    bool showOpen() override;
    bool showSave() override;

private:
    bool show(bool saving);

    QWidget* parent_;
    QString title_;
    QString fileName_;
    QString initialDirectory_;
    QString defaultExtension_;
    QString filter_;
    std::uint32_t flags_ = 0;
};

}  // namespace ui
