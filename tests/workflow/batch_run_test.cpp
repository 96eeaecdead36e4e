// The run over dropped files and folders on real files and the real engine, its window played by the
// test: scripted prompts, a window thread of the test's own, a recording status line.
#include "workflow/batch_run.h"
#include "../engine/old_file_fixture.h"
#include "scripted_dialog.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <regex>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Existing = workflow::BatchPrompts::Existing;

// A path as the system writes it, with its own separator.
std::string shown(const std::string& path) { return fixtures::pathText(fs::u8path(path).make_preferred()); }

// Shut until opened; a thread waits at it until then, or 10 seconds at most, so that a faulty program
// cannot hang the test.
struct Gate {
    std::atomic<bool> open = false;
    void pass() const
    {
        for (const auto end = std::chrono::steady_clock::now() + 10s; !open && std::chrono::steady_clock::now() < end;)
            std::this_thread::sleep_for(1ms);
    }
};

// The window's thread is the test's: work runs on a thread of its own while the tasks it posts run
// here when due. A task may end the program as End does; a worker's post may be held until the
// window's thread lets it go, so that a test acts while the worker stands still; a held save waits there too.
class ScriptedWindowThread : public workflow::WindowThread {
public:
    bool quit = false;
    std::atomic<bool> holdWorker = false;
    Gate workerGate;

    // From a task: the window's loop ends, and the work is asked to stop.
    void endProgram()
    {
        quit = true;
        (*stop_)();
    }

    bool runOff(const std::function<void()>& work, const std::function<void()>& stop) override
    {
        stop_ = &stop;
        std::atomic<bool> done = false;
        std::thread worker([&] { work(); done = true; wake_.notify_all(); });
        while (!done && !quit) {
            std::unique_lock lock(mutex_);
            const auto due = std::ranges::find_if(tasks_, [](const Task& task) { return task.due <= std::chrono::steady_clock::now(); });
            if (due == tasks_.end()) { wake_.wait_for(lock, 1ms); continue; }
            const std::function<void()> task = std::move(due->run);
            tasks_.erase(due);
            lock.unlock();
            task();
        }
        worker.join();
        return !quit;
    }

    void post(std::function<void()> task, std::chrono::milliseconds delay) override
    {
        {
            const std::lock_guard lock(mutex_);
            tasks_.push_back({std::chrono::steady_clock::now() + delay, std::move(task)});
        }
        wake_.notify_all();
        if (holdWorker && std::this_thread::get_id() != window_) workerGate.pass();
    }

private:
    struct Task { std::chrono::steady_clock::time_point due; std::function<void()> run; };
    const std::thread::id window_ = std::this_thread::get_id();
    const std::function<void()>* stop_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Task> tasks_;
};

// Answers the dialogs (files go where the folder dialog starts), notes what they asked and showed,
// and lets a test act at a progress line.
struct Prompts : workflow::BatchPrompts {
    Existing answer = Existing::Cancel;
    bool cancelFolder = false;
    std::function<void(const workflow::ProgressText&)> atProgress;
    std::function<void()> cancel;
    std::vector<std::string> asked, shown;  // shown: each progress window's total, then its lines
    std::optional<workflow::SummaryText> summed;

    std::string targetFolder(const std::string& start) override
    {
        asked.push_back("folder " + fs::u8path(start).parent_path().filename().string());
        return cancelFolder ? "" : start;
    }
    Existing existingTargets(const workflow::ExistingTargetsQuestion& q) override
    {
        asked.push_back(q.title + ": " + q.instruction + " " + q.content + " " + q.replace + "/" + q.skip);
        return answer;
    }
    void progressStarted(std::size_t total, std::function<void()> stop) override { shown.push_back("of " + std::to_string(total)); cancel = std::move(stop); }
    void progress(const workflow::ProgressText& text) override
    {
        shown.push_back(text.count + (text.file.empty() ? "" : " | " + text.file));
        if (atProgress) atProgress(text);
    }
    void progressEnded() override { cancel = nullptr; }
    void summary(const workflow::SummaryText& text) override { summed = text; }
};

struct StatusLine : workflow::RunView, workflow::WarningBox {
    std::vector<std::string> log;
    void showStatus(const std::string& text) override { log.push_back(text); }
    void setCommand1Enabled(bool) override {}
    void warn(const workflow::WarningText& text) override { log.push_back("warning " + text.title); }
};

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"c.G", "in/a.G", "in/sub/b.G", "in/z.G"}) fixtures::writeFile(path(name), old);
        for (const char* name : {"notes.txt", "in/short.G", "in/sub/none/readme.txt"}) fixtures::writeFile(path(name), "text");
    }

    std::string path(const std::string& name) const { return dir.path(name); }
    // As a file manager drops them: the system's full names.
    std::vector<std::string> paths(const std::vector<std::string>& names) const
    {
        std::vector<std::string> all;
        for (const std::string& name : names) all.push_back(shown(path(name)));
        return all;
    }
    // Every file in VelFiles, hidden ones too; one that is not what converting the old file there gives is "kept".
    std::vector<std::string> written() const
    {
        std::vector<std::string> files;
        for (const auto& [name, bytes] : fixtures::filesBelow(path("VelFiles"))) {
            const std::string stored = fixtures::pathText(fs::absolute(fs::u8path(path("VelFiles/" + name))).make_preferred());
            files.push_back(fs::u8path(name).generic_string() + (bytes == fixtures::expectedNewFile(old, fixtures::Stamp, stored) ? "" : " kept"));
        }
        return files;
    }
    // The summary's counts as numbers, and its icon.
    std::string counted() const
    {
        if (!prompts.summed) return "none";
        return std::regex_replace(prompts.summed->counts, std::regex("[^0-9]+"), " ").substr(1) + (prompts.summed->everyFileConverted ? " information" : " warning");
    }

    const std::string old = fixtures::patternedFile(false);
    fixtures::TemporaryFolder dir;
    scripted::ScriptedDialog dialog;
    StatusLine view;
    Prompts prompts;
    ScriptedWindowThread windowThread;
    std::atomic<int> saves = 0, heldSave = 0;
    engine::ConversionPipeline pipeline{engine::systemFileSystem(), [] { return std::string(fixtures::Stamp); }};
    workflow::ConversionRun single{pipeline, dialog, view, [] {}, [this] { return path("VelFiles/"); }};
    // The saves of the run may be held at one of them, so that the test acts in the middle of a run.
    workflow::BatchRun run{single, prompts, windowThread, [this] { return path("VelFiles/"); }, [this] {
        return std::make_unique<engine::ConversionPipeline>(engine::systemFileSystem(), [this] {
            if (++saves == heldSave) windowThread.workerGate.pass();
            return std::string(fixtures::Stamp);
        });
    }};
};

const std::string Converted = workflow::StatusConverted, NotConverted = workflow::StatusNotConverted, Running = workflow::StatusRunning;

TEST_F(BatchRunTest, EachDropConvertsItsFilesIntoTheChosenFolderAndSumsThemUp)
{
    const std::string bad = shown("in/short.G") + ": not converted: Input past end of file (error 62)";
    const std::string notes = "notes.txt: not converted: not a measurement file";
    const std::string question = "Save Files To: 1 of the 4 converted files exist already in this folder. "
                                 "Replace them, skip them, or cancel the whole run? Replace/Skip";
    const std::vector<std::string> existing = {"folder VelFiles", question};
    const struct {
        std::vector<std::string> dropped;
        std::optional<Existing> answer;  // VelFiles/a.G is there already, and the answer to the question
        std::vector<std::string> asked, written;
        std::string counted;                // the summary's numbers and icon, "none" without a summary
        std::vector<std::string> problems;  // its details
        std::string status;
        bool cancelFolder = false;
    } rows[] = {
        {{"c.G"}, {}, {}, {"one.G"}, "none", {}, Converted},  // the single run, its save dialog answered one.G
        {{"c.G", "in/a.G"}, {}, {"folder VelFiles"}, {"a.G", "c.G"}, "2 0 0 information", {}, Converted},
        {{"in/sub"}, {}, {"folder VelFiles"}, {"b.G"}, "1 0 0 information", {}, Converted},  // one file of a tree
        {{"in"}, {}, {"folder VelFiles"}, {"a.G", "sub/b.G", "z.G"}, "3 0 1 warning", {bad}, NotConverted},
        {{"in/missing.G", "notes.txt", "c.G"}, {}, {"folder VelFiles"}, {"c.G"}, "1 0 2 warning",
         {notes, shown("in/missing.G") + ": not converted: File not found (error 53)"}, NotConverted},
        {{"notes.txt"}, {}, {}, {}, "0 0 1 warning", {notes}, NotConverted},
        // A folder without a measurement file converted nothing: the icon says so as the status line does.
        {{"in/sub/none"}, {}, {"folder VelFiles"}, {}, "0 0 0 warning", {}, NotConverted},
        {{"in"}, {}, {"folder VelFiles"}, {}, "none", {}, NotConverted, true},
        {{"in"}, Existing::Replace, existing, {"a.G", "sub/b.G", "z.G"}, "3 0 1 warning", {bad}, NotConverted},
        {{"in"}, Existing::Skip, existing, {"a.G kept", "sub/b.G", "z.G"}, "2 1 1 warning", {bad}, NotConverted},
        {{"c.G", "in/a.G"}, Existing::Skip,
         {"folder VelFiles", "Save Files To: 1 of the 2 converted files exist already in this folder. "
                             "Replace them, skip them, or cancel the whole run? Replace/Skip"},
         {"a.G kept", "c.G"}, "1 1 0 warning", {}, NotConverted},
        {{"in"}, Existing::Cancel, existing, {"a.G kept"}, "none", {}, NotConverted},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dropped.front() + (row.answer ? " with an answer" : ""));
        fs::remove_all(fs::u8path(path("VelFiles")));
        fs::create_directory(fs::u8path(path("VelFiles")));
        if (row.answer) fixtures::writeFile(path("VelFiles/a.G"), "keep");
        prompts = {};
        prompts.answer = row.answer.value_or(Existing::Cancel);
        prompts.cancelFolder = row.cancelFolder;
        dialog.script = {shown(path("VelFiles/one.G"))};  // as the system's dialog gives it
        view.log.clear();

        run.convertDropped(view, paths(row.dropped));
        EXPECT_EQ(prompts.asked, row.asked);
        EXPECT_EQ(written(), row.written);
        EXPECT_EQ(counted(), row.counted);
        if (prompts.summed) {
            std::string lines;
            for (const std::string& problem : row.problems) lines += (lines.empty() ? "" : "\n") + problem;
            EXPECT_EQ(prompts.summed->details, lines);
            EXPECT_EQ(prompts.summed->wholeList, lines);
            EXPECT_EQ(prompts.summed->copyButton, row.problems.empty() ? "" : "Copy list");
        }
        EXPECT_EQ(view.log, (std::vector<std::string>{Running, row.status}));
    }
}

// Hundreds of files not converted: the summary names the first 20 and counts the rest, and the whole
// list is there to copy. The search tells what it found before the run starts.
TEST_F(BatchRunTest, ASummaryOfManyProblemsFitsTheScreenAndKeepsTheWholeList)
{
    for (int index = 0; index < 250; ++index) fixtures::writeFile(path("bad/" + std::to_string(1000 + index) + ".G"), "short");
    run.convertDropped(view, paths({"bad"}));
    ASSERT_EQ(counted(), "0 0 250 warning");
    const auto line = [](int index) { return shown("bad/" + std::to_string(1000 + index) + ".G") + ": not converted: Input past end of file (error 62)"; };
    std::string shown, whole;
    for (int index = 0; index < 250; ++index) (index < 20 ? shown : whole) += line(index) + "\n";
    EXPECT_EQ(prompts.summed->details, shown + "and 230 more");
    EXPECT_EQ(prompts.summed->wholeList, shown + whole.substr(0, whole.size() - 1));
    EXPECT_EQ(prompts.shown.at(0), "of 0");
    EXPECT_EQ(prompts.shown.at(1), "Looking for measurement files... 0 found");
    EXPECT_NE(std::ranges::find(prompts.shown, "of 250"), prompts.shown.end());
}

// Cancel or End (the program quits) during the search or at a file: the search ends at once, the
// conversion after the file at hand, with the files converted so far in place and none half written.
// A cancelled run says "Stopping" until it has stopped and sums up; a quitting one shows nothing more.
TEST_F(BatchRunTest, CancelOrEndStopsAfterTheFileAtHand)
{
    const struct {
        std::string at;  // the progress line at which the user acts
        bool quit;       // End, rather than the progress window's Cancel
        std::vector<std::string> written;
        std::string counted;
        std::vector<std::string> status;
    } rows[] = {
        {"Looking for measurement files... 1 found", false, {}, "none", {Running, NotConverted}},
        {"Looking for measurement files... 1 found", true, {}, "none", {Running}},
        {"3 of 4 | " + shown("in/sub/b.G"), false, {"a.G", "sub/b.G"}, "2 0 1 1 warning", {Running, NotConverted}},
        {"3 of 4 | " + shown("in/sub/b.G"), true, {"a.G", "sub/b.G"}, "none", {Running}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.at + (row.quit ? ", End" : ", Cancel"));
        fs::remove_all(fs::u8path(path("VelFiles")));
        prompts = {};
        view.log.clear();
        saves = 0;
        const bool searching = row.at.starts_with("Looking");
        windowThread.quit = false;
        windowThread.holdWorker = searching;  // the walk stands still after its first file
        heldSave = searching ? 0 : 2;         // sub/b.G's save waits, after a.G's; short.G fails before its save
        windowThread.workerGate.open = false;
        prompts.atProgress = [&](const workflow::ProgressText& text) {
            if (text.count + (text.file.empty() ? "" : " | " + text.file) != row.at) return;
            EXPECT_EQ(view.log, std::vector<std::string>{Running});
            row.quit ? windowThread.endProgram() : prompts.cancel();
            windowThread.workerGate.open = true;
        };
        run.convertDropped(view, paths({"in"}));
        EXPECT_EQ(written(), row.written);  // nothing temporary either
        EXPECT_EQ(counted(), row.counted);
        EXPECT_EQ(view.log, row.status);
        if (!row.quit) { EXPECT_EQ(prompts.shown.back(), workflow::StoppingText); }
    }
}

}  // namespace
