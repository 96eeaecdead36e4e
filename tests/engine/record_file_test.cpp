// The file layer under faults: each step of a load or a save fails in turn, and the files come out whole.
#include "engine/conversion_engine.h"
#include "old_file_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using fixtures::readFile;
using fixtures::writeFile;

constexpr char Stamp[] = "24.12 2026 / 18:30:00";

// The real system calls, except that chosen calls fail the way a full disk or a broken device would.
class FaultyCalls : public engine::FileCalls {
public:
    enum Call { Lstat, Access, Create, Fstat, Read, Fchmod, Write, Fsync, Syncfs, Close, Rename, CallKinds };
    // Instead of an errno value, a write may take only a few bytes (Short), a read or write none (Nothing).
    static constexpr int Short = -1, Nothing = -2;
    // Writes take at most this much, so that a record is written in several steps.
    static constexpr std::size_t Chunk = 1024;
    static constexpr int WriteSteps = 4;
    struct Fault {
        Call call;
        int at;  // the how-manieth call of its kind, from 0
        int error;
    };

    std::set<int> openFiles;  // every descriptor handed out and not closed yet

    void arm(std::vector<Fault> faults)
    {
        faults_ = std::move(faults);
        counts_.fill(0);
    }

    int lstat(const char* path, struct stat* status) override { return fails(Lstat) ? -1 : FileCalls::lstat(path, status); }
    int access(const char* path, int mode) override { return fails(Access) ? -1 : FileCalls::access(path, mode); }
    int open(const char* path, int flags, mode_t mode) override
    {
        const int fd = (flags & O_CREAT) != 0 && fails(Create) ? -1 : FileCalls::open(path, flags, mode);
        if (fd >= 0) openFiles.insert(fd);
        return fd;
    }
    int fstat(int fd, struct stat* status) override { return fails(Fstat) ? -1 : FileCalls::fstat(fd, status); }
    ssize_t read(int fd, void* buffer, std::size_t size) override
    {
        const int error = fault(Read);
        return error == 0 ? FileCalls::read(fd, buffer, size) : error == Nothing ? 0 : -1;
    }
    int fchmod(int fd, mode_t mode) override { return fails(Fchmod) ? -1 : FileCalls::fchmod(fd, mode); }
    ssize_t write(int fd, const void* buffer, std::size_t size) override
    {
        switch (fault(Write)) {
        case 0: return FileCalls::write(fd, buffer, std::min(size, Chunk));
        case Short: return FileCalls::write(fd, buffer, 7);
        case Nothing: return 0;
        default: return -1;
        }
    }
    int fsync(int fd) override { return fails(Fsync) ? -1 : FileCalls::fsync(fd); }
    int syncfs(int fd) override { return fails(Syncfs) ? -1 : FileCalls::syncfs(fd); }
    // Linux releases the descriptor even when close reports an error.
    int close(int fd) override
    {
        openFiles.erase(fd);
        const int result = FileCalls::close(fd);
        return fails(Close) ? -1 : result;
    }
    int rename(const char* from, const char* to) override { return fails(Rename) ? -1 : FileCalls::rename(from, to); }

private:
    int fault(Call call)
    {
        const int index = counts_[call]++;
        for (const Fault& f : faults_) {
            if (f.call != call || f.at != index) continue;
            if (f.error > 0) errno = f.error;
            return f.error;
        }
        return 0;
    }
    bool fails(Call call) { return fault(call) != 0; }

    std::vector<Fault> faults_;
    std::array<int, CallKinds> counts_{};
};

struct Expected {
    int number;  // 0: saved
    const char* text;
};
constexpr Expected Saved{0, ""};

class FileFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(source(), old);
        ASSERT_TRUE(engine.g_DateiLaden(source()));
        engine.DatenUebernehmen();
        engine.DatenKonvertieren();
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString source() const { return path("old.G"); }

    // Saves to target and checks what a save promises, whatever the outcome: the error number and text
    // and the placeholder stamp after a failure, an existing target as it was, a link still a link,
    // the source unchanged, and no temporary file left.
    void saveAndCheck(const QString& target, const Expected& expected, const std::string& what)
    {
        SCOPED_TRACE(what);
        const QString folder = QFileInfo(target).path();
        QStringList expectedEntries = entries(folder);
        const bool existed = QFileInfo(target).isFile(), link = QFileInfo(target).isSymLink();
        const QByteArray before = readFile(target);

        const engine::SaveOutcome outcome = engine.stampAndSave(target);
        if (expected.number == 0) {
            ASSERT_EQ(outcome.status, engine::SaveStatus::Saved)
                << (outcome.warning ? outcome.warning->prompt.toStdString() : std::string());
            EXPECT_EQ(readFile(target), fixtures::expectedNewFile(old, Stamp, target.toStdString()));
            // The file written is the one a link names.
            expectedEntries << QFileInfo(QFileInfo(target).canonicalFilePath()).fileName();
            expectedEntries.removeDuplicates();
        } else {
            ASSERT_EQ(outcome.status, engine::SaveStatus::Failed);
            EXPECT_EQ(outcome.warning->error.code(), expected.number);
            EXPECT_EQ(outcome.warning->prompt.toStdString(), std::string("...at saving \r\n") + expected.text);
            EXPECT_TRUE(outcome.warning->title.endsWith(" " + QString::number(expected.number)));
            EXPECT_EQ(engine.NewWorkingRecord.Info.SaveStamp.StampText.view().substr(0, 22), "--.--- ---- / --:--:--");
            EXPECT_EQ(QFileInfo(target).isFile(), existed);
            EXPECT_EQ(readFile(target), before) << "an existing target is left byte for byte";
        }
        EXPECT_EQ(QFileInfo(target).isSymLink(), link);
        EXPECT_TRUE(calls.openFiles.empty()) << "every file opened is closed";
        EXPECT_EQ(readFile(source()), old) << "the source is never changed";
        expectedEntries.sort();
        EXPECT_EQ(entries(folder), expectedEntries) << "no temporary file is left behind";
    }

    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir dir;
    const QByteArray old = fixtures::patternedOldFile();
    FaultyCalls calls;
    engine::ConversionEngine engine{calls, [] { return QString::fromLatin1(Stamp); }};
};

TEST_F(FileFaultTest, EachFailingStepLeavesTheFilesWhole)
{
    using F = FaultyCalls;
    const Expected full{61, "Disk full"}, device{57, "Device I/O error"}, denied{70, "Permission denied"},
        access{75, "Path/File access error"};
    struct Row {
        std::string name;
        std::vector<F::Fault> faults;
        Expected expected;
        bool overTargetOnly = false;  // the failing call is made only when a target exists
    };
    std::vector<Row> rows = {
        {"no fault", {}, Saved},
        {"read-only file system on create", {{F::Create, 0, EROFS}}, denied},
        {"folder refuses new files", {{F::Create, 0, EACCES}}, denied},
        {"no inode left on create", {{F::Create, 0, ENOSPC}}, full},
        {"too many open files", {{F::Create, 0, EMFILE}}, {67, "Too many files"}},
        {"name too long for the file system", {{F::Create, 0, ENAMETOOLONG}}, {52, "Bad file name or number"}},
        {"temporary name taken once", {{F::Create, 0, EEXIST}}, Saved},
        {"permissions cannot be kept", {{F::Fchmod, 0, EPERM}}, Saved, true},
        {"write takes nothing", {{F::Write, 0, F::Nothing}}, full},
        {"write interrupted", {{F::Write, 1, EINTR}}, Saved},
        {"quota full while writing", {{F::Write, 2, EDQUOT}}, full},
        {"device fails while writing", {{F::Write, 1, EIO}}, device},
        {"flush finds the disk full", {{F::Fsync, 0, ENOSPC}}, full},
        {"flush fails on the device", {{F::Fsync, 0, EIO}}, device},
        {"disk full at close", {{F::Close, 0, ENOSPC}}, full},
        {"device fails at close", {{F::Close, 0, EIO}}, device},
        {"close interrupted after the flush", {{F::Close, 0, EINTR}}, Saved},
        {"rename refused", {{F::Rename, 0, EACCES}}, denied},
        {"folder turned read-only before rename", {{F::Rename, 0, EROFS}}, denied},
        {"no room for the new name", {{F::Rename, 0, ENOSPC}}, full},
        {"target turned into a folder", {{F::Rename, 0, EISDIR}}, access},
        {"target made read-only", {{F::Access, 0, EACCES}}, denied, true},
        {"folder not searchable", {{F::Lstat, 0, EACCES}}, denied},
    };
    for (int step = 0; step < F::WriteSteps; ++step) {
        rows.push_back({"disk full at write step " + std::to_string(step), {{F::Write, step, ENOSPC}}, full});
        rows.push_back({"short write, then disk full, at step " + std::to_string(step),
                        {{F::Write, step, F::Short}, {F::Write, step + 1, ENOSPC}}, full});
    }
    // Each fault with and without a target from before: a longer one, so that a left tail would show.
    for (const bool targetExists : {false, true}) {
        for (const Row& row : rows) {
            if (row.overTargetOnly && !targetExists) continue;
            QFile::remove(path("new.G"));
            if (targetExists) writeFile(path("new.G"), QByteArray(5000, 'T'));
            calls.arm(row.faults);
            saveAndCheck(path("new.G"), row.expected, row.name + (targetExists ? " (over a target)" : ""));
        }
    }
}

TEST_F(FileFaultTest, TargetsThatAreNoPlainFile)
{
    const auto link = [this](const QString& to, const QString& at) { ASSERT_TRUE(QFile::link(to, path(at))); };
    struct Row {
        const char* name;
        std::function<void()> prepare;
        QString target;
        Expected expected;
    };
    const Row rows[] = {
        {"a folder", [&] { QDir(dir.path()).mkdir("folder.G"); }, "folder.G", {75, "Path/File access error"}},
        {"in a missing folder", [] {}, "none/new.G", {76, "Path not found"}},
        {"below a file", [] {}, "old.G/new.G", {76, "Path not found"}},
        {"a name too long", [] {}, QString(300, u'n'), {52, "Bad file name or number"}},
        {"a name going on past a NUL", [] {}, QStringLiteral("new.G") + QChar(0) + "x", {75, "Path/File access error"}},
        {"a dangling link into a missing folder", [&] { link(path("none/x.G"), "dangling.G"); }, "dangling.G",
         {76, "Path not found"}},
        {"a link to itself", [&] { link(path("loop.G"), "loop.G"); }, "loop.G", {75, "Path/File access error"}},
        // A link is followed as it is for a file that exists: the file it names is written.
        {"a dangling link into an existing folder", [&] { link(path("made.G"), "pointing.G"); }, "pointing.G", Saved},
    };
    for (const Row& row : rows) {
        row.prepare();
        calls.arm({});
        saveAndCheck(path(row.target), row.expected, row.name);
    }
}

// Someone else's link in a shared sticky folder (as in /tmp) does not redirect a save onto their choice.
TEST_F(FileFaultTest, ALinkPlantedInASharedFolderIsNotFollowed)
{
    const QString shared = path("shared");
    QDir().mkdir(shared);
    const QByteArray sharedFolder = QFile::encodeName(shared);
    ASSERT_EQ(::chmod(sharedFolder.constData(), 01777), 0);
    ASSERT_TRUE(QFile::link(source(), shared + "/new.G"));
    constexpr uid_t Nobody = 65534;
    if (::lchown(QFile::encodeName(shared + "/new.G").constData(), Nobody, Nobody) != 0)
        GTEST_SKIP() << "cannot give the link another owner here (needs root): " << std::strerror(errno);
    calls.arm({});
    saveAndCheck(shared + "/new.G", {70, "Permission denied"}, "a link of another user");
}

// Loading under faults: the error of the table, and the file closed again on every way out.
TEST_F(FileFaultTest, LoadingClosesWhatItOpens)
{
    using F = FaultyCalls;
    writeFile(path("short.G"), old.left(3230));
    writeFile(path("long.G"), QByteArray(32768, 'x'));
    struct Row {
        const char* name;
        const char* file;
        std::vector<F::Fault> faults;
        int number;  // 0: loaded
    };
    const Row rows[] = {
        {"no fault", "old.G", {}, 0},
        {"status unreadable", "old.G", {{F::Fstat, 0, EIO}}, 57},
        {"device fails while reading", "old.G", {{F::Read, 0, EIO}}, 57},
        {"read interrupted", "old.G", {{F::Read, 0, EINTR}}, 0},
        {"file shrinks while read", "old.G", {{F::Read, 0, F::Nothing}}, 62},
        {"too short", "short.G", {}, 62},
        {"too long", "long.G", {}, 6},
        {"a folder", ".", {}, 75},
    };
    for (const Row& row : rows) {
        calls.arm(row.faults);
        const engine::FileResult loaded = engine.g_DateiLaden(path(row.file));
        EXPECT_EQ(loaded ? 0 : loaded.warning->error.code(), row.number) << row.name;
        EXPECT_TRUE(calls.openFiles.empty()) << row.name << ": every file opened is closed";
    }
}

// Files saved together and flushed with one flush of their file system: a fault costs the one file
// it hits, and a failing file system flush falls back to flushing each file.
TEST_F(FileFaultTest, ABatchLosesOnlyTheFileThatFailed)
{
    using F = FaultyCalls;
    struct Row {
        const char* name;
        std::vector<F::Fault> faults;
        std::array<int, 3> numbers;  // error number of each file, 0: saved
    };
    const Row rows[] = {
        {"no fault", {}, {0, 0, 0}},
        {"file system flush fails", {{F::Syncfs, 0, EIO}}, {0, 0, 0}},
        {"file system flush fails, then the second file's own", {{F::Syncfs, 0, EIO}, {F::Fsync, 1, EIO}}, {0, 57, 0}},
        {"disk full while writing the second", {{F::Write, F::WriteSteps, ENOSPC}}, {0, 61, 0}},
        {"disk full when the second is closed", {{F::Close, 1, ENOSPC}}, {0, 61, 0}},
        {"the third cannot be renamed", {{F::Rename, 2, EACCES}}, {0, 0, 70}},
    };
    const auto target = [this](std::size_t i) { return path("batch" + QString::number(i) + ".G"); };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<engine::PendingReplacement> pending;
        std::array<int, 3> numbers{};
        calls.arm(row.faults);
        for (std::size_t i = 0; i < 3; ++i) {
            writeFile(target(i), "old content");
            const std::vector<std::uint8_t> bytes(3243, static_cast<std::uint8_t>('a' + i));
            std::optional<engine::PendingReplacement> replacement;
            const auto error = engine::beginReplacement(calls, QFile::encodeName(target(i)).toStdString(), bytes, replacement);
            if (error) numbers[i] = error->code();
            else pending.push_back(std::move(*replacement));
        }
        engine::flushTogether(pending);
        for (std::size_t i = 0, p = 0; i < 3; ++i) {
            if (numbers[i] != 0) continue;
            if (const auto error = pending[p++].complete()) numbers[i] = error->code();
        }

        EXPECT_EQ(numbers, row.numbers);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(readFile(target(i)), numbers[i] == 0 ? QByteArray(3243, char('a' + i)) : "old content") << i;
        pending.clear();
        EXPECT_TRUE(calls.openFiles.empty());
        EXPECT_EQ(entries(dir.path()), QStringList({"batch0.G", "batch1.G", "batch2.G", "old.G"}));
    }
}

// A real small file system that fills up or turns read-only; only root may mount one.
TEST_F(FileFaultTest, RealFileSystemFaults)
{
    struct Row {
        const char* name;
        const char* options;
        std::function<void(const QString&)> spoil;  // done to the mounted folder after the target is there
        Expected expected;
    };
    const auto fillUp = [](const QString& folder) {
        QFile filler(folder + "/filler");
        if (!filler.open(QIODevice::WriteOnly)) return;
        while (filler.write(QByteArray(512, 'f')) == 512 && filler.flush()) {
        }
    };
    const auto useAllInodes = [](const QString& folder) {
        for (int i = 0; QFile(folder + "/f" + QString::number(i)).open(QIODevice::WriteOnly); ++i) {
        }
    };
    const auto makeReadOnly = [](const QString& folder) {
        ASSERT_EQ(::mount(nullptr, QFile::encodeName(folder).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
            << std::strerror(errno);
    };
    const Row rows[] = {
        {"no block left", "size=16k", fillUp, {61, "Disk full"}},
        {"no inode left", "size=64k,nr_inodes=8", useAllInodes, {61, "Disk full"}},
        {"turned read-only", "size=64k", makeReadOnly, {70, "Permission denied"}},
    };
    for (const Row& row : rows) {
        const QString mountPoint = path(QString("tiny-") + QString::number(&row - rows));
        QDir().mkpath(mountPoint);
        if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, row.options) != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
        struct Unmount {
            QString at;
            ~Unmount() { ::umount2(QFile::encodeName(at).constData(), MNT_DETACH); }
        } unmount{mountPoint};

        const QString target = mountPoint + "/new.G";
        writeFile(target, QByteArray(4000, 'T'));
        row.spoil(mountPoint);
        calls.arm({});
        saveAndCheck(target, row.expected, row.name);
    }
}

}  // namespace
