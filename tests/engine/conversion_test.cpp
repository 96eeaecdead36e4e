// The conversion pipeline on real files: what loading refuses and why, records converted before
// among them, and what a save writes, reports and leaves.
#include "engine/conversion_pipeline.h"
#include "old_file_fixture.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace fixtures;

class ConversionPipelineTest : public ::testing::Test {
protected:
    int loadError(const std::string& name)
    {
        const std::optional<engine::Failure> failure = pipeline.load(name.empty() ? "" : dir.path(name));
        EXPECT_TRUE(!failure || failure->operation == engine::Operation::Loading);
        return failure ? failure->error.code() : 0;
    }

    TemporaryFolder dir;
    engine::ConversionPipeline pipeline{engine::systemFileSystem(), [] { return std::string(Stamp); }};
    const std::string old = patternedFile(false);
};

// Failing calls, and that every file loading opens is closed, are POSIX rows (replacement_batch_test.cpp).
TEST_F(ConversionPipelineTest, LoadingRefusesWhatIsNoOldFile)
{
    const auto converted = [this](const std::string& settings) { return expectedNewFile(old, "", "x").replace(1912, 12, settings); };
    const struct { const char* name; std::optional<std::string> content; std::string opened; int number; } rows[] = {
        // content: of f.G, unless none; number 0: loaded
        {"exactly one record", std::string(3231, '\0'), "f.G", 0}, {"the longest old file", old + std::string(32767 - 3231, 'x'), "f.G", 0},
        {"one byte short", old.substr(0, 3230), "f.G", 62},         {"empty", "", "f.G", 62},
        {"one byte too long", std::string(32768, '\0'), "f.G", 6},
        // Converted before: format 2 and line settings where old files keep port values (their other
        // forms: AuditMarks holds the engine's reading to the verifier's).
        {"converted", converted("19200,N,8,1 "), "f.G", 321}, {"converted, 115200", converted("115200,N,8,1"), "f.G", 321},
        {"no parity", converted("19200,,8,1  "), "f.G", 0},
        {"missing file", std::nullopt, "none.G", 53},          {"missing folder", std::nullopt, "none/f.G", 76},
        {"file used as folder", old, "f.G/f.G", 76},            {"a folder", std::nullopt, ".", 75},
        {"empty name", std::nullopt, "", 75},                  {"name going on past a NUL", old, "f.G\0x"s, 75},
    };
    for (const auto& row : rows) {
        fs::remove(fs::u8path(dir.path("f.G")));
        if (row.content) writeFile(dir.path("f.G"), *row.content);
        EXPECT_EQ(loadError(row.opened), row.number) << row.name;
    }
    EXPECT_FALSE(fs::exists(fs::u8path(dir.path("none.G")))) << "loading must never create a file";
}

TEST_F(ConversionPipelineTest, ASaveReportsItsFailureAndPutsThePlaceholderStampBack)
{
    writeFile(dir.path("old.G"), old);
    ASSERT_EQ(loadError("old.G"), 0);
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
    ASSERT_EQ(loadError("old.G"), 0);
    EXPECT_EQ(pipeline.save(dir.path("inhibited.G")).status, engine::ConversionResult::Inhibited);
    // Named, but neither marked nor stamped.
    const records::NewWorkingForm& kept = pipeline.converted();
    EXPECT_TRUE(kept.Info.FileInfo.FileName.view().starts_with(dir.path("inhibited.G") + ' '));
    EXPECT_EQ(kept.Info.SaveStamp.FormatMark, 1);
    EXPECT_EQ(kept.Info.SaveStamp.StampText.view(), inhibited.substr(1856, 40));
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{name, "old.G"}));
}

}  // namespace
