// The dialogs and boxes of a run over many files, as Qt's widgets show them.
#pragma once

#include "ui/batch_run.h"

#include <memory>

class QProgressDialog;
class QWidget;

namespace ui {

class QtBatchPrompts : public BatchPrompts {
public:
    explicit QtBatchPrompts(QWidget* parent);
    ~QtBatchPrompts() override;

    QString targetFolder(const QString& startFolder) override;
    Existing existingTargets(std::size_t existing, std::size_t count) override;
    void progressStarted(std::size_t count, std::function<void()> cancel) override;
    void progress(std::size_t index, std::size_t count, const QString& file) override;
    void progressEnded() override;
    void summary(const BatchSummary& summary) override;

private:
    QWidget* parent_;
    std::unique_ptr<QProgressDialog> progress_;
    bool stopping_ = false;
};

}  // namespace ui
