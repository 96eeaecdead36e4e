// gconvert stopped in the middle of a batch: every target is absent or whole, every source unchanged.
#include "../engine/old_file_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <map>
#include <random>
#include <thread>

namespace {

constexpr int Files = 300;
// Rounds end at whichever bound comes first, so the test stays short on a slow or busy machine.
constexpr int MostRounds = 100;
constexpr auto RoundsBudget = std::chrono::seconds(20);
// The save stamp holds the time of the save, the one field in which two conversions may differ.
constexpr qsizetype StampAt = 1856, StampLength = 40;

QByteArray withoutStamp(QByteArray bytes) { return bytes.size() < StampAt + StampLength ? bytes : bytes.remove(StampAt, StampLength); }

// A RAM disk keeps the many flushes cheap; what a kill leaves behind does not depend on the disk.
QString scratchBase()
{
    return QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/gconvert-kill-XXXXXX")
                                                               : QDir::tempPath() + QStringLiteral("/gconvert-kill-XXXXXX");
}

// Runs gconvert to its end with its output kept out of the test's.
int runToEnd(const QStringList& arguments)
{
    QProcess gconvert;
    gconvert.start(QStringLiteral(GCONVERT_PATH), arguments);
    gconvert.waitForFinished(60000);
    return gconvert.exitCode();
}

// Files old records of random content in dir/in, given as arguments of a forced run into out.
std::map<QString, QByteArray> makeSources(const QTemporaryDir& dir, std::mt19937& random, QStringList& arguments)
{
    QDir(dir.path()).mkpath("in");
    std::map<QString, QByteArray> sources;
    for (int i = 0; i < Files; ++i) {
        QByteArray record(3231, '\0');
        for (char& byte : record) byte = static_cast<char>(random());
        record[1896] = record[1897] = 0;  // not marked "do not save"
        record[1898] = 1;  // an old file's format mark
        record[1899] = 0;
        const QString source = dir.filePath(QStringLiteral("in/M%1.G").arg(i, 4, 10, QChar(u'0')));
        fixtures::writeFile(source, record);
        sources[source] = record;
        arguments << source;
    }
    return sources;
}

TEST(GconvertKill, AnInterruptLeavesNoTemporaryFile)
{
    QTemporaryDir dir(scratchBase());
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath("out");
    QDir(out).mkpath(".");
    std::mt19937 random(std::random_device{}());
    QStringList arguments = {"-o", out};
    makeSources(dir, random, arguments);

    QProcess gconvert;
    gconvert.start(QStringLiteral(GCONVERT_PATH), arguments);
    ASSERT_TRUE(gconvert.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (QDir(out).isEmpty(QDir::Files | QDir::Hidden) && waited.elapsed() < 10000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    gconvert.terminate();  // SIGTERM, as from a shutdown; Ctrl-C's SIGINT is handled alike
    gconvert.waitForFinished();

    EXPECT_EQ(gconvert.exitStatus(), QProcess::CrashExit) << "the program ends by the signal it was sent";
    for (const QString& name : QDir(out).entryList(QDir::Files | QDir::Hidden)) {
        EXPECT_FALSE(name.startsWith('.')) << name.toStdString() << " was left behind";
        EXPECT_EQ(fixtures::readFile(out + '/' + name).size(), 3243) << name.toStdString();
    }
}

TEST(GconvertKill, EveryTargetIsAbsentOrWholeAfterAKill)
{
    QTemporaryDir dir(scratchBase());
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath("out");

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::cout << "seed " << seed << '\n';
    QStringList arguments = {"-o", out, "--force"};
    const std::map<QString, QByteArray> sources = makeSources(dir, random, arguments);

    // What every target must hold: the conversion of a run that nobody stopped.
    QElapsedTimer timer;
    timer.start();
    QDir(out).mkpath(".");
    ASSERT_EQ(runToEnd(arguments), 0);
    const auto fullRun = std::chrono::microseconds(timer.nsecsElapsed() / 1000);
    std::map<QString, QByteArray> expected;
    for (const QString& name : QDir(out).entryList(QDir::Files)) expected[name] = withoutStamp(fixtures::readFile(out + '/' + name));
    ASSERT_EQ(expected.size(), std::size_t(Files));

    static const QRegularExpression temporary(QStringLiteral("^\\.(.+)\\.[A-Za-z0-9]{6}$"));
    // Kills land after the program has started up, anywhere in its work; a run that ended before its
    // kill shortens the later delays.
    timer.restart();
    runToEnd({"--version"});
    const long long startUp = timer.nsecsElapsed() / 1000;
    long long longestDelay = fullRun.count();
    int midBatch = 0, rounds = 0;
    const auto roundsEnd = std::chrono::steady_clock::now() + RoundsBudget;
    for (; rounds < MostRounds && std::chrono::steady_clock::now() < roundsEnd; ++rounds) {
        SCOPED_TRACE("round " + std::to_string(rounds) + ", seed " + std::to_string(seed));
        // Every other round starts empty; the others replace whole targets from before.
        if (rounds % 2 == 0) {
            QDir(out).removeRecursively();
            QDir(out).mkpath(".");
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
        for (const QString& name : QDir(out).entryList(QDir::Files | QDir::Hidden)) {
            if (name.startsWith('.')) {
                // A temporary file a kill left behind: hidden, named after its target, never under its name.
                const QRegularExpressionMatch match = temporary.match(name);
                EXPECT_TRUE(match.hasMatch() && expected.contains(match.captured(1))) << name.toStdString();
                QFile::remove(out + '/' + name);
                continue;
            }
            ASSERT_TRUE(expected.contains(name)) << name.toStdString();
            const QByteArray written = withoutStamp(fixtures::readFile(out + '/' + name));
            EXPECT_TRUE(written == expected[name]) << name.toStdString() << " holds " << written.size() << " bytes";
            ++whole;
        }
        if (whole > 0 && whole < Files && rounds % 2 == 0) ++midBatch;
        for (const auto& [source, bytes] : sources) ASSERT_EQ(fixtures::readFile(source), bytes) << source.toStdString();
    }
    std::cout << rounds << " rounds, " << midBatch << " fresh ones killed with some of the targets written; full run "
              << fullRun.count() / 1000 << " ms, start-up " << startUp / 1000 << " ms\n";
    EXPECT_GT(midBatch, 0) << "no kill landed while targets were being written: the rounds tested nothing";
}

}  // namespace
