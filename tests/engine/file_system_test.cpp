// The file layer of the running system: what a save relies on, on real files.
#include "engine/files/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

namespace fs = std::filesystem;
using engine::FileErrorNumber;
using engine::FileStatus;
using engine::TemporaryFile;

#ifdef _WIN32
constexpr bool OnWindows = true;
#else
constexpr bool OnWindows = false;
#endif

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

class FileSystemTest : public ::testing::Test {
protected:
    FileSystemTest()
    {
        std::mt19937_64 random{std::random_device{}()};
        folder = fs::temp_directory_path() / ("file-layer-" + std::to_string(random()));
        fs::create_directories(folder);
    }
    ~FileSystemTest() override { removeTree(utf8(folder)); }

    // Deepest first, through the layer's own listing: the standard library of some systems loses its
    // way in paths over 260 characters. Read-only files are made writable, as Windows removes none.
    void removeTree(const std::string& path)
    {
        files.listFolder(path, [&](const engine::FolderEntry& entry) {
            if (entry.kind == engine::FolderEntry::Folder) removeTree(path + "/" + entry.name);
        });
        std::vector<std::string> names;
        files.listFolder(path, [&](const engine::FolderEntry& entry) { names.push_back(entry.name); });
        std::error_code error;
        for (const std::string& name : names) {
            const fs::path entry = longForm(path + "/" + name);
            fs::permissions(entry, fs::perms::owner_write, fs::perm_options::add, error);
            fs::remove(entry, error);
        }
        fs::remove(longForm(path), error);
    }
    static fs::path longForm(const std::string& path)
    {
        fs::path native = fs::u8path(path);
        return OnWindows ? fs::path(L"\\\\?\\" + native.make_preferred().wstring()) : native;
    }

    std::string path(const std::string& name) const { return utf8(folder / fs::u8path(name)); }
    static void put(const std::string& path, const std::string& bytes)
    {
        std::ofstream(fs::u8path(path), std::ios::binary) << bytes;
    }
    static std::string read(const std::string& path)
    {
        std::ifstream in(fs::u8path(path), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {})); }

    // Writes bytes beside target and commits them; the commit's answer.
    TemporaryFile::Commit save(const std::string& target, const std::string& bytes, TemporaryFile::Replacing replacing,
                               std::optional<engine::FileError>* failure = nullptr)
    {
        auto resolved = files.resolveTarget(target);
        EXPECT_TRUE(std::holds_alternative<engine::ResolvedTarget>(resolved)) << target;
        auto created = files.createBeside(std::get<engine::ResolvedTarget>(resolved));
        auto& file = std::get<std::unique_ptr<TemporaryFile>>(created);
        const std::string_view view = bytes;
        EXPECT_FALSE(file->write({reinterpret_cast<const std::uint8_t*>(view.data()), view.size()}));
        EXPECT_FALSE(file->flush());
        std::optional<engine::FileError> error;
        const TemporaryFile::Commit commit = file->commit(replacing, error);
        if (failure) *failure = error;
        return commit;
    }

    engine::FileSystem& files = engine::systemFileSystem();
    fs::path folder;
};

// A commit replaces only when asked; a refused one keeps what stands at the target and leaves nothing.
TEST_F(FileSystemTest, ACommitReplacesOnlyWhenAskedAndLeavesNoTemporary)
{
    using enum TemporaryFile::Commit;
    const std::string target = path("M.G");
    EXPECT_EQ(save(target, "first", TemporaryFile::Replacing::Refused), Done);
    EXPECT_EQ(save(target, "second", TemporaryFile::Replacing::Refused), NameTaken);
    EXPECT_EQ(read(target), "first");
    EXPECT_EQ(save(target, "third", TemporaryFile::Replacing::Allowed), Done);
    EXPECT_EQ(read(target), "third");
    EXPECT_EQ(entries(), 1u) << "no temporary file is left";
    if (!OnWindows) return;
    // Where names are case-blind, another case names the same file and is taken as well.
    EXPECT_EQ(save(path("m.G"), "fourth", TemporaryFile::Replacing::Refused), NameTaken);
    // A file another program holds open is reported, not waited for, and stays as it was.
    std::ifstream held(fs::u8path(target));
    std::optional<engine::FileError> error;
    EXPECT_EQ(save(target, "fifth", TemporaryFile::Replacing::Allowed, &error), Failed);
    EXPECT_EQ(error, engine::FileError{FileErrorNumber::PermissionDenied});
    EXPECT_EQ(read(target), "third");
    EXPECT_EQ(entries(), 1u);
}

// A dropped temporary file leaves nothing; a leftover is removed unless a running save holds it.
TEST_F(FileSystemTest, LeftoversGoButNotOneASaveHolds)
{
    const auto resolved = std::get<engine::ResolvedTarget>(files.resolveTarget(path("held.G")));
    {
        auto dropped = std::get<std::unique_ptr<TemporaryFile>>(files.createBeside(resolved));
    }
    EXPECT_EQ(entries(), 0u);
    auto held = std::get<std::unique_ptr<TemporaryFile>>(files.createBeside(resolved));
    put(path(".dead.G.part-Ab3dE9"), "killed");
    put(path(".kept.G.part-"), "no leftover's name");
    files.removeLeftovers(utf8(folder));
    EXPECT_FALSE(fs::exists(folder / ".dead.G.part-Ab3dE9"));
    EXPECT_TRUE(fs::exists(folder / ".kept.G.part-"));
    EXPECT_EQ(entries(), 2u) << "the held temporary stays";
    std::optional<engine::FileError> error;
    EXPECT_EQ(held->commit(TemporaryFile::Replacing::Refused, error), TemporaryFile::Commit::Done);
}

// What a save refuses, with the error every system reports for it.
TEST_F(FileSystemTest, TargetsThatMayNotBeReplacedAreRefused)
{
    fs::create_directories(folder / "sub");
    put(path("read-only.G"), "keep");
    fs::permissions(folder / "read-only.G", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    struct Row { std::string target; FileErrorNumber error; bool windowsOnly; };
    const Row rows[] = {
        {path("sub"), FileErrorNumber::PathFileAccessError, false},
        {path("sub") + "/", FileErrorNumber::PathFileAccessError, false},
        {"", FileErrorNumber::PathFileAccessError, false},
        {path("read-only.G"), FileErrorNumber::PermissionDenied, true},  // root writes anything on Linux
        {path("NUL.G"), FileErrorNumber::BadFileName, true},
        {path("a?b.G"), FileErrorNumber::BadFileName, true},
        {path("trailing.G."), FileErrorNumber::BadFileName, true},
    };
    for (const Row& row : rows) {
        if (row.windowsOnly && !OnWindows) continue;
        const auto resolved = files.resolveTarget(row.target);
        ASSERT_TRUE(std::holds_alternative<engine::FileError>(resolved)) << row.target;
        EXPECT_EQ(std::get<engine::FileError>(resolved).number, row.error) << row.target;
    }
    EXPECT_EQ(read(path("read-only.G")), "keep");
}

// Reading, identity and listing reach past 260 characters and take any name.
TEST_F(FileSystemTest, LongPathsAndAnyNameWork)
{
    std::string deep = utf8(folder);
    for (int level = 0; level < 6; ++level) {
        deep += "/" + std::string(60, static_cast<char>('a' + level));
        ASSERT_FALSE(files.makeFolder(deep)) << deep.size();
    }
    const std::string target = deep + "/Prüfung €.G";
    ASSERT_GT(target.size(), 400u);
    EXPECT_EQ(save(target, "long", TemporaryFile::Replacing::Refused), TemporaryFile::Commit::Done);
    const auto head = std::get<engine::FileHead>(files.readHead(target, 100));
    EXPECT_EQ(std::string(head.bytes.begin(), head.bytes.end()), "long");
    EXPECT_EQ(files.status(target).kind, FileStatus::File);
    EXPECT_EQ(files.status(target).identity, files.status(target).identity);
    EXPECT_NE(files.status(target).identity, files.status(deep).identity);
    std::vector<std::string> names;
    ASSERT_FALSE(files.listFolder(deep, [&](const engine::FolderEntry& entry) { names.push_back(entry.name); }));
    EXPECT_EQ(names, std::vector<std::string>{"Prüfung €.G"});
    const auto missing = std::get<engine::FileError>(files.readHead(deep + "/none.G", 100));
    EXPECT_EQ(missing.number, FileErrorNumber::FileNotFound);
    EXPECT_EQ(std::get<engine::FileError>(files.readHead(deep + "/none/x.G", 100)).number, FileErrorNumber::PathNotFound);
}

}  // namespace
