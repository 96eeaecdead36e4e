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
    Existing existingTargets(std::size_t existing, std::size_t count) override;
    void progressStarted(std::size_t count, std::function<void()> cancel) override;
    void progress(std::size_t index, std::size_t count, const std::string& file) override;
    void progressEnded() override;
    void summary(const workflow::BatchSummary& summary) override;

private:
    QWidget* parent_;
    std::unique_ptr<QProgressDialog> progress_;
    bool stopping_ = false;
};

}  // namespace ui
