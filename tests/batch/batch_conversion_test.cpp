// A run over many files with the system's files, where putting one target in place fails: what the
// run tells of each file, and what it leaves.
#include "../engine/failing_commits.h"
#include "../engine/old_file_fixture.h"
#include "batch/batch_conversion.h"
#include "batch/problem_text.h"

#include <gtest/gtest.h>

namespace {

using namespace fixtures;

struct Told : batch::BatchListener {
    void finished(const batch::Job& job, const batch::FileOutcome& outcome) override
    {
        lines.push_back(job.target + ": " + (outcome.result == batch::FileOutcome::Converted ? "converted" : batch::problemText(job, outcome)));
        if (outcome.failure) failures.push_back(*outcome.failure);
    }
    std::vector<std::string> lines;
    std::vector<engine::Failure> failures;
};

// A file that cannot be put in place failed at saving, in a run and in a single save alike: the
// front ends name the step from it ("cannot write", the saving routine's warning box).
TEST(BatchConversion, ATargetThatCannotBePutInPlaceFailsAtSaving)
{
    TemporaryFolder dir;
    const std::string old = patternedFile(false);
    for (const char* name : {"in/a.G", "in/b.G"}) writeFile(dir.path(name), old);
    fs::create_directory(fs::u8path(dir.path("out")));
    FailingCommits files;
    files.failAt(dir.path("out/b.G"));
    engine::ConversionPipeline pipeline(files, [] { return std::string(Stamp); });
    const engine::Failure atSaving{engine::Operation::Saving, {engine::FileErrorNumber::DeviceIoError}};

    Told told;
    const std::vector<batch::Job> jobs = {{dir.path("in/a.G"), dir.path("out/a.G")}, {dir.path("in/b.G"), dir.path("out/b.G")}};
    const batch::RunTotals totals = batch::runBatch(pipeline, jobs, {}, told);
    EXPECT_EQ(told.lines, (std::vector<std::string>{dir.path("out/a.G") + ": converted",
                                                    dir.path("out/b.G") + ": not converted: cannot write " + dir.path("out/b.G")
                                                        + ": Device I/O error (error 57)"}));
    EXPECT_EQ(told.failures, std::vector<engine::Failure>{atSaving});
    EXPECT_EQ(totals.converted + 10 * totals.failed, 11u);
    EXPECT_EQ(entries(dir.path("out")), std::vector<std::string>{"a.G"}) << "nothing of b.G is left";

    ASSERT_EQ(pipeline.load(dir.path("in/b.G")), std::nullopt);
    const engine::ConversionResult single = pipeline.save(dir.path("out/b.G"));
    EXPECT_EQ(single.status, engine::ConversionResult::Failed);
    EXPECT_EQ(single.failure, atSaving);
    EXPECT_EQ(pipeline.converted().Info.SaveStamp.StampText.view().substr(0, 23), "--.--- ---- / --:--:-- ");
    EXPECT_EQ(entries(dir.path("out")), std::vector<std::string>{"a.G"});
}

}  // namespace
