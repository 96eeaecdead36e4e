// The window's run over dropped files and folders: many files converted into one folder off the window's thread.
#pragma once

#include "engine/files/file_system.h"
#include "workflow/batch_text.h"
#include "workflow/conversion_run.h"
#include "workflow/window_thread.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace workflow {

// The dialogs and boxes of a run over many files: the window shows its own, tests answer them. Every
// text comes from the workflow (batch_text.h), UTF-8; folders are the system's names, as the engine
// takes them.
class BatchPrompts {
public:
    enum class Existing { Replace, Skip, Cancel };
    virtual ~BatchPrompts() = default;
    // The folder the converted files go to, "" after a cancel.
    virtual std::string targetFolder(const std::string& startFolder) = 0;
    // Asked once for the whole run, when some of its targets are there already.
    virtual Existing existingTargets(const ExistingTargetsQuestion& question) = 0;
    // A progress window, shown while the dropped folders are searched and again while the files are
    // converted (total 0: not known, while searching). Its Cancel calls cancel, which shows
    // StoppingText through progress and asks the run to stop: at once while searching, after the file
    // at hand while converting.
    virtual void progressStarted(std::size_t total, std::function<void()> cancel) = 0;
    virtual void progress(const ProgressText& text) = 0;
    virtual void progressEnded() = 0;
    virtual void summary(const SummaryText& text) = 0;
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
    // status line and Command1 tell the run as the single run does. Should the program quit during
    // the run, the file at hand is finished and nothing more is shown.
    void convertDropped(RunView& view, const std::vector<std::string>& paths);

private:
    enum class Outcome { EveryFileConverted, NotEveryFile, Quit };
    Outcome convertMany(const std::vector<std::string>& paths);

    ConversionRun& single_;
    BatchPrompts& prompts_;
    WindowThread& windowThread_;
    FolderLookup measurementFolder_;
    PipelineMaker makePipeline_;
    engine::FileSystem& files_;
};

}  // namespace workflow
