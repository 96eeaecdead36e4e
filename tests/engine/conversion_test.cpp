// The conversion pipeline on real files, through the running system's own file calls: what loading
// refuses and why, records converted before among them, and what a save writes, reports and leaves.
#include "engine/conversion_pipeline.h"
#include "../platform/platform.h"
#include "faulty_calls.h"
#include "old_file_fixture.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace fixtures;
using namespace faults;
using enum platform::Systems;

class ConversionPipelineTest : public OnFaultyCalls {
protected:
    TestClock clock;
    engine::ConversionPipeline pipeline{files, [] { return std::string(Stamp); }, clock};
    const std::string old = patternedFile(false);
};

// Each refusal told by its number, as a failure of loading, and every file opened closed however the
// load ends, a refused file's as a loaded one's. A source another program holds is waited for the grace
// at most; a cloud file that cannot be fetched is a failure of its own.
TEST_F(ConversionPipelineTest, LoadingRefusesWhatIsNoOldFileAndClosesEveryFile)
{
    const auto converted = [this](const std::string& settings) { return expectedNewFile(old, "", "x").replace(1912, 12, settings); };
    // content: of f.G, unless none; number 0: loaded
    const struct { const char* name; std::optional<std::string> content; std::string opened; std::vector<Fault> faults; int number;
                   platform::Systems on = Everywhere; } rows[] = {
        {"exactly one record", std::string(3231, '\0'), "f.G", {}, 0},
        {"the longest old file", old + std::string(32767 - 3231, 'x'), "f.G", {}, 0},
        {"one byte short", old.substr(0, 3230), "f.G", {}, 62},        {"empty", "", "f.G", {}, 62},
        {"one byte too long", std::string(32768, '\0'), "f.G", {}, 6},
        // Converted before: format 2 and line settings where old files keep port values (their other
        // forms: AuditMarks holds the engine's reading to the verifier's).
        {"converted", converted("19200,N,8,1 "), "f.G", {}, 321}, {"converted, 115200", converted("115200,N,8,1"), "f.G", {}, 321},
        {"no parity", converted("19200,,8,1  "), "f.G", {}, 0},
        {"missing file", std::nullopt, "none.G", {}, 53},        {"missing folder", std::nullopt, "none/f.G", {}, 76},
        {"file used as folder", old, "f.G/f.G", {}, 76},          {"a folder", std::nullopt, ".", {}, 75},
        {"empty name", std::nullopt, "", {}, 75},                {"name going on past a NUL", old, "f.G\0x"s, {}, 75},
        {"status unreadable", old, "f.G", {{Fstat, 0, DeviceFailed}}, 57},
        {"device fails while reading", old, "f.G", {{Read, 0, DeviceFailed}}, 57},
        {"file shrinks while read", old, "f.G", {{Read, 0, Nothing}}, 62},
        {"read interrupted", old, "f.G", {{Read, 0, Interrupted}}, 0, LinuxOnly},
        {"held for a moment", old, "f.G", {{Open, 0, HeldByAnother}, {Open, 1, Denied}, {Open, 2, HeldByAnother}}, 0, WindowsOnly},
        {"held for good", old, "f.G", {{Open, Every, HeldByAnother}}, 70, WindowsOnly},
        {"a cloud file that cannot be fetched", old, "f.G", {{Read, 0, CloudOffline}}, 57, WindowsOnly},
    };
    for (const auto& row : rows) {
        if (!platform::runsHere(row.on)) continue;
        SCOPED_TRACE(row.name);
        fs::remove(fs::u8path(dir.path("f.G")));
        if (row.content) writeFile(dir.path("f.G"), *row.content);
        calls.arm(row.faults);
        clock.reset();
        const std::optional<engine::Failure> failure = pipeline.load(row.opened.empty() ? "" : dir.path(row.opened));
        EXPECT_EQ(failure ? failure->error.code() : 0, row.number);
        EXPECT_TRUE(!failure || failure->operation == engine::Operation::Loading);
        EXPECT_FALSE(failure && failure->error.held) << "a failure told is no longer worth another try";
        EXPECT_TRUE(calls.allClosed()) << "every file opened is closed";
        EXPECT_LE(clock.waited(), engine::HeldFileGrace);
        EXPECT_EQ(clock.waited() > std::chrono::milliseconds(0), !row.faults.empty() && row.faults[0].answer == HeldByAnother);
    }
    EXPECT_FALSE(fs::exists(fs::u8path(dir.path("none.G")))) << "loading must never create a file";
}

TEST_F(ConversionPipelineTest, ASaveReportsItsFailureAndPutsThePlaceholderStampBack)
{
    writeFile(dir.path("old.G"), old);
    ASSERT_EQ(pipeline.load(dir.path("old.G")), std::nullopt);
    // Saved without the trailing blanks; the stored name is cut after 75 characters.
    const std::string name = std::string(80, 'n') + ".G";
    ASSERT_EQ(pipeline.save(dir.path(name) + "  ").status, engine::ConversionResult::Converted);
    EXPECT_TRUE(sameNewFile(readFile(dir.path(name)), expectedNewFile(old, Stamp, dir.path(name))));

    const engine::ConversionResult failed = pipeline.save(dir.path("none/new.G"));
    EXPECT_EQ(failed.status, engine::ConversionResult::Failed);
    EXPECT_EQ(failed.failure, (engine::Failure{engine::Operation::Saving, {engine::FileErrorNumber::PathNotFound}}));
    EXPECT_EQ(pipeline.converted().Info.SaveStamp.StampText.view().substr(0, 23), "--.--- ---- / --:--:-- ");

    std::string inhibited = old;
    inhibited[1896] = 1;
    writeFile(dir.path("old.G"), inhibited);
    ASSERT_EQ(pipeline.load(dir.path("old.G")), std::nullopt);
    EXPECT_EQ(pipeline.save(dir.path("inhibited.G")).status, engine::ConversionResult::Inhibited);
    // Named, but neither marked nor stamped.
    const records::NewWorkingForm& kept = pipeline.converted();
    EXPECT_TRUE(kept.Info.FileInfo.FileName.view().starts_with(dir.path("inhibited.G") + ' '));
    EXPECT_EQ(kept.Info.SaveStamp.FormatMark, 1);
    EXPECT_EQ(kept.Info.SaveStamp.StampText.view(), inhibited.substr(1856, 40));
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{name, "old.G"}));
}

}  // namespace
