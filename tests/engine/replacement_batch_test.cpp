// Replacing files through the batch on real files: each step failing in turn, many files at once,
// links and permissions, leftovers of killed runs, and loading through failing calls. POSIX alone:
// the faults come in through the POSIX file calls.
#include "engine/conversion_pipeline.h"
#include "engine/replacement_batch.h"
#include "engine/files/posix_file_system.h"
#include "faulty_calls.h"
#include "old_file_fixture.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace {

using F = FaultyCalls;
using namespace fixtures;
using Names = std::vector<std::string>;

const std::string NewContent(3243, 'N');

class ReplacementBatchTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return dir.path(name); }
    // The one place a test makes a batch, over the calls it arms.
    auto batchWith(engine::ReplacementBatch::Options options) { return std::make_unique<engine::ReplacementBatch>(files, options); }

    // The error number of one save to target (0: saved), after checking what a save promises whatever
    // the outcome: the target new or as it was, a link still a link, every file closed, no temporary left.
    int saveAndCheck(const std::string& target, const std::vector<F::Fault>& faults, bool replacedAnyway = false)
    {
        const fs::path at = fs::u8path(target), folder = at.parent_path();
        std::error_code ignored;  // a link to itself, say, has no status
        Names expected = entries(pathText(folder));
        const bool link = fs::is_symlink(at, ignored), existed = fs::exists(at, ignored);
        const std::string before = readFile(target);
        const mode_t permissionsBefore = mode(target);
        calls.arm(faults);
        const auto batch = batchWith({.flushThreads = flushThreads});
        std::optional<engine::FileError> error = batch->add(target, bytesOf(NewContent));
        if (!error) error = batch->commit().front().error;
        EXPECT_EQ(readFile(target), !error || replacedAnyway ? NewContent : before);
        // A replaced file keeps its permissions, a new one gets what the umask (027 here) leaves of 0666.
        if (!error && !link) { EXPECT_EQ(mode(target), existed ? permissionsBefore : 0640u); }
        // The file written is the one a link names, which may stand in another folder.
        const fs::path written = fs::canonical(at, ignored);
        if ((!error || replacedAnyway) && written.parent_path() == fs::canonical(folder, ignored)
            && std::ranges::find(expected, pathText(written.filename())) == expected.end())
            expected.push_back(pathText(written.filename()));
        std::ranges::sort(expected);
        EXPECT_EQ(entries(pathText(folder)), expected) << "no temporary file is left behind";
        EXPECT_EQ(fs::is_symlink(at, ignored), link);
        EXPECT_TRUE(calls.allClosed()) << "every file opened is closed";
        return error ? error->code() : 0;
    }

    static mode_t mode(const std::string& path) { struct stat status {}; return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0; }

    TemporaryFolder dir;
    FaultyCalls calls;
    engine::PosixFileSystem files{calls};
    const unsigned flushThreads = engine::ReplacementBatch::forManyFiles(files).flushThreads;  // as a run has them
    const mode_t umask = ::umask(027);
    ~ReplacementBatchTest() override { ::umask(umask); }
};

TEST_F(ReplacementBatchTest, EachFailingStepLeavesTheTargetWhole)
{
    // overTargetOnly: the failing call is made only when a target exists; replaced: the target holds
    // the new content, but its name may not have reached the disk.
    struct Row { std::string name; std::vector<F::Fault> faults; int number; bool overTargetOnly = false, replaced = false; };
    std::vector<Row> rows = {
        {"folder not searchable", {{F::Lstat, 0, EACCES}}, 70}, {"target made read-only", {{F::Access, 0, EACCES}}, 70, true},
        {"read-only file system", {{F::Create, 0, EROFS}}, 70}, {"temporary name taken once", {{F::Create, 0, EEXIST}}, 0},
        {"too many open files", {{F::Create, 0, EMFILE}}, 67},  {"name too long", {{F::Create, 0, ENAMETOOLONG}}, 52},
        {"no locks on this file system", {{F::Flock, 0, EOPNOTSUPP}}, 0}, {"taken for a leftover", {{F::Flock, 0, EWOULDBLOCK}}, 0},
        {"write takes nothing", {{F::Write, 0, F::Nothing}}, 61}, {"write interrupted", {{F::Write, 1, EINTR}}, 0},
        {"quota full while writing", {{F::Write, 2, EDQUOT}}, 61}, {"flush fails on the device", {{F::Fsync, 0, EIO}}, 57},
        {"short write, then disk full", {{F::Write, 2, F::Short}, {F::Write, 3, ENOSPC}}, 61},
        {"replacing rename refused", {{F::Rename, 0, EACCES}}, 70, true}, {"rename refused", {{F::NoReplaceRename, 0, EACCES}}, 70},
        {"target turned into a folder", {{F::NoReplaceRename, 0, EISDIR}}, 75},
        {"folder cannot be flushed", {{F::FolderFsync, 0, EIO}}, 57, false, true},
        {"folder flush not supported", {{F::FolderFsync, 0, EINVAL}}, 0},
    };
    // Each fault with and without a target from before: a longer one, so that a left tail would show.
    for (const bool targetExists : {false, true})
        for (const Row& row : rows) {
            if (row.overTargetOnly && !targetExists) continue;
            SCOPED_TRACE(row.name + (targetExists ? " (over a target)" : ""));
            ::unlink(path("new.G").c_str());
            if (targetExists) writeFile(path("new.G"), std::string(5000, 'T')), ::chmod(path("new.G").c_str(), 0604);
            EXPECT_EQ(saveAndCheck(path("new.G"), row.faults, row.replaced), row.number);
        }
}

// Files flushed together: a file system flush never stands in for a file's own flush, a fault costs
// the file it hits, and running out of descriptors puts the waiting files in place first.
TEST_F(ReplacementBatchTest, ABatchLosesOnlyTheFilesThatFailed)
{
    const struct { const char* name; std::vector<F::Fault> faults; std::array<int, 3> numbers; } rows[] = {
        {"file system flush fails, then the second file's own", {{F::Syncfs, 0, EIO}, {F::Fsync, 1, EIO}}, {0, 57, 0}},
        {"the second file's own flush fails after the file system's", {{F::Fsync, 1, EIO}}, {0, 57, 0}},
        {"disk full while writing the second", {{F::Write, F::WriteSteps, ENOSPC}}, {0, 61, 0}},
        {"the third cannot be renamed", {{F::Rename, 2, EACCES}}, {0, 0, 70}},
        {"the folder cannot be flushed", {{F::FolderFsync, 0, EIO}}, {57, 57, 57}},
        {"out of descriptors at the second", {{F::Create, 1, EMFILE}}, {0, 0, 0}},
    };
    const auto target = [this](std::size_t i) { return path("batch" + std::to_string(i) + ".G"); };
    const auto content = [](std::size_t i) { return std::string(3243, char('a' + i)); };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        calls.arm(row.faults);
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
        // A folder that cannot be flushed leaves its files in place, though not as promised.
        const bool replacedAnyway = !row.faults.empty() && row.faults.front().call == F::FolderFsync;
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(readFile(target(i)), numbers[i] == 0 || replacedAnyway ? content(i) : "old content") << i;
        EXPECT_TRUE(calls.allClosed());
        EXPECT_EQ(entries(dir.path()), (Names{"batch0.G", "batch1.G", "batch2.G"}));
    }
}

// A file that appears at the target after the check stays, however the file system lets a rename
// refuse; a file the batch put in place itself, here by another name, is not replaced even on request.
TEST_F(ReplacementBatchTest, TheCommitItselfRefusesToReplace)
{
    using Kind = engine::ReplacementBatch::Outcome::Kind;
    using enum Kind;
    // As the commit begins, the target is free, a file appears there, or the batch put one there by another name.
    enum Before { Free, Appears, Placed, PlacedEarlier };
    const std::vector<F::Fault> noFlag = {{F::NoReplaceRename, F::Every, EINVAL}},
                                asOnFat = {{F::NoReplaceRename, F::Every, EINVAL}, {F::Link, F::Every, EPERM}};
    const struct { const char* name; std::vector<F::Fault> faults; Before before; bool replace; Kind kind; } rows[] = {
        {"a file appears", {}, Appears, false, TargetExists}, {"a file appears, replacing asked", {}, Appears, true, Saved},
        {"appears, no rename flag", noFlag, Appears, false, TargetExists}, {"free, no rename flag", noFlag, Free, false, Saved},
        {"appears, as on FAT", asOnFat, Appears, false, TargetExists}, {"free, as on FAT", asOnFat, Free, false, Saved},
        {"its own", {}, PlacedEarlier, false, TargetPlacedBefore}, {"its own, forced", {}, PlacedEarlier, true, TargetPlacedBefore},
        {"its own of the same commit, forced", {}, Placed, true, TargetPlacedBefore},
    };
    const std::string earlier(3243, 'E');
    ASSERT_EQ(::symlink(dir.path().c_str(), path("linked").c_str()), 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ::unlink(path("new.G").c_str());
        calls.arm(row.faults);
        calls.beforePlacing = [&] { if (row.before == Appears) writeFile(path("new.G"), "theirs"); };
        const auto batch = batchWith({.capacity = 2, .flushThreads = flushThreads, .replaceExisting = row.replace});
        if (row.before >= Placed) { ASSERT_FALSE(batch->add(path("linked/new.G"), bytesOf(earlier))); }
        if (row.before == PlacedEarlier) batch->commit();
        ASSERT_FALSE(batch->add(path("new.G"), bytesOf(NewContent)));
        EXPECT_EQ(batch->commit().back().kind, row.kind);
        EXPECT_EQ(readFile(path("new.G")), row.kind == Saved ? NewContent : row.before == Appears ? "theirs" : earlier);
        EXPECT_EQ(entries(dir.path()), (Names{"linked", "new.G"})) << "no temporary file is left behind";
        EXPECT_TRUE(calls.allClosed());
    }
}

// Every file put in place is known, by identity and by its bytes, however many came after it.
TEST_F(ReplacementBatchTest, ABatchKnowsEveryFileItPutInPlace)
{
    const auto batch = batchWith({.capacity = 550, .flushThreads = flushThreads});
    for (int i = 0; i < 1100; ++i) EXPECT_FALSE(batch->add(path(std::to_string(i)), bytesOf(std::to_string(i))));
    batch->commit();
    writeFile(path("a copy of 7"), "7");  // told by its bytes alone, as where each name has an inode of its own
    for (const char* name : {"0", "7", "1099", "a copy of 7"}) EXPECT_TRUE(batch->placedBefore(path(name))) << name;
}

TEST_F(ReplacementBatchTest, TargetsThatAreNoPlainFile)
{
    std::string leftOut;
    const auto link = [this](const std::string& to, const std::string& at) { return ::symlink(to.c_str(), path(at).c_str()) == 0 ? at : ""; };
    // Someone else's link in a shared sticky folder (as in /tmp) must not redirect a save onto their choice.
    const auto plantedLink = [this]() -> std::string {
        const std::string shared = path("shared"), at = shared + "/new.G";
        writeFile(path("victim.G"), "theirs");
        const bool planted = ::mkdir(shared.c_str(), 0777) == 0 && ::chmod(shared.c_str(), 01777) == 0
                             && ::symlink(path("victim.G").c_str(), at.c_str()) == 0
                             && ::lchown(at.c_str(), 65534, 65534) == 0;  // nobody's
        return planted ? "shared/new.G" : "";
    };
    const struct { const char* name; std::function<std::string()> target; int number; } rows[] = {
        // target: "" where this user may not make it (it needs root); number 0: saved
        {"a folder", [&] { return ::mkdir(path("folder.G").c_str(), 0777) == 0 ? "folder.G" : ""; }, 75},
        {"a name going on past a NUL", [] { return "new.G\0x"s; }, 75},
        {"a dangling link into a missing folder", [&] { return link("none/x.G", "dangling.G"); }, 76},
        {"a link to itself", [&] { return link("loop.G", "loop.G"); }, 75},
        // A link stays a link: the file it names is replaced, or written when it does not exist yet.
        {"a link to a file", [&] { writeFile(path("real.G"), "short"); return link(path("real.G"), "link.G"); }, 0},
        {"a relative link", [&] { writeFile(path("sub/r.G"), "r"); return link("sub/r.G", "rel.G"); }, 0},
        {"a dangling link into an existing folder", [&] { return link(path("made.G"), "pointing.G"); }, 0},
        {"a link of another user in a shared folder", plantedLink, 70},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string target = row.target();
        if (target.empty()) leftOut += leftOut.empty() ? row.name : ", "s + row.name;
        else EXPECT_EQ(saveAndCheck(path(target), {}), row.number);
    }
    EXPECT_EQ(readFile(path("victim.G")), "theirs");
    if (!leftOut.empty()) GTEST_SKIP() << "needs root: " << leftOut;
}

// The temporaries a killed run left are removed by the next save into their folder; one that a live
// save holds, and any other name, stay.
TEST_F(ReplacementBatchTest, LeftoversOfAKilledRunAreRemovedButLiveOnesStay)
{
    for (const char* name : {".a.G.part-AbCd12", ".held.G.part-XyZ123", ".b.G.part-abc", "c.G.part-abcdef", ".d.G.tmp-abcdef"})
        writeFile(path(name), "partial");
    const int held = ::open(path(".held.G.part-XyZ123").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    const auto batch = batchWith({});
    EXPECT_FALSE(batch->add(path("new.G"), bytesOf(NewContent)));
    EXPECT_FALSE(batch->commit().front().error);
    EXPECT_EQ(entries(dir.path()), (Names{".b.G.part-abc", ".d.G.tmp-abcdef", ".held.G.part-XyZ123", "c.G.part-abcdef", "new.G"}));
    ::close(held);
}

// Folders a tree needs are made, and their names reach the disk before a file in them counts as saved.
TEST_F(ReplacementBatchTest, MadeFoldersAreFlushedAndACheckMakesNothing)
{
    for (const bool checkOnly : {true, false}) {
        const auto batch = batchWith({.makeFolders = true, .checkOnly = checkOnly});
        calls.arm({{F::FolderFsync, 1, EIO}});  // the flush of the folder that receives the made one
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

// Loading through calls that fail as a device would: each failure told by its number, and every file
// opened closed however the load ends, a refused file's as a loaded one's.
TEST_F(ReplacementBatchTest, LoadingThroughFailingCallsClosesEveryFile)
{
    engine::ConversionPipeline pipeline{files};
    const std::string old = patternedFile(false);
    const struct { const char* name; std::string content; std::vector<F::Fault> faults; int number; } rows[] = {
        {"loaded", old, {}, 0}, {"too long", std::string(32768, '\0'), {}, 6}, {"status unreadable", old, {{F::Fstat, 0, EIO}}, 57},
        {"device fails while reading", old, {{F::Read, 0, EIO}}, 57}, {"read interrupted", old, {{F::Read, 0, EINTR}}, 0},
        {"file shrinks while read", old, {{F::Read, 0, F::Nothing}}, 62}};
    for (const auto& row : rows) {
        writeFile(path("f.G"), row.content);
        calls.arm(row.faults);
        const std::optional<engine::Failure> failure = pipeline.load(path("f.G"));
        EXPECT_EQ(failure ? failure->error.code() : 0, row.number) << row.name;
        EXPECT_TRUE(calls.allClosed()) << row.name << ": every file opened is closed";
    }
    EXPECT_TRUE(pipeline.load(dir.path()) && calls.allClosed()) << "a folder";
}

}  // namespace
