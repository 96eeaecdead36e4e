// Replacing files through the batch on real files, on each system through its own file calls: each
// step failing in turn, many files at once, targets held by another program, leftovers of killed runs.
#include "../platform/platform.h"
#include "replacement_batch_fixture.h"

#include <functional>

namespace {

using namespace faults;
using enum platform::Systems;
using std::chrono::milliseconds;

TEST_F(ReplacementBatchTest, EachFailingStepLeavesTheTargetWhole)
{
    // overTargetOnly: the failing call is made only when a target exists; replaced: the target holds
    // the new content, but its name may not have reached the disk.
    struct Row { std::string name; std::vector<Fault> faults; int number; platform::Systems on = Everywhere; bool overTargetOnly = false, replaced = false; };
    const std::vector<Row> rows = {
        {"read-only medium", {{Create, 0, ReadOnlyMedium}}, 70}, {"temporary name taken once", {{Create, 0, NameExists}}, 0},
        {"too many open files", {{Create, 0, TooManyOpen}}, 67},  {"name too long", {{Create, 0, NameTooLong}}, 52},
        {"write takes nothing", {{Write, 0, Nothing}}, 61},        {"quota full while writing", {{Write, 2, QuotaFull}}, 61},
        {"flush fails on the device", {{Flush, 0, DeviceFailed}}, 57},
        {"short write, then disk full", {{Write, 2, Short}, {Write, 3, DiskFull}}, 61},
        {"rename refused for good", {{NoReplaceRename, Every, Denied}}, 70},
        {"name cannot be flushed", {{NameFlush, Every, DeviceFailed}}, 57, Everywhere, false, true},
        {"folder not searchable", {{Status, 0, Denied}}, 70, LinuxOnly}, {"target made read-only", {{MayWrite, 0, Denied}}, 70, LinuxOnly, true},
        {"no locks on this file system", {{Lock, 0, NotSupported}}, 0, LinuxOnly}, {"taken for a leftover", {{Lock, 0, WouldBlock}}, 0, LinuxOnly},
        {"write interrupted", {{Write, 1, Interrupted}}, 0, LinuxOnly}, {"replacing rename refused", {{Rename, 0, Denied}}, 70, LinuxOnly, true},
        {"target turned into a folder", {{NoReplaceRename, 0, IsFolder}}, 75, LinuxOnly},
        {"folder flush not supported", {{NameFlush, 0, Invalid}}, 0, LinuxOnly},
        // Another program holds the target (or the new file) for a moment, or for good.
        {"held at the commit for a moment", {{NoReplaceRename, 0, HeldByAnother}, {NoReplaceRename, 1, Denied}}, 0, WindowsOnly},
        {"held for a moment, replacing", {{Rename, 0, HeldByAnother}, {Rename, 1, HeldByAnother}}, 0, WindowsOnly, true},
        {"held for good, replacing", {{Rename, Every, HeldByAnother}}, 70, WindowsOnly, true},
    };
    // Each fault with and without a target from before: a longer one, so that a left tail would show.
    for (const bool targetExists : {false, true})
        for (const Row& row : rows) {
            if (!platform::runsHere(row.on) || (row.overTargetOnly && !targetExists)) continue;
            SCOPED_TRACE(row.name + (targetExists ? " (over a target)" : ""));
            fs::remove(fs::u8path(path("new.G")));
            if (targetExists) {
                writeFile(path("new.G"), std::string(5000, 'T'));
                fs::permissions(fs::u8path(path("new.G")), fs::perms::others_write, fs::perm_options::remove);
            }
            clock.reset();
            EXPECT_EQ(saveAndCheck(path("new.G"), row.faults, row.replaced), row.number);
            // A held target (on Windows, refused access too) is waited for the grace at most; anything else not at all.
            const bool held = std::ranges::any_of(row.faults, [](const Fault& f) { return f.answer == HeldByAnother || f.answer == Denied; });
            EXPECT_LE(clock.waited(), held ? engine::HeldFileGrace : milliseconds(0));
        }
}

// Files flushed together: a file system flush never stands in for a file's own flush, a fault costs
// the file it hits, running out of descriptors puts the waiting files in place first, and targets
// another program holds are waited for together.
TEST_F(ReplacementBatchTest, ABatchLosesOnlyTheFilesThatFailed)
{
    const struct { const char* name; std::vector<Fault> faults; std::array<int, 3> numbers; platform::Systems on = Everywhere; } rows[] = {
        {"the second file's own flush fails", {{Flush, 1, DeviceFailed}}, {0, 57, 0}},
        {"disk full while writing the second", {{Write, WriteSteps, DiskFull}}, {0, 61, 0}},
        {"the third cannot be renamed", {{Rename, 2, DeviceFailed}}, {0, 0, 57}},
        {"the names cannot be flushed", {{NameFlush, Every, DeviceFailed}}, {57, 57, 57}},
        {"out of descriptors at the second", {{Create, 1, TooManyOpen}}, {0, 0, 0}},
        {"file system flush fails, then the second file's own", {{DeviceFlush, 0, DeviceFailed}, {Flush, 1, DeviceFailed}}, {0, 57, 0}, LinuxOnly},
        {"the second target held for a moment", {{Rename, 1, HeldByAnother}, {Rename, 3, HeldByAnother}}, {0, 0, 0}, WindowsOnly},
        {"every target held for good", {{Rename, Every, HeldByAnother}}, {70, 70, 70}, WindowsOnly},
    };
    const auto target = [this](std::size_t i) { return path("batch" + std::to_string(i) + ".G"); };
    const auto content = [](std::size_t i) { return std::string(3243, char('a' + i)); };
    for (const auto& row : rows) {
        if (!platform::runsHere(row.on)) continue;
        SCOPED_TRACE(row.name);
        calls.arm(row.faults);
        clock.reset();
        const auto batch = batchWith({.capacity = 3, .flushThreads = flushThreads});
        std::array<int, 3> numbers{};
        std::vector<int*> committed;  // where the commit's results go, in the order the files were added
        for (std::size_t i = 0; i < 3; ++i) {
            writeFile(target(i), "old content");
            if (const auto error = batch->add(target(i), bytesOf(content(i)))) numbers[i] = error->code();
            else committed.push_back(&numbers[i]);
        }
        const auto results = batch->commit();
        ASSERT_EQ(results.size(), committed.size());
        for (std::size_t k = 0; k < results.size(); ++k) *committed[k] = results[k].error ? results[k].error->code() : 0;
        // Flushed at once, a failing flush may hit any file: the one it hits has its old content.
        EXPECT_TRUE(std::ranges::is_permutation(numbers, row.numbers));
        // Names that cannot be flushed leave their files in place, though not as promised.
        const bool replacedAnyway = row.faults.front().call == NameFlush;
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(readFile(target(i)), numbers[i] == 0 || replacedAnyway ? content(i) : "old content") << i;
        EXPECT_TRUE(calls.allClosed());
        EXPECT_EQ(entries(dir.path()), (Names{"batch0.G", "batch1.G", "batch2.G"}));
        // Held files are waited for together: the grace once, not once for each.
        EXPECT_LE(clock.waited(), engine::HeldFileGrace);
    }
}

// A file that appears at the target after the check stays, however the file system lets a rename
// refuse; a file the batch put in place itself, here by another name (through a linked folder, or in
// another case where names are blind to it), is not replaced even on request.
TEST_F(ReplacementBatchTest, TheCommitItselfRefusesToReplace)
{
    using Kind = engine::ReplacementBatch::Outcome::Kind;
    using enum Kind;
    // As the commit begins, the target is free, a file appears there, or the batch put one there by another name.
    enum Before { Free, Appears, Placed, PlacedEarlier };
    const std::vector<Fault> noFlag = {{NoReplaceRename, Every, Invalid}},
                             asOnFat = {{NoReplaceRename, Every, Invalid}, {Link, Every, NotPermitted}};
    const struct { const char* name; std::vector<Fault> faults; Before before; bool replace; Kind kind; platform::Systems on = Everywhere; } rows[] = {
        {"a file appears", {}, Appears, false, TargetExists}, {"a file appears, replacing asked", {}, Appears, true, Saved},
        {"appears, no rename flag", noFlag, Appears, false, TargetExists}, {"free, no rename flag", noFlag, Free, false, Saved},
        {"appears, as on FAT", asOnFat, Appears, false, TargetExists, LinuxOnly}, {"free, as on FAT", asOnFat, Free, false, Saved, LinuxOnly},
        {"its own", {}, PlacedEarlier, false, TargetPlacedBefore}, {"its own, forced", {}, PlacedEarlier, true, TargetPlacedBefore},
        {"its own of the same commit, forced", {}, Placed, true, TargetPlacedBefore},
    };
    const std::string earlier(3243, 'E');
    std::string otherName = "NEW.G";
    if (!platform::OnWindows) {
        fs::create_directory_symlink(fs::u8path(dir.path()), fs::u8path(path("linked")));
        otherName = "linked/new.G";
    }
    for (const auto& row : rows) {
        if (!platform::runsHere(row.on)) continue;
        SCOPED_TRACE(row.name);
        fs::remove(fs::u8path(path("new.G")));
        calls.arm(row.faults);
        calls.beforePlacing = [&] { if (row.before == Appears) writeFile(path("new.G"), "theirs"); };
        const auto batch = batchWith({.capacity = 2, .flushThreads = flushThreads, .replaceExisting = row.replace});
        if (row.before >= Placed) { ASSERT_FALSE(batch->add(path(otherName), bytesOf(earlier))); }
        if (row.before == PlacedEarlier) batch->commit();
        ASSERT_FALSE(batch->add(path("new.G"), bytesOf(NewContent)));
        EXPECT_EQ(batch->commit().back().kind, row.kind);
        EXPECT_EQ(readFile(path("new.G")), row.kind == Saved ? NewContent : row.before == Appears ? "theirs" : earlier);
        EXPECT_TRUE(noTemporaryLeft());
        EXPECT_TRUE(calls.allClosed());
    }
}

// A full batch puts its files in place by itself, and knows every one, by identity and by its bytes,
// however many came after it.
TEST_F(ReplacementBatchTest, ABatchKnowsEveryFileItPutInPlace)
{
    const auto batch = batchWith({.capacity = 550, .flushThreads = flushThreads});
    for (int i = 0; i < 1100; ++i) EXPECT_FALSE(batch->add(path(std::to_string(i)), bytesOf(std::to_string(i))));
    EXPECT_TRUE(fs::exists(fs::u8path(path("0")))) << "a full batch puts its files in place by itself";
    batch->commit();
    writeFile(path("a copy of 7"), "7");  // told by its bytes alone, as where each name has an inode of its own
    for (const char* name : {"0", "7", "1099", "a copy of 7"}) EXPECT_TRUE(batch->placedBefore(path(name))) << name;
}

// The temporaries a killed run left are removed by the next save into their folder; one that a live
// save holds, and any other name, stay.
TEST_F(ReplacementBatchTest, LeftoversOfAKilledRunAreRemovedButLiveOnesStay)
{
    for (const char* name : {".a.G.part-AbCd12", ".b.G.part-abc", "c.G.part-abcdef", ".d.G.tmp-abcdef"}) writeFile(path(name), "partial");
    const auto live = files.createBeside(std::get<engine::ResolvedTarget>(files.resolveTarget(path("live.G"))));
    const auto batch = batchWith({});
    EXPECT_FALSE(batch->add(path("new.G"), bytesOf(NewContent)));
    EXPECT_FALSE(batch->commit().front().error);
    Names left = entries(dir.path());
    EXPECT_EQ(std::erase_if(left, [](const std::string& name) { return name.starts_with(".live.G.part-"); }), 1u);
    EXPECT_EQ(left, (Names{".b.G.part-abc", ".d.G.tmp-abcdef", "c.G.part-abcdef", "new.G"}));
}

// Folders a tree needs are made, and their names reach the disk before a file in them counts as saved.
TEST_F(ReplacementBatchTest, MadeFoldersAreFlushedAndACheckMakesNothing)
{
    for (const bool checkOnly : {true, false}) {
        const auto batch = batchWith({.makeFolders = true, .checkOnly = checkOnly});
        // The flush that puts the made folder's name on the disk (POSIX), or the new file's (Windows).
        calls.arm({{NameFlush, platform::OnWindows ? 0 : 1, DeviceFailed}});
        EXPECT_FALSE(batch->add(path("a/b/new.G"), bytesOf(NewContent)));
        const auto result = batch->commit().front().error;
        EXPECT_EQ(result ? result->code() : 0, checkOnly ? 0 : 57);
        EXPECT_EQ(fs::exists(fs::u8path(path("a/b/new.G"))), !checkOnly);
    }
    // What a real save refuses, a check refuses too.
    const auto check = batchWith({.makeFolders = true, .checkOnly = true});
    writeFile(path("file"), "");
    EXPECT_EQ(check->add(path("file/x/new.G"), bytesOf(NewContent))->code(), 76);
}

}  // namespace
