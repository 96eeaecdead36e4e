// gconvert end to end: real files in a temporary folder, the real program, its messages and exit status.
#include "gconvert_run.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>

#include <signal.h>
#include <sys/stat.h>

#include <random>
#include <thread>

namespace {

using fixtures::expectedNewFile;
using fixtures::readFile;
using fixtures::sameNewFile;
using fixtures::writeFile;

// The save stamp holds the time of the save, the one field in which two conversions may differ.
QByteArray withoutStamp(QByteArray bytes) { return bytes.size() < 1896 ? bytes : bytes.remove(1856, 40); }

// A converted file as it must be, whatever moment its stamp took; the stored name is in the files'
// code page, which agrees with Latin-1 on the letters the tests use.
::testing::AssertionResult convertedFrom(const QByteArray& old, const QByteArray& written, const QString& savedAs)
{
    return sameNewFile(written, expectedNewFile(old, written.mid(1856, 40).toStdString(), savedAs.toLatin1().toStdString()));
}

// Single conversions and misuses, each with its exit status and message, then what the runs left.
TEST_F(GconvertTest, ConvertsOneFileButReplacesNothingItMustKeep)
{
    writeFile(path("old.G"), old);
    writeFile(path("kept.G"), "keep me");
    writeFile(path("forced.G"), "replace me");
    QFile::link(path("old.G"), path("link.G"));
    const QString itself = "not converted: the target %1 is the source file itself\n";
    const struct { QStringList arguments; int exitCode; QString err; } runs[] = {  // err null: any message
        {{"old.G", "kept.G"}, 1, "gconvert: old.G: skipped: kept.G exists (--force replaces it)\n"},
        {{"--force", "old.G", "forced.G"}, 0, ""},
        {{"forced.G", "again.G"}, 1, "gconvert: forced.G: not converted: Invalid file format (error 321)\n"},
        // The source named as its own target, however it is spelled.
        {{"--force", "old.G", "old.G"}, 1, "gconvert: old.G: " + itself.arg("old.G")},
        {{"--force", "./old.G", path("old.G")}, 1, "gconvert: ./old.G: " + itself.arg(path("old.G"))},
        {{"--force", "old.G", "link.G"}, 1, "gconvert: old.G: " + itself.arg("link.G")},
        {{"-o", ".", "--force", "old.G"}, 1,
         "gconvert: old.G: " + itself.arg("./old.G") + "gconvert: 0 converted, 1 failed, 0 skipped (target exists)\n"},
        {{"--force", "old.G", "in/"}, 1,
         "gconvert: old.G: not converted: cannot write in/: Path/File access error (error 75)\n"},
        {{"--help"}, 0, ""},
        // Usage errors
        {{}, 2, {}}, {{"old.G"}, 2, {}}, {{"old.G", "a.G", "b.G"}, 2, {}}, {{"-r", "old.G", "a.G"}, 2, {}},
        {{"-o", "missing", "old.G"}, 2, {}}, {{"-o", "."}, 2, {}}, {{"--bogus", "old.G", "new.G"}, 2, {}},
        {{"--files0-from", "-", "-o", "out", "old.G"}, 2, {}},
    };
    for (const auto& run : runs) {
        const Finished finished = gconvert(run.arguments);
        EXPECT_EQ(finished.exitCode, run.exitCode) << run.arguments.join(' ').toStdString();
        if (!run.err.isNull()) { EXPECT_EQ(finished.err.toStdString(), run.err.toStdString()); }
    }
    EXPECT_EQ(readFile(path("kept.G")), "keep me");
    EXPECT_EQ(readFile(path("old.G")), old) << "a source is never replaced by its own conversion";
    // The stored name is the target's absolute path, the stamp the time of the save.
    const QByteArray written = readFile(path("forced.G")), stamp = written.mid(1856, 40);
    EXPECT_TRUE(convertedFrom(old, written, path("forced.G")));
    const QRegularExpression stampForm("^\\d{1,2}\\.\\d\\d \\d{4} / \\d\\d:\\d\\d:\\d\\d *$");  // as 5.03 2027 / 09:05:07
    EXPECT_TRUE(stampForm.match(QString::fromLatin1(stamp)).hasMatch()) << stamp.toStdString();
}

// One batch over every kind of outcome, named in a list (as `find -print0` writes it): the good files
// come out whole, every other one gets its line in order, then the summary.
TEST_F(GconvertTest, ABatchConvertsTheGoodFilesAndNamesEachOther)
{
    QDir(dir.path()).mkpath("in/folder.G");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("in/pipe.G")).constData(), 0600), 0);  // reading it could hang
    writeFile(path("out/kept.G"), "existing");
    QByteArray inhibited = old;
    inhibited[1896] = 1;
    const QString notConverted = "not converted: ", short62 = "Input past end of file (error 62)";
    const struct { QString name; QByteArray content; QString problem; } inputs[] = {  // null content: none written
        {"folder.G", QByteArray(), notConverted + "a folder (-r converts folders)"},  // refused before the run
        {"a.G", old, ""},                                                             // no problem: converted
        {"empty.G", "", notConverted + short62},
        {"kept.G", old, "skipped: out/kept.G exists (--force replaces it)"},
        {"Grüße ü.G", old, ""},
        {"with\nnewline.G", old, ""},
        {"../in/a.G", QByteArray(), "not converted: out/a.G is the target of an earlier file"},
        {"inhibited.G", inhibited, notConverted + "the record is marked not to be saved"},
        {QString(90, u'l') + ".G", old, ""},
        {"pipe.G", QByteArray(), notConverted + "Path/File access error (error 75)"},
        {"trailing blank.G ", old, ""},
    };
    QByteArray list;
    QStringList expectedLines, converted;
    for (const auto& input : inputs) {
        if (!input.content.isNull()) writeFile(path("in/" + input.name), input.content);
        list += ("in/" + input.name).toUtf8() + '\0';
        if (input.problem.isEmpty()) converted << input.name.trimmed();
        else expectedLines << "gconvert: in/" + input.name + ": " + input.problem;
    }
    expectedLines << "gconvert: 5 converted, 5 failed, 1 skipped (target exists)";

    const Finished run = gconvert({"--files0-from", "-", "-o", "out"}, list);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.trimmed().toStdString(), expectedLines.join('\n').toStdString());
    EXPECT_EQ(tree("out").size(), std::size_t(converted.size() + 1));
    EXPECT_EQ(readFile(path("out/kept.G")), "existing");
    for (const QString& name : converted)
        EXPECT_TRUE(convertedFrom(old, readFile(path("out/" + name)), path("out/" + name))) << name.toStdString();
}

// A tree is mirrored: its measurement files, through links to files but not into linked folders; a
// dry run tells exactly what the real run then does, and a second run skips every file.
TEST_F(GconvertTest, ATreeIsMirroredAndADryRunForetellsTheRun)
{
    for (const char* name : {"in/a.G", "in/x/b.G", "in/x/y/c.G", "in/x/y/d.G", "elsewhere/e.G"}) put(name, old);
    writeFile(path("in/x/notes.txt"), "notes");
    writeFile(path("in/x/short.G"), "short");
    QDir().mkpath(path("in/empty"));
    QFile::link(path("elsewhere/e.G"), path("in/x/linked.G"));
    QFile::link(path("elsewhere"), path("in/x/linked folder"));
    const QStringList arguments = {"-r", "-v", "-o", "out", "in"};

    const Finished dryRun = gconvert(arguments + QStringList{"--dry-run"});
    EXPECT_TRUE(tree("out").empty()) << "a dry run writes nothing";
    const Finished run = gconvert(arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(dryRun.exitCode, 1);
    EXPECT_EQ(QString(dryRun.out).replace("would convert: ", "converted: "), run.out);
    EXPECT_EQ(dryRun.err, QString(run.err).replace("gconvert: 5 converted", "gconvert: dry run: 5 converted"));
    EXPECT_TRUE(run.err.startsWith("gconvert: in/x/short.G: not converted: Input past end of file (error 62)\n"));
    EXPECT_EQ(run.out.toStdString(), "passed over: in/x/linked folder\n"
                                     "passed over: in/x/notes.txt\n"
                                     "converted: in/a.G -> out/a.G\n"
                                     "converted: in/x/b.G -> out/x/b.G\n"
                                     "converted: in/x/linked.G -> out/x/linked.G\n"
                                     "converted: in/x/y/c.G -> out/x/y/c.G\n"
                                     "converted: in/x/y/d.G -> out/x/y/d.G\n");
    EXPECT_EQ(tree("out").size(), 5u);
    EXPECT_TRUE(convertedFrom(old, readFile(path("out/x/y/c.G")), path("out/x/y/c.G")));

    const Finished again = gconvert(arguments);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.endsWith("gconvert: 0 converted, 1 failed, 5 skipped (target exists)\n")) << again.err.toStdString();
}

// A FAT file system, as on a lab's USB stick: no unnamed files, no permissions, locks only in memory.
TEST_F(GconvertTest, ConvertsOntoAFatFileSystem)
{
    const QString image = path("stick.img"), stick = path("stick");
    if (!QDir().mkpath(stick) || QProcess::execute("mkfs.vfat", {"-C", image, "4096"}) != 0
        || QProcess::execute("fusefat", {"-o", "rw+", image, stick}) != 0)
        GTEST_SKIP() << "no FAT file system here: needs mkfs.vfat, fusefat and FUSE";
    const auto unmount = qScopeGuard([&] { QProcess::execute("fusermount", {"-u", stick}); });
    for (const char* name : {"in/a.G", "in/sub/b.G"}) put(name, old);
    for (const QStringList& run : {QStringList{"-r", "-o", "stick", "in"}, QStringList{"-r", "--force", "-o", "stick", "in"}}) {
        const Finished finished = gconvert(run);
        ASSERT_EQ(finished.exitCode, 0) << finished.err.toStdString();
        for (const char* name : {"stick/a.G", "stick/sub/b.G"})
            EXPECT_TRUE(convertedFrom(old, readFile(path(name)), path(name))) << name;
    }
    EXPECT_EQ(tree("stick").size(), 2u);
}

class GconvertRunsTest : public GconvertTest {
protected:
    static constexpr int Files = 300;

    // Old records of random content in three folders, not marked "do not save", and their conversions.
    void SetUp() override
    {
        std::mt19937 random(seed);
        for (int i = 0; i < Files; ++i) {
            const QString name = QStringLiteral("in/%1/M%2.G").arg(i % 3).arg(i, 4, 10, QChar(u'0'));
            QByteArray& record = sources[name];
            for (char& byte : record.fill('\0', 3231)) byte = static_cast<char>(random());
            put(name, record.replace(1896, 4, QByteArray("\0\0\x01\x00", 4)));
        }
        ASSERT_EQ(gconvert(arguments).exitCode, 0);
        for (const auto& [name, bytes] : tree("out")) expected[name] = withoutStamp(bytes);
        ASSERT_EQ(expected.size(), std::size_t(Files));
    }

    // Every target absent or a whole conversion, every source unchanged; the temporaries found, named
    // after their targets.
    QStringList checkTargets()
    {
        static const QRegularExpression temporary(QStringLiteral("^(.*/)?\\.(.+)\\.part-[A-Za-z0-9]{6}$"));
        QStringList temporaries;
        for (const auto& [name, bytes] : tree("out")) {
            if (const QRegularExpressionMatch match = temporary.match(name); match.hasMatch()) {
                EXPECT_TRUE(expected.contains(match.captured(1) + match.captured(2))) << name.toStdString();
                temporaries << name;
            } else {
                EXPECT_TRUE(expected.contains(name) && withoutStamp(bytes) == expected[name]) << name.toStdString();
            }
        }
        for (const auto& [name, bytes] : sources) EXPECT_EQ(readFile(path(name)), bytes) << name.toStdString();
        return temporaries;
    }

    // A run stopped (SIGSTOP) while it holds temporaries; nullptr when every try ended first.
    std::unique_ptr<QProcess> stoppedWithTemporaries()
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            QDir(path("out")).removeRecursively();
            std::unique_ptr<QProcess> process = start(arguments);
            while (process->state() == QProcess::Running && checkTargets().isEmpty()) {}
            ::kill(static_cast<pid_t>(process->processId()), SIGSTOP);
            if (process->state() == QProcess::Running && !checkTargets().isEmpty()) return process;
            ::kill(static_cast<pid_t>(process->processId()), SIGCONT);
            process->waitForFinished();
        }
        return nullptr;
    }

    const unsigned seed = std::random_device{}();
    const QStringList arguments = {"-r", "--force", "-o", "out", "in"};
    std::map<QString, QByteArray> sources, expected;
};

// A run that holds temporaries keeps them while another run writes into the same folder; an
// interrupt then ends it between two files, with its files in place and nothing left behind.
TEST_F(GconvertRunsTest, ALiveRunKeepsItsTemporariesAndAnInterruptLeavesNone)
{
    const std::unique_ptr<QProcess> live = stoppedWithTemporaries();
    ASSERT_NE(live, nullptr) << "no run could be caught holding temporaries";
    const QStringList held = checkTargets();
    writeFile(path("other.G"), sources.begin()->second);
    EXPECT_EQ(gconvert({"other.G", "out/0/other.G"}).exitCode, 0);
    for (const QString& name : held) EXPECT_TRUE(QFile::exists(path("out/" + name))) << name.toStdString();
    QFile::remove(path("out/0/other.G"));

    ::kill(static_cast<pid_t>(live->processId()), SIGTERM);  // as from a shutdown; Ctrl-C's SIGINT alike
    ::kill(static_cast<pid_t>(live->processId()), SIGCONT);
    live->waitForFinished();
    EXPECT_EQ(live->exitStatus(), QProcess::CrashExit) << "the program ends by the signal it was sent";
    EXPECT_TRUE(checkTargets().isEmpty()) << "an interrupt leaves no temporary";
}

// Killed at random moments, then run again: no target is ever damaged, and the rerun leaves every
// target whole and no temporary anywhere.
TEST_F(GconvertRunsTest, AKilledRunIsMendedByItsRerun)
{
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(gconvert(arguments).exitCode, 0);
    const long long fullRun = timer.nsecsElapsed() / 1000;
    std::mt19937 random(seed);
    int midBatch = 0, rounds = 0;
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
         rounds < 40 && std::chrono::steady_clock::now() < end; ++rounds) {
        SCOPED_TRACE("round " + std::to_string(rounds) + ", seed " + std::to_string(seed));
        if (rounds % 2 == 0) QDir(path("out")).removeRecursively();  // every other round starts empty
        const std::unique_ptr<QProcess> killed = start(arguments);
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<long long>(0, fullRun)(random)));
        killed->kill();  // SIGKILL: no clean-up of any kind
        killed->waitForFinished();
        if (!checkTargets().isEmpty()) ++midBatch;

        ASSERT_EQ(gconvert(arguments).exitCode, 0);
        EXPECT_TRUE(checkTargets().isEmpty()) << "the rerun removes what the killed run left";
        EXPECT_EQ(tree("out").size(), std::size_t(Files));
    }
    EXPECT_GT(midBatch, 0) << "no kill of " << rounds << " landed while files were being written (full run "
                           << fullRun / 1000 << " ms): the rounds tested nothing";
}

}  // namespace
