// gconvert end to end: real files in a temporary folder, the real program, its messages and exit status.
#include "gconvert_run.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>

#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <random>
#include <thread>

namespace {

using fixtures::expectedNewFile;
using fixtures::readFile;
using fixtures::sameNewFile;
using fixtures::writeFile;

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
    // A name that is no UTF-8, as archives from other systems hold, is taken byte for byte.
    std::ofstream(QFile::encodeName(dir.path()).toStdString() + "/M\xE4ss.G", std::ios::binary) << old.toStdString();
    QProcess byBytes;
    byBytes.setWorkingDirectory(dir.path());
    byBytes.start("/bin/sh", {"-c", R"sh(exec "$0" "$(printf 'M\344ss.G')" latin.G)sh", GCONVERT_PATH});
    EXPECT_TRUE(byBytes.waitForFinished() && byBytes.exitCode() == 0 && QFile::exists(path("latin.G")));
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
        {"em\npty.G", "", notConverted + short62},  // its line stays one line
        {"kept.G", old, "skipped: out/kept.G exists (--force replaces it)"},
        {"Grüße ü.G", old, ""},
        {"with\nnewline.G", old, ""},
        {"../in/a.G", QByteArray(), "not converted: out/a.G is the target of an earlier file"},
        {"inhibited.G", inhibited, notConverted + "the record is marked not to be saved"},
        {"pipe.G", QByteArray(), notConverted + "Path/File access error (error 75)"},
        {"trailing blank.G ", old, ""},
    };
    QByteArray list;
    QStringList expectedLines, converted;
    for (const auto& input : inputs) {
        if (!input.content.isNull()) writeFile(path("in/" + input.name), input.content);
        list += ("in/" + input.name).toUtf8() + '\0';
        if (input.problem.isEmpty()) converted << input.name.trimmed();
        else expectedLines << "gconvert: in/" + QString(input.name).replace("\n", "\\n") + ": " + input.problem;
    }
    expectedLines << "gconvert: 4 converted, 5 failed, 1 skipped (target exists)";

    const Finished run = gconvert({"--files0-from", "-", "-o", "out"}, list);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.trimmed().toStdString(), expectedLines.join('\n').toStdString());
    EXPECT_EQ(tree("out").size(), std::size_t(converted.size() + 1));
    EXPECT_EQ(readFile(path("out/kept.G")), "existing");
    for (const QString& name : converted)
        EXPECT_TRUE(convertedFrom(old, readFile(path("out/" + name)), path("out/" + name))) << name.toStdString();
}

// A tree is mirrored: its measurement files (A.G and a.G two of them, names telling case apart here),
// through links to files but not into linked folders; a dry run tells exactly what the real run then
// does, and a second run skips every file.
TEST_F(GconvertTest, ATreeIsMirroredAndADryRunForetellsTheRun)
{
    for (const char* name : {"in/A.G", "in/a.G", "in/x/b.G", "in/x/y/c.G", "in/x/y/d.G", "elsewhere/e.G"}) put(name, old);
    writeFile(path("in/x/notes.txt"), "notes");
    writeFile(path("in/x/short.G"), "short");
    QDir().mkpath(path("in/empty"));
    QFile::link(path("elsewhere/e.G"), path("in/x/linked.G"));
    QFile::link(path("elsewhere"), path("in/x/linked folder"));
    const QStringList arguments = {"-r", "-v", "-o", "out", "in"};

    const Finished dryRun = gconvert(arguments + QStringList{"--dry-run"});
    EXPECT_TRUE(QDir(path("out")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        << "a dry run writes nothing, not even a folder";
    const Finished run = gconvert(arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(dryRun.exitCode, 1);
    EXPECT_EQ(QString(dryRun.out).replace("would convert: ", "converted: "), run.out);
    EXPECT_EQ(dryRun.err, QString(run.err).replace("gconvert: 6 converted", "gconvert: dry run: 6 converted"));
    EXPECT_TRUE(run.err.startsWith("gconvert: in/x/short.G: not converted: Input past end of file (error 62)\n"));
    EXPECT_EQ(run.out.toStdString(), "passed over: in/x/linked folder\n"
                                     "passed over: in/x/notes.txt\n"
                                     "converted: in/A.G -> out/A.G\n"
                                     "converted: in/a.G -> out/a.G\n"
                                     "converted: in/x/b.G -> out/x/b.G\n"
                                     "converted: in/x/linked.G -> out/x/linked.G\n"
                                     "converted: in/x/y/c.G -> out/x/y/c.G\n"
                                     "converted: in/x/y/d.G -> out/x/y/d.G\n");
    EXPECT_EQ(tree("out").size(), 6u);

    const Finished again = gconvert(arguments);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.endsWith("gconvert: 0 converted, 1 failed, 6 skipped (target exists)\n")) << again.err.toStdString();
}

// An output folder inside the tree it converts is left out of the walk however it is named, so that a
// rerun that replaces converts the old files again, not its own.
TEST_F(GconvertTest, AnOutputFolderInsideTheTreeIsLeftOut)
{
    for (const char* name : {"in/a.G", "in/x/b.G"}) put(name, old);
    QFile::link(path("in/conv"), path("link"));
    for (const QString output : {"in/conv", "link", "in/x/../conv/"}) {
        const Finished run = gconvert({"-r", "--force", "-o", output, "in"});
        EXPECT_EQ(run.exitCode, 0) << output.toStdString();
        EXPECT_EQ(run.err, "gconvert: 2 converted, 0 failed, 0 skipped (target exists)\n") << output.toStdString();
    }
}

// An empty name in a list is refused by its place there; the NUL that ends the last name holds none.
TEST_F(GconvertTest, AnEmptyNameInAListIsRefusedByItsPlace)
{
    for (const char* name : {"a.G", "b.G"}) put(name, old);
    writeFile(path("list"), QByteArray("a.G\0\0b.G\0", 9));
    const QString all = "gconvert: 2 converted, 0 failed, 0 skipped (target exists)\n";
    const struct { QString list; QByteArray input; int exitCode; QString err; } rows[] = {
        {"-", QByteArray("a.G\0\0b.G\0", 9), 1, "gconvert: -: name 2: empty file name\n" + QString(all).replace("0 failed", "1 failed")},
        {"list", {}, 1, "gconvert: list: name 2: empty file name\n" + QString(all).replace("0 failed", "1 failed")},
        {"-", QByteArray("a.G\0b.G\0", 8), 0, all},
    };
    for (const auto& row : rows) {
        const Finished run = gconvert({"--force", "--files0-from", row.list, "-o", "out"}, row.input);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.err.toStdString(), row.err.toStdString());
    }
}

// A FAT file system, as on a lab's USB stick: no unnamed files, no permissions, locks only in memory,
// names blind to case, so that A.G and a.G, two measurements, name one target: the second is refused.
TEST_F(GconvertTest, ConvertsOntoAFatFileSystem)
{
    const QString image = path("stick.img"), stick = path("stick");
    if (!QDir().mkpath(stick) || QProcess::execute("mkfs.vfat", {"-C", image, "4096"}) != 0
        || QProcess::execute("fusefat", {"-o", "rw+", image, stick}) != 0)
        GTEST_SKIP() << "no FAT file system here: needs mkfs.vfat, fusefat and FUSE";
    const auto unmount = qScopeGuard([&] { QProcess::execute("fusermount", {"-u", stick}); });
    for (const char* name : {"in/a.G", "in/sub/b.G"}) put(name, old);
    put("in/A.G", QByteArray(old).replace(8, 8, "another "));
    // The first run, with a descriptor to spare, puts each file in place before it begins the next,
    // so that a.G's check finds A.G; the second puts both in place in one go.
    for (const char* run : {"ulimit -n 34 && exec \"$0\" -r -o stick in", "exec \"$0\" -r --force -o stick in"}) {
        QProcess gconvert;
        gconvert.setWorkingDirectory(dir.path());
        gconvert.start("/bin/sh", {"-c", run, GCONVERT_PATH});
        EXPECT_TRUE(gconvert.waitForFinished() && gconvert.exitCode() == 1);
        EXPECT_TRUE(QString(gconvert.readAllStandardError())
                        .startsWith("gconvert: in/a.G: not converted: stick/a.G is the target of an earlier file\n")) << run;
        EXPECT_TRUE(convertedFrom(read("in/A.G"), readFile(path("stick/A.G")), path("stick/A.G")));
    }
    EXPECT_EQ(tree("stick").size(), 2u) << "A.G and sub/b.G";
}

// Killed (SIGKILL) or interrupted (SIGTERM, as from a shutdown; Ctrl-C's SIGINT alike) at random
// moments, then run again: no target is ever damaged, an interrupted run ends by its signal and
// leaves no temporary, and the rerun leaves every target whole and no temporary anywhere.
TEST_F(GconvertTest, AStoppedRunIsMendedByItsRerun)
{
    // Old records of random content in three folders, not marked "do not save".
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::map<QString, QByteArray> sources;
    for (int i = 0; i < 300; ++i) {
        QByteArray& record = sources[QStringLiteral("%1/M%2.G").arg(i % 3).arg(i, 4, 10, QChar(u'0'))];
        for (char& byte : record.fill('\0', 3231)) byte = static_cast<char>(random());
        record.replace(1896, 4, QByteArray("\0\0\x01\x00", 4));
    }
    for (const auto& [name, record] : sources) put("in/" + name, record);
    // Every target absent or a whole conversion, every source unchanged; the temporaries found, named
    // after their targets.
    const auto checkTargets = [&] {
        static const QRegularExpression temporary(QStringLiteral("^(.*/)?\\.(.+)\\.part-[A-Za-z0-9]{6}$"));
        QStringList temporaries;
        for (const auto& [name, bytes] : tree("out")) {
            const QRegularExpressionMatch match = temporary.match(name);
            if (match.hasMatch()) temporaries << name;
            const QString target = match.hasMatch() ? match.captured(1) + match.captured(2) : name;
            EXPECT_TRUE(sources.contains(target) && (match.hasMatch() || convertedFrom(sources[target], bytes, path("out/" + name))))
                << name.toStdString();
        }
        for (const auto& [name, bytes] : sources) EXPECT_EQ(read("in/" + name), bytes) << name.toStdString();
        return temporaries;
    };
    const QStringList arguments = {"-r", "--force", "-o", "out", "in"};
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(gconvert(arguments).exitCode, 0);
    const long long fullRun = timer.nsecsElapsed() / 1000;
    int killedMidBatch = 0, interrupted = 0, rounds = 0;
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
         rounds < 40 && std::chrono::steady_clock::now() < end; ++rounds) {
        SCOPED_TRACE("round " + std::to_string(rounds) + ", seed " + std::to_string(seed));
        if (rounds % 2 == 0) QDir(path("out")).removeRecursively();  // every other round starts empty
        const bool interrupt = rounds % 3 == 2;
        const std::unique_ptr<QProcess> stopped = start(arguments);
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<long long>(0, fullRun)(random)));
        ::kill(static_cast<pid_t>(stopped->processId()), interrupt ? SIGTERM : SIGKILL);
        stopped->waitForFinished();
        const bool leftTemporaries = !checkTargets().isEmpty();
        // A run that ended before its signal came has nothing to show.
        if (interrupt && stopped->exitStatus() == QProcess::CrashExit) ++interrupted;
        if (interrupt) { EXPECT_FALSE(leftTemporaries) << "an interrupt leaves no temporary"; }
        else if (leftTemporaries) ++killedMidBatch;

        ASSERT_EQ(gconvert(arguments).exitCode, 0);
        EXPECT_TRUE(checkTargets().isEmpty()) << "the rerun removes what the killed run left";
        EXPECT_EQ(tree("out").size(), sources.size());
    }
    EXPECT_TRUE(killedMidBatch > 0 && interrupted > 0)
        << "of " << rounds << " rounds, " << killedMidBatch << " kills and " << interrupted
        << " interrupts landed while files were being written (full run " << fullRun / 1000 << " ms)";
}

}  // namespace
