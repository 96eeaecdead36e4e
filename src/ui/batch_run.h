// The window's run over dropped files and folders: many files converted into one folder on a worker thread.
#pragma once

#include "ui/conversion_run.h"

#include <QStringList>
#include <cstddef>
#include <functional>
#include <memory>

namespace ui {

// What a run over many files came to, for its summary box.
struct BatchSummary {
    std::size_t converted = 0;
    std::size_t skipped = 0;  // the target exists and was kept
    std::size_t notConverted = 0;
    std::size_t notBegun = 0;  // left over when the run was cancelled
    QStringList problems;      // a line per file not converted: "in/big.G: not converted: Overflow (error 6)"
};

// The dialogs and boxes of a run over many files: the window shows Qt's, tests answer them.
class BatchPrompts {
public:
    enum class Existing { Replace, Skip, Cancel };
    virtual ~BatchPrompts() = default;
    // The folder the converted files go to, "" after a cancel.
    virtual QString targetFolder(const QString& startFolder) = 0;
    // Asked once for the whole run, when existing of its count targets are there already.
    virtual Existing existingTargets(std::size_t existing, std::size_t count) = 0;
    // Shown while the files are converted; cancel asks the run to stop after the file at hand.
    virtual void progressStarted(std::size_t count, std::function<void()> cancel) = 0;
    // The file at hand is the index+1-th of count.
    virtual void progress(std::size_t index, std::size_t count, const QString& file) = 0;
    virtual void progressEnded() = 0;
    virtual void summary(const BatchSummary& summary) = 0;
};

// A run over many files converts through a pipeline of its own, made on its worker thread: the
// window's pipeline holds the program-wide records of the single run.
using PipelineMaker = std::function<std::unique_ptr<engine::ConversionPipeline>()>;

class BatchRun {
public:
    BatchRun(ConversionRun& single, BatchPrompts& prompts, FolderLookup measurementFolder, PipelineMaker makePipeline);

    // One measurement file goes through the single run without its open dialog; anything more is
    // converted into a folder the user picks, folders as whole trees, as gconvert -r does. The
    // status line and Command1 tell the run as the single run does.
    void convertDropped(RunView& view, const QStringList& paths);

private:
    // Whether every file was converted.
    bool convertMany(const QStringList& paths);

    ConversionRun& single_;
    BatchPrompts& prompts_;
    FolderLookup measurementFolder_;
    PipelineMaker makePipeline_;
};

}  // namespace ui
