// The file layer of the running system, on real files: what a save relies on, on Linux and on Windows.
#include "engine/files/file_system.h"
#include "old_file_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace fixtures;
using engine::FileErrorNumber;
using engine::TemporaryFile;
using enum TemporaryFile::Commit;
constexpr auto Refused = TemporaryFile::Replacing::Refused, Allowed = TemporaryFile::Replacing::Allowed;

#ifdef _WIN32
constexpr bool OnWindows = true;
#else
constexpr bool OnWindows = false;
#endif

class FileSystemTest : public ::testing::Test {
protected:
    // Writes bytes beside target and commits them: the commit's answer, and its error.
    std::pair<TemporaryFile::Commit, std::optional<engine::FileError>> save(const std::string& target,
                                                                            const std::string& bytes,
                                                                            TemporaryFile::Replacing replacing)
    {
        auto file = std::get<std::unique_ptr<TemporaryFile>>(
            files.createBeside(std::get<engine::ResolvedTarget>(files.resolveTarget(target))));
        EXPECT_FALSE(file->write(bytesOf(bytes)) || file->flush());
        std::optional<engine::FileError> error;
        return {file->commit(replacing, error), error};
    }

    TemporaryFolder dir;
    engine::FileSystem& files = engine::systemFileSystem();
};

// A commit replaces only when asked; a refused one keeps what stands at the target; none leaves a
// temporary behind, nor does a dropped file; a leftover goes unless a running save holds it.
TEST_F(FileSystemTest, CommitsReplaceOnlyWhenAskedAndLeaveNoTemporary)
{
    const std::string target = dir.path("M.G");
    EXPECT_EQ(save(target, "first", Refused).first, Done);
    EXPECT_EQ(save(target, "second", Refused).first, NameTaken);
    EXPECT_EQ(readFile(target), "first");
    EXPECT_EQ(save(target, "third", Allowed).first, Done);
    EXPECT_EQ(readFile(target), "third");
    const auto resolved = std::get<engine::ResolvedTarget>(files.resolveTarget(dir.path("held.G")));
    std::get<std::unique_ptr<TemporaryFile>>(files.createBeside(resolved)).reset();
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"M.G"}) << "no temporary file is left";

    const auto held = std::get<std::unique_ptr<TemporaryFile>>(files.createBeside(resolved));
    for (const char* name : {".dead.G.part-Ab3dE9", ".kept.G.part-"}) writeFile(dir.path(name), "left");
    files.removeLeftovers(dir.path());
    EXPECT_EQ(entries(dir.path()).size(), 3u) << "the held temporary and a name no leftover has stay";
    EXPECT_FALSE(fs::exists(fs::u8path(dir.path(".dead.G.part-Ab3dE9"))));
    if (!OnWindows) return;
    // Where names are case-blind, another case names the same file and is taken as well.
    EXPECT_EQ(save(dir.path("m.G"), "fourth", Refused).first, NameTaken);
    // A file another program holds open is reported, not waited for, and stays as it was.
    std::ifstream open(fs::u8path(target));
    EXPECT_EQ(save(target, "fifth", Allowed), std::pair(Failed, std::optional(engine::FileError{FileErrorNumber::PermissionDenied})));
    EXPECT_EQ(readFile(target), "third");
}

// What a save refuses, with the error every system reports for it; reading, identity and listing
// reach past 260 characters and take any name.
TEST_F(FileSystemTest, RefusedTargetsLongPathsAndAnyName)
{
    writeFile(dir.path("sub/read-only.G"), "keep");
    fs::permissions(fs::u8path(dir.path("sub/read-only.G")), fs::perms::owner_write, fs::perm_options::remove);
    const struct { std::string target; FileErrorNumber error; bool windowsOnly; } rows[] = {
        {dir.path("sub"), FileErrorNumber::PathFileAccessError, false}, {dir.path("sub/"), FileErrorNumber::PathFileAccessError, false},
        {"", FileErrorNumber::PathFileAccessError, false},
        {dir.path("sub/read-only.G"), FileErrorNumber::PermissionDenied, true},  // root writes anything on Linux
        {dir.path("NUL.G"), FileErrorNumber::BadFileName, true},                 {dir.path("a?b.G"), FileErrorNumber::BadFileName, true},
        {dir.path("trailing.G."), FileErrorNumber::BadFileName, true},
    };
    for (const auto& row : rows) {
        if (OnWindows || !row.windowsOnly) {
            EXPECT_EQ(std::get<engine::FileError>(files.resolveTarget(row.target)).number, row.error) << row.target;
        }
    }
    fs::permissions(fs::u8path(dir.path("sub/read-only.G")), fs::perms::owner_write, fs::perm_options::add);

    std::string deep = dir.path();
    for (char level = 'a'; level < 'g'; ++level) ASSERT_FALSE(files.makeFolder(deep += "/" + std::string(60, level)));
    const std::string target = deep + "/Prüfung €.G";
    EXPECT_EQ(save(target, "long", Refused).first, Done);
    const engine::FileHead head = std::get<engine::FileHead>(files.readHead(target, 100));
    EXPECT_EQ(std::string(head.bytes.begin(), head.bytes.end()), "long");
    EXPECT_EQ(files.status(target).identity, files.status(target).identity);
    EXPECT_NE(files.status(target).identity, files.status(deep).identity);
    std::vector<std::string> names;
    ASSERT_FALSE(files.listFolder(deep, [&](const engine::FolderEntry& entry) { names.push_back(entry.name); }));
    EXPECT_EQ(names, std::vector<std::string>{"Prüfung €.G"});
    EXPECT_EQ(std::get<engine::FileError>(files.readHead(deep + "/none.G", 100)).number, FileErrorNumber::FileNotFound);
    EXPECT_EQ(std::get<engine::FileError>(files.readHead(deep + "/none/x.G", 100)).number, FileErrorNumber::PathNotFound);
    // Removed deepest first in the long form: the standard library of some systems loses its way here.
    for (fs::path at = fs::u8path(target); at != fs::u8path(dir.path()); at = at.parent_path())
        fs::remove(OnWindows ? fs::path(L"\\\\?\\" + fs::path(at).make_preferred().wstring()) : at);
}

// A list is read whole however long it is, and a folder is no list. Two paths name one file where the
// system compares their names as one: on Windows blind to case as NTFS is, letter by letter (ß is
// not SS); "." and ".." nowhere.
TEST_F(FileSystemTest, ReadsFilesWholeAndComparesNamesAsTheSystemDoes)
{
    const std::string list = std::string(200000, 'x') + "end";
    writeFile(dir.path("list"), list);
    EXPECT_EQ(std::get<std::string>(files.readWhole(dir.path("list"))), list);
    EXPECT_EQ(std::get<engine::FileError>(files.readWhole(dir.path())).number, FileErrorNumber::PathFileAccessError);
    EXPECT_EQ(std::get<engine::FileError>(files.readWhole(dir.path("none"))).number, FileErrorNumber::FileNotFound);
    const struct { std::string one, other; bool sameOnWindows, sameOnLinux; } rows[] = {
        {"A.G", "a.G", true, false}, {"Prüfung/Ä.G", "PRÜFUNG/ä.G", true, false}, {"Ω日本.G", "ω日本.G", true, false},
        {"ß.G", "SS.G", false, false}, {"x/./y/../a.G", "x/a.G", true, true}, {"a.G", "b.G", false, false},
    };
    const auto key = [&](const std::string& name) { return files.nameKey(files.absolutePath(dir.path(name))); };
    for (const auto& row : rows)
        EXPECT_EQ(key(row.one) == key(row.other), OnWindows ? row.sameOnWindows : row.sameOnLinux) << row.one << " and " << row.other;
}

}  // namespace
