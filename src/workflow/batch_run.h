// The window's run over dropped files and folders: many files converted into one folder off the window's thread.
#pragma once

#include "engine/files/file_system.h"
#include "workflow/conversion_run.h"
#include "workflow/window_thread.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace workflow {

// What a run over many files came to, for its summary box.
struct BatchSummary {
    std::size_t converted = 0;
    std::size_t skipped = 0;  // the target exists and was kept
    std::size_t notConverted = 0;
    std::size_t notBegun = 0;        // left over when the run was cancelled
    std::vector<std::string> problems;  // a line per file not converted: "in/big.G: not converted: Overflow (error 6)"
};

// The dialogs and boxes of a run over many files: the window shows its own, tests answer them.
// Every text is UTF-8; folders are the system's names, as the engine takes them.
class BatchPrompts {
public:
    enum class Existing { Replace, Skip, Cancel };
    virtual ~BatchPrompts() = default;
    // The folder the converted files go to, "" after a cancel.
    virtual std::string targetFolder(const std::string& startFolder) = 0;
    // Asked once for the whole run, when existing of its count targets are there already.
    virtual Existing existingTargets(std::size_t existing, std::size_t count) = 0;
    // Shown while the files are converted; cancel asks the run to stop after the file at hand.
    virtual void progressStarted(std::size_t count, std::function<void()> cancel) = 0;
    // The file at hand is the index+1-th of count.
    virtual void progress(std::size_t index, std::size_t count, const std::string& file) = 0;
    virtual void progressEnded() = 0;
    virtual void summary(const BatchSummary& summary) = 0;
};

// A run over many files converts through a pipeline of its own, made on its worker thread: the
// window's pipeline holds the program-wide records of the single run.
using PipelineMaker = std::function<std::unique_ptr<engine::ConversionPipeline>()>;

class BatchRun {
public:
    BatchRun(ConversionRun& single, BatchPrompts& prompts, WindowThread& windowThread, FolderLookup measurementFolder,
             PipelineMaker makePipeline, engine::FileSystem& files = engine::systemFileSystem());

    // paths are the dropped files and folders, the system's names without a closing '/'. One
    // measurement file goes through the single run without its open dialog; anything more is
    // converted into a folder the user picks, folders as whole trees, as gconvert -r does. The
    // status line and Command1 tell the run as the single run does.
    void convertDropped(RunView& view, const std::vector<std::string>& paths);

private:
    // Whether every file was converted.
    bool convertMany(const std::vector<std::string>& paths);

    ConversionRun& single_;
    BatchPrompts& prompts_;
    WindowThread& windowThread_;
    FolderLookup measurementFolder_;
    PipelineMaker makePipeline_;
    engine::FileSystem& files_;
};

}  // namespace workflow
