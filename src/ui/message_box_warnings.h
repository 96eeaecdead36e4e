// Warnings of the engine shown the desktop way: a beep and a modal warning box.
#pragma once

#include "workflow/conversion_run.h"

class QWidget;

namespace ui {

class MessageBoxWarnings : public workflow::WarningBox {
public:
    explicit MessageBoxWarnings(QWidget* parent);
    // Returns when the user has closed the box.
    void warn(const workflow::WarningText& text) override;

private:
    QWidget* parent_;
};

}  // namespace ui
