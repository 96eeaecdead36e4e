// The engine on real files: every field converted, and each step of a load or a save failing in turn.
#include "engine/conversion_engine.h"
#include "old_file_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <functional>
#include <map>
#include <set>

namespace {

using fixtures::readFile;
using fixtures::writeFile;

// The real system calls, except that chosen calls fail the way a full disk or a broken device would.
class FaultyCalls : public engine::FileCalls {
public:
    enum Call { Lstat, Access, Create, Fstat, Read, Fchmod, Write, Fsync, Syncfs, Close, Rename, CallKinds };
    // Instead of an errno value, a write may take only a few bytes (Short), a read or write none (Nothing).
    static constexpr int Short = -1, Nothing = -2;
    static constexpr int WriteSteps = 4;  // writes take at most 1024 bytes: a record takes this many
    struct Fault { Call call; int at; int error; };  // at: the how-manieth call of its kind, from 0

    std::set<int> openFiles;  // every descriptor handed out and not closed yet

    void arm(std::vector<Fault> faults) { faults_ = std::move(faults); counts_.fill(0); }

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
        const int error = fault(Write);
        if (error > 0 || error == Nothing) return error > 0 ? -1 : 0;
        return FileCalls::write(fd, buffer, error == Short ? 7 : std::min<std::size_t>(size, 1024));
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
        for (const Fault& f : faults_)
            if (f.call == call && f.at == index) {
                if (f.error > 0) errno = f.error;
                return f.error;
            }
        return 0;
    }
    bool fails(Call call) { return fault(call) != 0; }

    std::vector<Fault> faults_;
    std::array<int, CallKinds> counts_{};
};
using F = FaultyCalls;

// The text each error number of the table stands for.
const std::map<int, std::string> ErrorTexts = {
    {6, "Overflow"}, {52, "Bad file name or number"}, {53, "File not found"}, {57, "Device I/O error"}, {61, "Disk full"},
    {62, "Input past end of file"}, {67, "Too many files"}, {70, "Permission denied"}, {75, "Path/File access error"},
    {76, "Path not found"}, {321, "Invalid file format"}};

// The warning of a failed load or save: its number, its exact title and its prompt with the text of the table.
void expectWarning(const std::optional<engine::Warning>& warning, bool saving, int number)
{
    ASSERT_TRUE(warning.has_value()) << "expected error " << number;
    EXPECT_EQ(warning->error.code(), number);
    EXPECT_EQ((warning->title + '|' + warning->prompt).toStdString(),
              (saving ? "Error: (g_DateiSpeichern):  " : "Error:  (g_DateiLaden):  ") + std::to_string(number)
                  + (saving ? "|...at saving \r\n" : "|...at loading\r\n") + ErrorTexts.at(number));
}

class FileFaultTest : public ::testing::Test {
protected:
    // Converts the longest file an old release reads, of which only the first record counts.
    void SetUp() override
    {
        engine.OldWorkingRecord.Series1.LeadValue.bytes.fill(0x5A);
        convert(sourceBytes);
    }

    void convert(const QByteArray& file)
    {
        writeFile(source(), file);
        ASSERT_TRUE(engine.g_DateiLaden(source()));
        engine.DatenUebernehmen();
        engine.DatenKonvertieren();
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString source() const { return path("old.G"); }
    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    // Saves to target and checks what a save promises whatever the outcome (number 0: saved): the
    // warning and the placeholder stamp after a failure, an existing target as it was, a link still
    // a link, the source unchanged, every file closed and no temporary file left.
    void saveAndCheck(const QString& target, int number, const std::string& what)
    {
        SCOPED_TRACE(what);
        const QString folder = QFileInfo(target).path();
        QStringList expectedEntries = entries(folder);
        const bool link = QFileInfo(target).isSymLink();
        const QByteArray before = readFile(target);

        calls.arm(faults);
        const engine::SaveOutcome outcome = engine.stampAndSave(target);
        if (number == 0) {
            ASSERT_FALSE(outcome.warning) << outcome.warning->title.toStdString();
            EXPECT_TRUE(fixtures::sameNewFile(readFile(target),
                                              fixtures::expectedNewFile(old, fixtures::Stamp, target.toStdString())));
            // The file written is the one a link names.
            expectedEntries << QFileInfo(QFileInfo(target).canonicalFilePath()).fileName();
            expectedEntries.removeDuplicates();
        } else {
            expectWarning(outcome.warning, true, number);
            EXPECT_EQ(engine.NewWorkingRecord.Info.SaveStamp.StampText.view().substr(0, 22), "--.--- ---- / --:--:--");
            EXPECT_EQ(readFile(target), before) << "an existing target is left byte for byte";
        }
        EXPECT_EQ(QFileInfo(target).isSymLink(), link);
        EXPECT_TRUE(calls.openFiles.empty()) << "every file opened is closed";
        EXPECT_EQ(readFile(source()), sourceBytes) << "the source is never changed";
        expectedEntries.sort();
        EXPECT_EQ(entries(folder), expectedEntries) << "no temporary file is left behind";
    }

    QTemporaryDir dir;
    const QByteArray old = fixtures::patternedOldFile(), sourceBytes = old + QByteArray(32767 - 3231, 'x');
    FaultyCalls calls;
    std::vector<F::Fault> faults;  // for the next save
    engine::ConversionEngine engine{calls, [] { return QString::fromLatin1(fixtures::Stamp); }};
};

TEST_F(FileFaultTest, EveryFieldLandsAtItsOffsetInTheNewFile)
{
    // The image keeps what the file held; only the working record is cleared and marked.
    EXPECT_EQ(engine.OldFileImage.Info.SaveStamp.FormatMark, 0x0107);
    EXPECT_EQ(engine.OldFileImage.Series1.AuxA.bytes[8], static_cast<std::uint8_t>(old[824]));
    EXPECT_EQ(engine.OldWorkingRecord.Series1.LeadValue.bytes[0], 0x5A) << "no file fills LeadValue";
    saveAndCheck(path("new.G"), 0, "a new file");
}

TEST_F(FileFaultTest, TrailingBlanksOfASaveNameAreDropped)
{
    QString blanks = path("blank.G  "), onlyBlanks = "   ";
    ASSERT_TRUE(engine.g_DateiSpeichern(blanks));
    EXPECT_EQ(blanks, path("blank.G")) << "the caller sees the name saved under";
    EXPECT_EQ(entries(dir.path()), QStringList({"blank.G", "old.G"}));
    EXPECT_FALSE(engine.g_DateiSpeichern(onlyBlanks));
}

TEST_F(FileFaultTest, ARecordMarkedNotToBeSavedIsNotWritten)
{
    QByteArray inhibited = old;
    inhibited[1896] = 1;
    convert(inhibited);
    const auto stampBefore = engine.NewWorkingRecord.Info.SaveStamp.StampText;

    EXPECT_EQ(engine.stampAndSave(path("new.G")).status, engine::SaveStatus::Inhibited);
    EXPECT_FALSE(QFileInfo::exists(path("new.G")));
    EXPECT_EQ(engine.NewWorkingRecord.Info.SaveStamp.StampText, stampBefore);
    EXPECT_EQ(engine.NewWorkingRecord.Info.SaveStamp.FormatMark, 1);
    EXPECT_TRUE(engine.NewWorkingRecord.Info.FileInfo.FileName.view().starts_with(path("new.G").toStdString()));
}

// The new name must reach the disk too: a folder that cannot be flushed fails the save.
TEST_F(FileFaultTest, ASaveWhoseFolderCannotBeFlushedFails)
{
    calls.arm({{F::Fsync, 1, EIO}});
    expectWarning(engine.stampAndSave(path("new.G")).warning, true, 57);
    EXPECT_TRUE(calls.openFiles.empty());
}

// Loading: the error of the table for each kind of file and each failing step, and the file closed
// again on every way out.
TEST_F(FileFaultTest, LoadingRefusesWhatIsNoOldFileAndClosesWhatItOpens)
{
    QByteArray markedButOld = old;
    markedButOld.replace(1898, 2, QByteArray("\x02\x00", 2));
    // A converted file with other line settings at 1912: a true settings text marks it converted.
    const auto converted = [this](const char (&settings)[13]) {
        return fixtures::expectedNewFile(old, "", "x").replace(1912, 12, QByteArray(settings, 12));
    };
    const struct { const char* name; QByteArray content; QString opened; std::vector<F::Fault> faults; int number; } rows[] = {
        // content: of f.G, unless null; number 0: loaded
        {"exactly one record", QByteArray(3231, '\0'), "f.G", {}, 0}, {"one byte short", old.left(3230), "f.G", {}, 62},
        {"empty", QByteArray(""), "f.G", {}, 62},                    {"one byte too long", QByteArray(32768, '\0'), "f.G", {}, 6},
        {"marked 2 without settings text", markedButOld, "f.G", {}, 0},
        {"already converted", converted("19200,N,8,1 "), "f.G", {}, 321},
        {"converted, other settings", converted("9600,E,7,1.5"), "f.G", {}, 321},
        {"converted, no blank left", converted("115200,N,8,1"), "f.G", {}, 321},
        {"settings cut after a dot", converted("19200,N,8,1."), "f.G", {}, 0},
        {"settings padded with NUL", converted("19200,N,8,1\0"), "f.G", {}, 0},
        {"settings without parity", converted("19200,,8,1  "), "f.G", {}, 0},
        {"missing file", QByteArray(), "none.G", {}, 53}, {"missing folder", QByteArray(), "none/f.G", {}, 76},
        {"file used as folder", old, "f.G/f.G", {}, 76},  {"a folder", QByteArray(), ".", {}, 75},
        {"empty name", QByteArray(), "", {}, 75},
        {"name going on past a NUL", old, QStringLiteral("f.G") + QChar(0) + "x", {}, 75},
        {"status unreadable", old, "f.G", {{F::Fstat, 0, EIO}}, 57},
        {"device fails while reading", old, "f.G", {{F::Read, 0, EIO}}, 57},
        {"read interrupted", old, "f.G", {{F::Read, 0, EINTR}}, 0},
        {"file shrinks while read", old, "f.G", {{F::Read, 0, F::Nothing}}, 62},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(path("f.G"));
        if (!row.content.isNull()) writeFile(path("f.G"), row.content);
        calls.arm(row.faults);
        const engine::FileResult loaded = engine.g_DateiLaden(row.opened.isEmpty() ? QString() : path(row.opened));
        if (row.number != 0) expectWarning(loaded.warning, false, row.number);
        else EXPECT_TRUE(loaded);
        EXPECT_TRUE(calls.openFiles.empty()) << "every file opened is closed";
    }
    EXPECT_FALSE(QFileInfo::exists(path("none.G"))) << "loading must never create a file";
}

TEST_F(FileFaultTest, EachFailingStepLeavesTheFilesWhole)
{
    // number 0: saved; overTargetOnly: the failing call is made only when a target exists.
    struct Row { std::string name; std::vector<F::Fault> faults; int number; bool overTargetOnly = false; };
    std::vector<Row> rows = {
        {"no fault", {}, 0},
        {"folder not searchable", {{F::Lstat, 0, EACCES}}, 70},
        {"target made read-only", {{F::Access, 0, EACCES}}, 70, true},
        {"read-only file system", {{F::Create, 0, EROFS}}, 70}, {"folder refuses new files", {{F::Create, 0, EACCES}}, 70},
        {"no inode left", {{F::Create, 0, ENOSPC}}, 61},        {"too many open files", {{F::Create, 0, EMFILE}}, 67},
        {"name too long", {{F::Create, 0, ENAMETOOLONG}}, 52},  {"temporary name taken once", {{F::Create, 0, EEXIST}}, 0},
        {"permissions cannot be kept", {{F::Fchmod, 0, EPERM}}, 0, true},
        {"write takes nothing", {{F::Write, 0, F::Nothing}}, 61}, {"write interrupted", {{F::Write, 1, EINTR}}, 0},
        {"quota full while writing", {{F::Write, 2, EDQUOT}}, 61}, {"device fails while writing", {{F::Write, 1, EIO}}, 57},
        {"flush finds the disk full", {{F::Fsync, 0, ENOSPC}}, 61}, {"flush fails on the device", {{F::Fsync, 0, EIO}}, 57},
        {"disk full at close", {{F::Close, 0, ENOSPC}}, 61},    {"close interrupted", {{F::Close, 0, EINTR}}, 0},
        {"rename refused", {{F::Rename, 0, EACCES}}, 70},       {"target turned into a folder", {{F::Rename, 0, EISDIR}}, 75},
    };
    for (int step = 0; step < F::WriteSteps; ++step) {
        rows.push_back({"disk full at write step " + std::to_string(step), {{F::Write, step, ENOSPC}}, 61});
        rows.push_back({"short write, then disk full, at step " + std::to_string(step),
                        {{F::Write, step, F::Short}, {F::Write, step + 1, ENOSPC}}, 61});
    }
    // Each fault with and without a target from before: a longer one, so that a left tail would show.
    for (const bool targetExists : {false, true}) {
        for (const Row& row : rows) {
            if (row.overTargetOnly && !targetExists) continue;
            QFile::remove(path("new.G"));
            if (targetExists) writeFile(path("new.G"), QByteArray(5000, 'T'));
            faults = row.faults;
            saveAndCheck(path("new.G"), row.number, row.name + (targetExists ? " (over a target)" : ""));
        }
    }
}

// Targets that are no plain file, and real small file systems that fill up or turn read-only.
TEST_F(FileFaultTest, TargetsThatAreNoPlainFile)
{
    QStringList mounts, leftOut;
    const auto unmount = qScopeGuard([&] {
        for (const QString& at : mounts) ::umount2(QFile::encodeName(at).constData(), MNT_DETACH);
    });
    const auto link = [this](const QString& to, const QString& at) { return QFile::link(path(to), path(at)) ? at : ""; };
    // Someone else's link in a shared sticky folder (as in /tmp) must not redirect a save onto their choice.
    const auto plantedLink = [this]() -> QString {
        const QByteArray shared = QFile::encodeName(path("shared")), link = shared + "/new.G";
        const bool planted = QDir().mkdir(path("shared")) && ::chmod(shared.constData(), 01777) == 0
                             && ::symlink(QFile::encodeName(source()).constData(), link.constData()) == 0
                             && ::lchown(link.constData(), 65534, 65534) == 0;  // nobody's
        return planted ? "shared/new.G" : "";
    };
    // A small tmpfs holding a target, then spoiled.
    const auto tmpfs = [&](const char* options, const std::function<void(const QString&)>& spoil) -> QString {
        const QString folder = "tiny-" + QString::number(mounts.size()), at = path(folder);
        QDir().mkpath(at);
        if (::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, options) != 0) return "";
        mounts << at;
        writeFile(at + "/new.G", QByteArray(4000, 'T'));
        spoil(at);
        return folder + "/new.G";
    };
    const auto fillUp = [](const QString& at) {
        QFile filler(at + "/filler");
        for (bool room = filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered); room;) room = filler.write("f") == 1;
    };
    const auto useAllInodes = [](const QString& at) {
        for (int i = 0; QFile(at + "/f" + QString::number(i)).open(QIODevice::WriteOnly);) ++i;
    };
    const auto remountReadOnly = [](const QString& at) {
        ::mount(nullptr, QFile::encodeName(at).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
    };
    const struct { const char* name; std::function<QString()> target; int number; } rows[] = {
        // target: "" where this user may not make it (it needs root); number 0: saved
        {"a folder", [&] { return QDir(dir.path()).mkdir("folder.G") ? "folder.G" : ""; }, 75},
        {"in a missing folder", [] { return "none/new.G"; }, 76},
        {"below a file", [] { return "old.G/new.G"; }, 76},
        {"a name too long", [] { return QString(300, u'n'); }, 52},
        {"a name going on past a NUL", [] { return QStringLiteral("new.G") + QChar(0) + "x"; }, 75},
        {"a dangling link into a missing folder", [&] { return link("none/x.G", "dangling.G"); }, 76},
        {"a link to itself", [&] { return link("loop.G", "loop.G"); }, 75},
        // A link stays a link: the file it names is replaced, and written when it does not exist yet.
        {"a link to a file", [&] { writeFile(path("real.G"), "short"); return link("real.G", "link.G"); }, 0},
        {"a dangling link into an existing folder", [&] { return link("made.G", "pointing.G"); }, 0},
        // FileName keeps the first 75 characters; the file goes under the full name.
        {"a path longer than FileName", [] { return QString(90, u'n') + ".G"; }, 0},
        {"a link of another user in a shared folder", plantedLink, 70},
        {"no block left", [&] { return tmpfs("size=16k", fillUp); }, 61},
        {"no inode left", [&] { return tmpfs("size=64k,nr_inodes=8", useAllInodes); }, 61},
        {"turned read-only", [&] { return tmpfs("size=64k", remountReadOnly); }, 70},
    };
    for (const auto& row : rows) {
        const QString target = row.target();
        if (target.isEmpty()) leftOut << row.name;
        else saveAndCheck(path(target), row.number, row.name);
    }
    if (!leftOut.isEmpty()) GTEST_SKIP() << "needs root: " << leftOut.join(", ").toStdString();
}

// Files saved together and flushed with one flush of their file system: a fault costs the one file
// it hits, and a failing file system flush falls back to flushing each file.
TEST_F(FileFaultTest, ABatchLosesOnlyTheFileThatFailed)
{
    const struct { const char* name; std::vector<F::Fault> faults; std::array<int, 3> numbers; } rows[] = {
        // numbers: the error of each file, 0: saved
        {"no fault", {}, {0, 0, 0}},
        {"file system flush fails, then the second file's own", {{F::Syncfs, 0, EIO}, {F::Fsync, 1, EIO}}, {0, 57, 0}},
        // A file system flush can succeed without writing anything: each file's own flush decides.
        {"the second file's own flush fails after the file system's", {{F::Fsync, 1, EIO}}, {0, 57, 0}},
        {"disk full while writing the second", {{F::Write, F::WriteSteps, ENOSPC}}, {0, 61, 0}},
        {"disk full when the second is closed", {{F::Close, 1, ENOSPC}}, {0, 61, 0}},
        {"the third cannot be renamed", {{F::Rename, 2, EACCES}}, {0, 0, 70}},
    };
    const auto target = [this](std::size_t i) { return path("batch" + QString::number(i) + ".G"); };
    for (const auto& row : rows) {
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
        for (std::size_t i = 0, p = 0; i < 3; ++i)
            if (const auto error = numbers[i] == 0 ? pending[p++].complete() : std::nullopt) numbers[i] = error->code();

        EXPECT_EQ(numbers, row.numbers);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(readFile(target(i)), numbers[i] == 0 ? QByteArray(3243, char('a' + i)) : "old content") << i;
        pending.clear();
        EXPECT_TRUE(calls.openFiles.empty());
        EXPECT_EQ(entries(dir.path()), QStringList({"batch0.G", "batch1.G", "batch2.G", "old.G"}));
    }
}

}  // namespace
