// Warnings of the engine shown the desktop way: a beep and a modal warning box.
#pragma once

#include "ui/conversion_run.h"

class QWidget;

namespace ui {

class MessageBoxWarnings : public WarningPresenter {
public:
    explicit MessageBoxWarnings(QWidget* parent);
    // Returns when the user has closed the box.
    void present(const engine::Failure& failure) override;

private:
    QWidget* parent_;
};

}  // namespace ui
