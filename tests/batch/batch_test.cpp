// The two walks of a tree, the converter's plan and the verifier's, and runs over sources another
// program holds and over targets that cannot be put in place, on real files through each system's own
// file calls.
#include "audit/tree_walk.h"
#include "batch/batch_conversion.h"
#include "batch/batch_session.h"
#include "batch/problem_text.h"
#include "../engine/faulty_calls.h"
#include "../engine/old_file_fixture.h"
#include "../platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using namespace fixtures;
using namespace faults;
using enum platform::Systems;
using Names = std::vector<std::string>;

class BatchTest : public OnFaultyCalls {
protected:
    // A path as the test names it: from the test's folder on, with '/' whichever separator the system shows.
    std::string shown(std::string path) const
    {
        std::ranges::replace(path, '\\', '/');
        std::string root = dir.path() + '/';
        std::ranges::replace(root, '\\', '/');
        return path.starts_with(root) ? path.substr(root.size()) : path;
    }
};

// What a folder entry is decides what each walk takes: only links lead elsewhere, and a cloud folder
// is a folder. A listing that fails midway makes its folder unreadable, named with its error, in both.
TEST_F(BatchTest, BothWalksTakeWhatAFolderHoldsAndNameAFolderTheyCannotList)
{
    for (const char* name : {"in/a.G", "in/cloud/c.G", "in/linked/l.G", "in/sub/b.G"}) writeFile(dir.path(name), "x");
    const Names all = {"a.G", "cloud/c.G", "linked/l.G", "sub/b.G"};
    const struct { const char* name; std::map<std::string, ReparseKind> marks; std::vector<Fault> faults; Names files; Names unreadable; platform::Systems on = Everywhere; } rows[] = {
        {"a tree", {}, {}, all, {}},
        {"cloud files and folders, a deduplicated folder", {{"a.G", CloudPlaceholder}, {"cloud", CloudPlaceholder}, {"sub", Deduplicated}}, {}, all, {}, WindowsOnly},
        {"a junction and a linked folder", {{"linked", Junction}, {"sub", SymbolicLink}}, {}, {"a.G", "cloud/c.G"}, {}, WindowsOnly},
        {"a share drops while a folder is listed", {}, {{List, 1, ConnectionLost}}, {"a.G", "linked/l.G", "sub/b.G"}, {"in/cloud: Device I/O error (error 57)"}},
        {"the tree's own listing fails midway", {}, {{List, 0, DeviceFailed}}, {}, {"in: Device I/O error (error 57)"}},
    };
    for (const auto& row : rows) {
        if (!platform::runsHere(row.on)) continue;
        SCOPED_TRACE(row.name);
        FaultyCalls rowCalls;  // with its row's marks alone
        FaultyCalls::FileSystem rowFiles{rowCalls};
        for (const auto& [name, kind] : row.marks) rowCalls.markEntry(name, kind);
        Names planned, plannedUnreadable, verified, verifiedUnreadable;
        rowCalls.arm(row.faults);
        const batch::PlanNotes notes{.passedOver = [](const std::string&) {}, .folderNotAsked = [](const std::string&) {},
                                     .folderUnreadable = [&](const std::string& folder, engine::FileError error) {
                                         plannedUnreadable.push_back(shown(folder) + ": " + batch::errorText(error));
                                     }, .found = {}, .stopRequested = {}};
        for (const batch::Job& job : batch::planInto(rowFiles, {dir.path("in")}, dir.path("out"), true, notes))
            planned.push_back(shown(job.target).substr(std::string("out/").size()));
        rowCalls.arm(row.faults);
        const audit::TreeFiles found = audit::measurementFiles(dir.path("in"), std::nullopt, rowFiles);
        for (const std::string& file : found.files) verified.push_back(shown(file));
        for (const auto& [folder, error] : found.unreadableFolders) verifiedUnreadable.push_back(shown(folder) + ": " + batch::errorText(error));
        EXPECT_EQ(planned, row.files);
        EXPECT_EQ(verified, row.files);
        EXPECT_EQ(plannedUnreadable, row.unreadable);
        EXPECT_EQ(verifiedUnreadable, row.unreadable);
        EXPECT_TRUE(rowCalls.allClosed());
    }
}

// Sources another program holds are tried again while the other files go on, all of them together:
// held for a moment, a file is converted; held for good, each is refused access after the grace, once.
TEST_F(BatchTest, ARunTriesHeldSourcesAgainWhileTheOthersGoOn)
{
    if (!platform::OnWindows) GTEST_SKIP() << "POSIX has no answer that says a file is held for a moment";
    const struct { const char* name; std::vector<Fault> faults; std::map<std::string, int> errors; } rows[] = {
        {"the first held for a moment", {{Open, 0, HeldByAnother}, {Open, 3, HeldByAnother}}, {{"0.G", 0}, {"1.G", 0}, {"2.G", 0}}},
        {"every source held for good", {{Open, Every, HeldByAnother}}, {{"0.G", 70}, {"1.G", 70}, {"2.G", 70}}},
    };
    struct Listener : batch::SessionListener {
        void refused(const std::string&, const std::string&) override {}
        void finished(const batch::Job& job, const batch::FileOutcome& outcome) override
        {
            errors[fs::u8path(job.source).filename().string()] = outcome.failure ? outcome.failure->error.code() : 0;
            held = held || (outcome.failure && outcome.failure->error.held);
        }
        std::map<std::string, int> errors;
        bool held = false;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<batch::Job> jobs;
        for (const char* name : {"0.G", "1.G", "2.G"}) {
            writeFile(dir.path(std::string("in/") + name), patternedFile(false));
            fs::remove(fs::u8path(dir.path(std::string("out/") + name)));
            jobs.push_back({dir.path(std::string("in/") + name), dir.path(std::string("out/") + name)});
        }
        fs::create_directories(fs::u8path(dir.path("out")));
        TestClock clock;
        engine::ConversionPipeline pipeline{files, {}, clock};
        Listener listener;
        calls.arm(row.faults);
        batch::BatchSession(std::move(jobs), listener, files).run(pipeline, false, false);
        EXPECT_EQ(listener.errors, row.errors);
        EXPECT_FALSE(listener.held) << "a failure told is no longer worth another try";
        EXPECT_GT(clock.waited(), std::chrono::milliseconds(0));
        EXPECT_LE(clock.waited(), engine::HeldFileGrace);
        for (const auto& [name, error] : row.errors) EXPECT_EQ(fs::exists(fs::u8path(dir.path("out/" + name))), error == 0) << name;
        EXPECT_TRUE(calls.allClosed());
    }
}

// A walk told to stop (the search before a drop run, cancelled) looks no further, however deep it is.
TEST_F(BatchTest, AWalkToldToStopLooksNoFurther)
{
    for (const char* name : {"in/a/a.G", "in/a/b.G", "in/a/c.G", "in/b.G"}) writeFile(dir.path(name), "x");
    std::size_t found = 0;
    const batch::PlanNotes notes{.passedOver = [](const std::string&) {}, .folderNotAsked = [](const std::string&) {},
                                 .folderUnreadable = [](const std::string&, engine::FileError) {},
                                 .found = [&](std::size_t jobs) { found = jobs; }, .stopRequested = [&] { return found >= 1; }};
    EXPECT_EQ(batch::planInto(files, {dir.path("in")}, dir.path("out"), true, notes).size(), 1u);
}

// A file that cannot be put in place failed at saving, in a run and in a single save alike: the
// front ends name the step from it ("cannot write", the saving routine's warning box).
TEST_F(BatchTest, ATargetThatCannotBePutInPlaceFailsAtSaving)
{
    const std::string old = patternedFile(false);
    for (const char* name : {"in/a.G", "in/b.G"}) writeFile(dir.path(name), old);
    fs::create_directory(fs::u8path(dir.path("out")));
    engine::ConversionPipeline pipeline(files, [] { return std::string(Stamp); });
    const engine::Failure atSaving{engine::Operation::Saving, {engine::FileErrorNumber::DeviceIoError}};
    struct Told : batch::BatchListener {
        void finished(const batch::Job& job, const batch::FileOutcome& outcome) override
        {
            const bool converted = outcome.result == batch::FileOutcome::Converted;
            lines.push_back(job.target + ": " + (converted ? "converted" : batch::problemText(job, outcome)));
            if (outcome.failure) failures.push_back(*outcome.failure);
        }
        Names lines;
        std::vector<engine::Failure> failures;
    } told;
    // The first file's commit fails as a device would (the first try: where a system has no rename
    // that keeps POSIX semantics, a second follows it).
    calls.arm({{NoReplaceRename, 0, DeviceFailed}});
    const std::vector<batch::Job> jobs = {{dir.path("in/a.G"), dir.path("out/a.G")}, {dir.path("in/b.G"), dir.path("out/b.G")}};
    const batch::RunTotals totals = batch::runBatch(pipeline, jobs, {}, told);
    EXPECT_EQ(told.lines, (Names{dir.path("out/a.G") + ": not converted: cannot write " + dir.path("out/a.G")
                                     + ": Device I/O error (error 57)",
                                 dir.path("out/b.G") + ": converted"}));
    EXPECT_EQ(told.failures, std::vector<engine::Failure>{atSaving});
    EXPECT_EQ(totals.converted + 10 * totals.failed, 11u);
    EXPECT_EQ(entries(dir.path("out")), Names{"b.G"}) << "nothing of a.G is left";

    ASSERT_EQ(pipeline.load(dir.path("in/a.G")), std::nullopt);
    calls.arm({{NoReplaceRename, 0, DeviceFailed}});
    const engine::ConversionResult single = pipeline.save(dir.path("out/a.G"));
    EXPECT_EQ(single.status, engine::ConversionResult::Failed);
    EXPECT_EQ(single.failure, atSaving);
    EXPECT_EQ(pipeline.converted().Info.SaveStamp.StampText.view().substr(0, 23), "--.--- ---- / --:--:-- ");
    EXPECT_EQ(entries(dir.path("out")), Names{"b.G"});
}

}  // namespace
