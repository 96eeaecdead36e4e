// The file layer's contract, on real files, against the running system's implementation over its own
// calls: what a save relies on, what a folder entry is, identity, the sweep of leftovers, full paths.
#include "engine/files/temporary_names.h"
#include "../platform/platform.h"
#include "faulty_calls.h"
#include "old_file_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace fixtures;
using engine::FileErrorNumber;
using engine::TemporaryFile;
using enum TemporaryFile::Commit;
using enum platform::Systems;
using platform::OnWindows;
constexpr auto Refused = TemporaryFile::Replacing::Refused, Allowed = TemporaryFile::Replacing::Allowed;

class FileSystemTest : public OnFaultyCalls {
protected:
    std::unique_ptr<TemporaryFile> temporaryFor(const std::string& target)
    {
        return std::get<std::unique_ptr<TemporaryFile>>(files.createBeside(std::get<engine::ResolvedTarget>(files.resolveTarget(target))));
    }
    // Writes bytes beside target and commits them: the commit's answer, and its error.
    std::pair<TemporaryFile::Commit, std::optional<engine::FileError>> save(const std::string& target, const std::string& bytes,
                                                                            TemporaryFile::Replacing replacing)
    {
        const auto file = temporaryFor(target);
        EXPECT_FALSE(file->write(bytesOf(bytes)) || file->flush());
        std::optional<engine::FileError> error;
        const TemporaryFile::Commit commit = file->commit(replacing, error);
        if (commit == Done) { EXPECT_FALSE(file->flushName()); }
        return {commit, error};
    }
};

// A commit replaces only when asked; a refused one keeps what stands at the target; none leaves a
// temporary behind, nor does a dropped file; the file put in place shows, however its temporary hid.
TEST_F(FileSystemTest, CommitsReplaceOnlyWhenAskedAndLeaveNoTemporary)
{
    const std::string target = dir.path("M.G");
    EXPECT_EQ(save(target, "first", Refused).first, Done);
    EXPECT_EQ(save(target, "second", Refused).first, NameTaken);
    EXPECT_EQ(readFile(target), "first");
    EXPECT_EQ(save(target, "third", Allowed).first, Done);
    EXPECT_EQ(readFile(target), "third");
    EXPECT_FALSE(FaultyCalls::hidden(target));
    temporaryFor(dir.path("dropped.G")).reset();
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"M.G"}) << "no temporary file is left";
    EXPECT_TRUE(calls.allClosed());
    if (!OnWindows) return;
    // Where names are case-blind, another case names the same file and is taken as well.
    EXPECT_EQ(save(dir.path("m.G"), "fourth", Refused).first, NameTaken);
    // A file another program holds open is refused access, and that is worth another try.
    std::ifstream open(fs::u8path(target));
    EXPECT_EQ(save(target, "fifth", Allowed), std::pair(Held, std::optional(engine::FileError{FileErrorNumber::PermissionDenied, true})));
    EXPECT_EQ(readFile(target), "third");
}

// What a save refuses, with the error every system reports for it; reading, identity and listing
// reach past 260 characters and take any name, and a temporary beside the longest name still fits.
TEST_F(FileSystemTest, RefusedTargetsLongPathsAndAnyName)
{
    writeFile(dir.path("sub/read-only.G"), "keep");
    fs::permissions(fs::u8path(dir.path("sub/read-only.G")), fs::perms::owner_write, fs::perm_options::remove);
    const struct { std::string target; FileErrorNumber error; platform::Systems on = Everywhere; } rows[] = {
        {dir.path("sub"), FileErrorNumber::PathFileAccessError}, {dir.path("sub/"), FileErrorNumber::PathFileAccessError},
        {"", FileErrorNumber::PathFileAccessError},
        {dir.path("sub/read-only.G"), FileErrorNumber::PermissionDenied, WindowsOnly},  // root writes anything on Linux
        {dir.path("NUL.G"), FileErrorNumber::BadFileName, WindowsOnly}, {dir.path("a?b.G"), FileErrorNumber::BadFileName, WindowsOnly},
        {dir.path("trailing.G."), FileErrorNumber::BadFileName, WindowsOnly},
    };
    for (const auto& row : rows)
        if (platform::runsHere(row.on)) { EXPECT_EQ(std::get<engine::FileError>(files.resolveTarget(row.target)).number, row.error) << row.target; }
    fs::permissions(fs::u8path(dir.path("sub/read-only.G")), fs::perms::owner_write, fs::perm_options::add);

    std::string deep = dir.path();
    for (char level = 'a'; level < 'g'; ++level) ASSERT_FALSE(files.makeFolder(deep += "/" + std::string(60, level)));
    const std::string target = deep + "/Prüfung €.G", longest = deep + "/" + std::string(250, 'n') + ".G";
    EXPECT_EQ(save(target, "long", Refused).first, Done);
    EXPECT_EQ(save(longest, "longest", Refused).first, Done);
    const engine::FileHead head = std::get<engine::FileHead>(files.readHead(target, 100));
    EXPECT_EQ(std::string(head.bytes.begin(), head.bytes.end()), "long");
    EXPECT_NE(files.status(target).identity, files.status(deep).identity);
    std::vector<std::string> names;
    ASSERT_FALSE(files.listFolder(deep, [&](const engine::FolderEntry& entry) { names.push_back(entry.name); }));
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Prüfung €.G", std::string(250, 'n') + ".G"}));
    EXPECT_EQ(std::get<engine::FileError>(files.readHead(deep + "/none.G", 100)).number, FileErrorNumber::FileNotFound);
    EXPECT_EQ(std::get<engine::FileError>(files.readHead(deep + "/none/x.G", 100)).number, FileErrorNumber::PathNotFound);
    // Removed deepest first in the long form: the standard library of some systems loses its way here.
    for (const std::string& file : {longest, target}) fs::remove(OnWindows ? fs::path(L"\\\\?\\" + fs::u8path(file).make_preferred().wstring()) : fs::u8path(file));
    for (fs::path at = fs::u8path(deep); at != fs::u8path(dir.path()); at = at.parent_path())
        fs::remove(OnWindows ? fs::path(L"\\\\?\\" + fs::path(at).make_preferred().wstring()) : at);
}

// A folder's entries as a walk takes them (a link to a file is the file, a link to a folder is told
// apart), one file by two names is one identity, and the sweep removes only what no save holds and
// what the name still gives.
TEST_F(FileSystemTest, FolderEntriesIdentityAndTheSweep)
{
    writeFile(dir.path("file.G"), "file");
    fs::create_directory(fs::u8path(dir.path("folder")));
    fs::create_hard_link(fs::u8path(dir.path("file.G")), fs::u8path(dir.path("second name.G")));
    std::error_code noLinks;  // wine makes no symbolic links: the seam's rows stand in (BatchTest)
    fs::create_symlink(fs::u8path(dir.path("file.G")), fs::u8path(dir.path("link to file.G")), noLinks);
    fs::create_directory_symlink(fs::u8path(dir.path("folder")), fs::u8path(dir.path("link to folder")), noLinks);
    std::map<std::string, engine::FolderEntry::Kind> kinds;
    ASSERT_FALSE(files.listFolder(dir.path(), [&](const engine::FolderEntry& entry) { kinds[entry.name] = entry.kind; }));
    using enum engine::FolderEntry::Kind;
    std::map<std::string, engine::FolderEntry::Kind> expected = {{"file.G", File}, {"folder", Folder}, {"second name.G", File}};
    if (!noLinks) expected.insert({{"link to file.G", File}, {"link to folder", FolderLink}});
    EXPECT_EQ(kinds, expected);
    EXPECT_EQ(files.status(dir.path("second name.G")).identity, files.status(dir.path("file.G")).identity);
    writeFile(dir.path("copy.G"), "file");
    EXPECT_NE(files.status(dir.path("copy.G")).identity, files.status(dir.path("file.G")).identity);

    // Each leftover alone in a folder of its own: whether the sweep keeps it.
    std::unique_ptr<TemporaryFile> live;
    const std::string leftover = ".x.G.part-AbCd12";
    const struct { const char* name; std::function<void(const std::string& folder)> make; bool kept; platform::Systems on = Everywhere; } rows[] = {
        {"a killed run's", [&](const std::string& folder) { writeFile(folder + "/" + leftover, "partial"); }, false},
        {"no temporary's name", [&](const std::string& folder) { writeFile(folder + "/" + leftover + ".txt", "mine"); }, true},
        {"a running save's", [&](const std::string& folder) { live = temporaryFor(folder + "/x.G"); }, true},
        // Its name taken by another file once the sweep has opened it: that file is no leftover.
        {"renamed over as it is opened", [&](const std::string& folder) {
             const std::string at = folder + "/" + leftover;
             writeFile(at, "partial");
             calls.afterLock = [at] {
                 writeFile(at + "-new", "a target now");
                 fs::rename(fs::u8path(at + "-new"), fs::u8path(at));
             };
         }, true, LinuxOnly},
    };
    for (const auto& row : rows) {
        if (!platform::runsHere(row.on)) continue;
        const TemporaryFolder folder(dir.root);
        row.make(folder.path());
        const std::vector<std::string> before = entries(folder.path());
        files.removeLeftovers(folder.path());
        EXPECT_EQ(entries(folder.path()), row.kept ? before : std::vector<std::string>{}) << row.name;
        live.reset();
        calls.afterLock = {};
    }
}

// A target's full path as the record stores it, and the long form every call gives Windows: a share
// as \\?\UNC\server\share.
TEST_F(FileSystemTest, FullPathsAndTheFormsWindowsIsGiven)
{
    const std::string here = pathText(fs::current_path());
    const struct { std::string path, absolute, given; platform::Systems on; } rows[] = {
        {"a/b.G", here + "/a/b.G", "a/b.G", LinuxOnly},
        {"/data/x.G", "/data/x.G", "/data/x.G", LinuxOnly},
        {"a/b.G", here + "\\a\\b.G", "\\\\?\\" + here + "\\a\\b.G", WindowsOnly},
        {"C:/data/x.G", "C:\\data\\x.G", "\\\\?\\C:\\data\\x.G", WindowsOnly},
        {"\\\\server\\share\\x.G", "\\\\server\\share\\x.G", "\\\\?\\UNC\\server\\share\\x.G", WindowsOnly},
        {"//server/share/a/x.G", "\\\\server\\share\\a\\x.G", "\\\\?\\UNC\\server\\share\\a\\x.G", WindowsOnly},
        {"\\\\?\\C:\\x.G", "\\\\?\\C:\\x.G", "\\\\?\\C:\\x.G", WindowsOnly},
    };
    for (const auto& row : rows) {
        if (!platform::runsHere(row.on)) continue;
        EXPECT_EQ(files.absolutePath(row.path), row.absolute);
        files.status(row.path);
        EXPECT_EQ(calls.lastPathGiven(), row.given);
    }
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
