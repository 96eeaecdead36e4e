// The dialogs and boxes of a run over many files, as Qt's widgets show them.
#pragma once

#include "workflow/batch_run.h"

#include <memory>

class QProgressDialog;
class QWidget;

namespace ui {

class QtBatchPrompts : public workflow::BatchPrompts {
public:
    explicit QtBatchPrompts(QWidget* parent);
    ~QtBatchPrompts() override;

    std::string targetFolder(const std::string& startFolder) override;
    Existing existingTargets(const workflow::ExistingTargetsQuestion& question) override;
    void progressStarted(std::size_t total, std::function<void()> cancel) override;
    void progress(const workflow::ProgressText& text) override;
    void progressEnded() override;
    void summary(const workflow::SummaryText& text) override;

private:
    QWidget* parent_;
    std::unique_ptr<QProgressDialog> progress_;
};

}  // namespace ui
