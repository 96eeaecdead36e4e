// gconvert end to end: real files in a temporary folder, the real program, its messages and exit status.
#include "../engine/old_file_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

namespace {

using fixtures::expectedNewFile;
using fixtures::readFile;
using fixtures::sameNewFile;
using fixtures::writeFile;

// The save stamp holds the time of the save, the one field in which two conversions may differ.
QByteArray withoutStamp(QByteArray bytes) { return bytes.size() < 1896 ? bytes : bytes.remove(1856, 40); }

class GconvertTest : public ::testing::Test {
protected:
    struct Finished { int exitCode; QString err; };

    // On a RAM disk where there is one: it keeps the many flushes of the batches cheap.
    GconvertTest()
        : dir((QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath())
              + QStringLiteral("/gconvert-XXXXXX"))
    {
        QDir(dir.path()).mkpath("in");
        QDir(dir.path()).mkpath("out");
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    Finished gconvert(const QStringList& arguments, const QString& program = QStringLiteral(GCONVERT_PATH))
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(program, arguments);
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir dir;
    const QByteArray old = fixtures::patternedOldFile();
};

// Single conversions and misuses, each with its exit status and message, then what the runs left.
TEST_F(GconvertTest, ConvertsOneFileButReplacesNothingItMustKeep)
{
    writeFile(path("old.G"), old);
    writeFile(path("kept.G"), "keep me");
    writeFile(path("forced.G"), "replace me");
    const struct { QStringList arguments; int exitCode; const char* err; } runs[] = {  // err null: any message
        {{"old.G", "kept.G"}, 1, "gconvert: old.G: skipped: kept.G exists (--force replaces it)\n"},
        {{"--force", "old.G", "forced.G"}, 0, ""},
        {{"forced.G", "again.G"}, 1, "gconvert: forced.G: not converted: Invalid file format (error 321)\n"},
        {{"--force", "old.G", "old.G"}, 1, "gconvert: old.G: not converted: the target old.G is the source file itself\n"},
        {{"--help"}, 0, ""},
        // Usage errors
        {{}, 2, nullptr}, {{"old.G"}, 2, nullptr}, {{"old.G", "a.G", "b.G"}, 2, nullptr},
        {{"-o", "missing", "old.G"}, 2, nullptr}, {{"-o", "."}, 2, nullptr}, {{"--bogus", "old.G", "new.G"}, 2, nullptr},
    };
    for (const auto& run : runs) {
        const Finished finished = gconvert(run.arguments);
        EXPECT_EQ(finished.exitCode, run.exitCode) << run.arguments.join(' ').toStdString();
        if (run.err != nullptr) { EXPECT_EQ(finished.err.toStdString(), run.err); }
    }
    EXPECT_EQ(readFile(path("kept.G")), "keep me");
    EXPECT_EQ(readFile(path("old.G")), old) << "a source is never replaced by its own conversion";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"forced.G", "kept.G", "old.G"}));
    // The stored name is the target's absolute path.
    const QByteArray written = readFile(path("forced.G")), stamp = written.mid(1856, 40);
    EXPECT_TRUE(sameNewFile(written, expectedNewFile(old, stamp.toStdString(), path("forced.G").toStdString())));
    const QRegularExpression stampForm("^\\d{1,2}\\.\\d\\d \\d{4} / \\d\\d:\\d\\d:\\d\\d *$");  // as 5.03 2027 / 09:05:07
    EXPECT_TRUE(stampForm.match(QString::fromLatin1(stamp)).hasMatch()) << stamp.toStdString();
}

// One batch over every kind of input: the good files come out whole, every other one gets its line in
// order, then the summary.
TEST_F(GconvertTest, ABatchConvertsTheGoodFilesAndNamesEachOther)
{
    QDir(dir.path()).mkpath("in/folder.G");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("in/pipe.G")).constData(), 0600), 0);  // reading it could hang
    writeFile(path("out/kept.G"), "existing");
    QByteArray inhibited = old;
    inhibited[1896] = 1;
    const QString longName = QString(90, u'l') + ".G", tooLong = QString(300, u'n') + ".G";
    const QString notConverted = "not converted: ", short62 = "Input past end of file (error 62)";
    const struct { QString name; QByteArray content; QString problem; } inputs[] = {  // null content: none written
        // An empty problem: converted.
        {"a.G", old, ""},
        {"empty.G", "", notConverted + short62},
        {"kept.G", old, "skipped: out/kept.G exists (--force replaces it)"},
        {"name with blanks.G", old, ""},
        {"truncated.G", old.left(3000), notConverted + short62},
        {"Grüße ü.G", old, ""},
        {"big.G", QByteArray(32768, '\0'), notConverted + "Overflow (error 6)"},
        {"inhibited.G", inhibited, notConverted + "the record is marked not to be saved"},
        {longName, old, ""},
        {"converted.G", expectedNewFile(old, "", "x"), notConverted + "Invalid file format (error 321)"},
        {"folder.G", QByteArray(), notConverted + "Path/File access error (error 75)"},
        {"pipe.G", QByteArray(), notConverted + "Path/File access error (error 75)"},
        {"missing.G", QByteArray(), notConverted + "File not found (error 53)"},
        {tooLong, QByteArray(), notConverted + "Bad file name or number (error 52)"},
        {"trailing blank.G ", old, ""},
    };
    QStringList arguments = {"-o", "out"}, expectedLines, converted;
    for (const auto& input : inputs) {
        if (!input.content.isNull()) writeFile(path("in/" + input.name), input.content);
        arguments << "in/" + input.name;
        if (input.problem.isEmpty()) converted << input.name.trimmed();
        else expectedLines << "gconvert: in/" + input.name + ": " + input.problem;
    }
    expectedLines << "gconvert: 5 converted, 9 failed, 1 skipped (target exists)";

    const Finished run = gconvert(arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.trimmed().split('\n').join('\n').toStdString(), expectedLines.join('\n').toStdString());
    QStringList out = converted + QStringList{"kept.G"};
    out.sort();
    EXPECT_EQ(QDir(path("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), out);
    EXPECT_EQ(readFile(path("out/kept.G")), "existing");
    for (const QString& name : converted) {
        const QByteArray written = readFile(path("out/" + name));
        // The stored name is the target's absolute path in the files' code page.
        EXPECT_TRUE(sameNewFile(written, expectedNewFile(old, written.mid(1856, 40).toStdString(),
                                                         path("out/" + name).toLatin1().toStdString())))
            << name.toStdString();
    }
    for (const auto& input : inputs) {
        if (input.content.isNull()) continue;
        EXPECT_EQ(readFile(path("in/" + input.name)), input.content) << "sources stay as they were";
    }
}

// Stopped anywhere in a batch, by an interrupt or a kill: every target is absent or whole, every
// source unchanged, and only a kill leaves temporary files, hidden and named after their targets.
TEST_F(GconvertTest, EveryTargetIsAbsentOrWholeAfterAnInterruptOrAKill)
{
    constexpr int Files = 300;
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    QStringList arguments = {"-o", path("out"), "--force"};
    std::map<QString, QByteArray> sources;  // old records of random content, not marked "do not save"
    for (int i = 0; i < Files; ++i) {
        arguments << path(QStringLiteral("in/M%1.G").arg(i, 4, 10, QChar(u'0')));
        QByteArray& record = sources[arguments.back()];
        for (char& byte : record.fill('\0', 3231)) byte = static_cast<char>(random());
        writeFile(arguments.back(), record.replace(1896, 4, QByteArray("\0\0\x01\x00", 4)));
    }
    const auto targets = [this] { return QDir(path("out")).entryList(QDir::Files | QDir::Hidden); };

    QProcess interrupted;
    interrupted.start(QStringLiteral(GCONVERT_PATH), arguments);
    QElapsedTimer timer;
    timer.start();
    while (targets().isEmpty() && timer.elapsed() < 10000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    interrupted.terminate();  // SIGTERM, as from a shutdown; Ctrl-C's SIGINT is handled alike
    interrupted.waitForFinished();
    EXPECT_EQ(interrupted.exitStatus(), QProcess::CrashExit) << "the program ends by the signal it was sent";
    for (const QString& name : targets()) {
        EXPECT_FALSE(name.startsWith('.')) << name.toStdString() << " was left behind by an interrupt";
        EXPECT_EQ(readFile(path("out/" + name)).size(), 3243) << name.toStdString();
    }

    // What every target must hold: the conversion of a run that nobody stopped. Converted files wait
    // for one common flush with a descriptor each: a low limit on open files must cost no file.
    timer.restart();
    const QStringList lowLimit = {"-c", "ulimit -n 40 && exec \"$0\" \"$@\"", GCONVERT_PATH};
    ASSERT_EQ(gconvert(lowLimit + arguments, "/bin/sh").exitCode, 0);
    const long long fullRun = timer.nsecsElapsed() / 1000;
    std::map<QString, QByteArray> expected;
    for (const QString& name : targets()) expected[name] = withoutStamp(readFile(path("out/" + name)));
    ASSERT_EQ(expected.size(), std::size_t(Files));

    // Kills land after the program has started up, anywhere in its work; a run that ended before its
    // kill shortens the later delays. Rounds end at whichever bound comes first, so the test stays
    // short on a slow or busy machine.
    timer.restart();
    gconvert({"--version"});
    const long long startUp = timer.nsecsElapsed() / 1000;
    long long longestDelay = fullRun;
    static const QRegularExpression temporary(QStringLiteral("^\\.(.+)\\.[A-Za-z0-9]{6}$"));
    int midBatch = 0, rounds = 0;
    const auto roundsEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (; rounds < 100 && std::chrono::steady_clock::now() < roundsEnd; ++rounds) {
        SCOPED_TRACE("round " + std::to_string(rounds) + ", seed " + std::to_string(seed));
        // Every other round starts empty; the others replace whole targets from before.
        if (rounds % 2 == 0) {
            QDir(path("out")).removeRecursively();
            QDir(dir.path()).mkpath("out");
        }
        QProcess gconvert;
        gconvert.start(QStringLiteral(GCONVERT_PATH), arguments);
        ASSERT_TRUE(gconvert.waitForStarted());
        std::uniform_int_distribution<long long> delay(std::min(startUp, longestDelay) / 2, longestDelay);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        if (gconvert.state() == QProcess::NotRunning) longestDelay = longestDelay * 3 / 4;
        gconvert.kill();  // SIGKILL: no clean-up of any kind
        gconvert.waitForFinished();

        int whole = 0;
        for (const QString& name : targets()) {
            if (name.startsWith('.')) {
                const QRegularExpressionMatch match = temporary.match(name);
                EXPECT_TRUE(match.hasMatch() && expected.contains(match.captured(1))) << name.toStdString();
                QFile::remove(path("out/" + name));
                continue;
            }
            ASSERT_TRUE(expected.contains(name)) << name.toStdString();
            EXPECT_TRUE(withoutStamp(readFile(path("out/" + name))) == expected[name]) << name.toStdString();
            ++whole;
        }
        if (whole > 0 && whole < Files && rounds % 2 == 0) ++midBatch;
        for (const auto& [source, bytes] : sources) ASSERT_EQ(readFile(source), bytes) << source.toStdString();
    }
    EXPECT_GT(midBatch, 0) << "no kill of " << rounds << " landed while targets were being written (full run "
                           << fullRun / 1000 << " ms, start-up " << startUp / 1000 << " ms): the rounds tested nothing";
}

}  // namespace
