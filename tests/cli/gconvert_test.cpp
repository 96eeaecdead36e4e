// gconvert end to end: real files in a temporary folder, the real program, its exit status.
#include "../engine/old_file_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using fixtures::readFile;
using fixtures::writeFile;

struct Finished {
    int exitCode;
    QString err;
};

class GconvertTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    Finished gconvert(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(GCONVERT_PATH), arguments);
        process.waitForFinished(30000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir dir;
    const QByteArray old = fixtures::patternedOldFile();
};

TEST_F(GconvertTest, ConvertsOneFileAndStoresItsAbsolutePath)
{
    writeFile(path("old.G"), old);
    const Finished run = gconvert({"old.G", "new.G"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    const QByteArray written = readFile(path("new.G"));
    ASSERT_EQ(written.size(), 3243);
    EXPECT_EQ(written.mid(2029, 75), path("new.G").toLatin1().leftJustified(75, ' ', true));
    const QByteArray stamp = written.mid(1856, 40);
    EXPECT_EQ(written, fixtures::expectedNewFile(old, stamp.toStdString(), path("new.G").toStdString()));
    EXPECT_TRUE(QRegularExpression("^\\d{1,2}\\.\\d\\d \\d{4} / \\d\\d:\\d\\d:\\d\\d *$").match(QString::fromLatin1(stamp)).hasMatch())
        << stamp.toStdString();
}

TEST_F(GconvertTest, AnExistingTargetIsKeptUnlessForced)
{
    writeFile(path("old.G"), old);
    writeFile(path("new.G"), "keep me");
    Finished run = gconvert({"old.G", "new.G"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("new.G exists")) << run.err.toStdString();
    EXPECT_EQ(readFile(path("new.G")), QByteArray("keep me"));

    run = gconvert({"--force", "old.G", "new.G"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(path("new.G")).size(), 3243);

    run = gconvert({"new.G", "again.G"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "gconvert: new.G: not converted: Invalid file format (error 321)\n");
    EXPECT_FALSE(QFileInfo::exists(path("again.G")));

    run = gconvert({"--force", "old.G", "old.G"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(readFile(path("old.G")), old) << "a source is never replaced by its own conversion";
}

TEST_F(GconvertTest, ABatchGoesOnPastFailuresAndSumsUp)
{
    QDir(dir.path()).mkpath("in");
    QDir(dir.path()).mkpath("out");
    QByteArray inhibited = old;
    inhibited[1896] = 1;
    writeFile(path("in/a.G"), old);
    writeFile(path("in/b.G"), old);
    writeFile(path("in/big.G"), QByteArray(40000, '\0'));
    writeFile(path("in/inhibited.G"), inhibited);
    writeFile(path("out/b.G"), "existing");

    const Finished run = gconvert({"-o", "out", "in/a.G", "in/b.G", "in/big.G", "in/inhibited.G", "in/none.G"});
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines, QStringList({
                         "gconvert: in/b.G: skipped: out/b.G exists (--force replaces it)",
                         "gconvert: in/big.G: not converted: Overflow (error 6)",
                         "gconvert: in/inhibited.G: not converted: the record is marked not to be saved",
                         "gconvert: in/none.G: not converted: File not found (error 53)",
                         "gconvert: 1 converted, 3 failed, 1 skipped (target exists)",
                     }));
    EXPECT_EQ(readFile(path("out/a.G")).size(), 3243);
    EXPECT_EQ(readFile(path("out/b.G")), QByteArray("existing"));
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files | QDir::Hidden), QStringList({"a.G", "b.G"}));
}

// One run over every kind of bad input: the good files come out whole, each bad one gets its own line.
TEST_F(GconvertTest, AMixedBatchConvertsTheGoodAndNamesEachBadFile)
{
    QDir(dir.path()).mkpath("in/folder.G");
    QDir(dir.path()).mkpath("out");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("in/pipe.G")).constData(), 0600), 0);  // reading it could hang
    QByteArray converted = fixtures::expectedNewFile(old, "1.01 2000 / 00:00:00", "x");
    const QString longName = QString(90, u'l') + ".G", tooLong = QString(300, u'n') + ".G";
    struct Input {
        QString name;
        QByteArray content;  // null: nothing is written
        QString problem;     // empty: converted
    };
    const Input inputs[] = {
        {"a.G", old, ""},
        {"empty.G", "", "Input past end of file (error 62)"},
        {"name with blanks.G", old, ""},
        {"truncated.G", old.left(3000), "Input past end of file (error 62)"},
        {"Grüße ü.G", old, ""},
        {"big.G", QByteArray(32768, '\0'), "Overflow (error 6)"},
        {longName, old, ""},
        {"converted.G", converted, "Invalid file format (error 321)"},
        {"folder.G", QByteArray(), "Path/File access error (error 75)"},
        {"pipe.G", QByteArray(), "Path/File access error (error 75)"},
        {"missing.G", QByteArray(), "File not found (error 53)"},
        {tooLong, QByteArray(), "Bad file name or number (error 52)"},
        {"trailing blank.G ", old, ""},
    };
    QStringList arguments = {"-o", "out"}, expectedLines, expectedOut;
    for (const Input& input : inputs) {
        if (!input.content.isNull()) writeFile(path("in/" + input.name), input.content);
        arguments << "in/" + input.name;
        if (input.problem.isEmpty())
            expectedOut << input.name.trimmed();
        else
            expectedLines << "gconvert: in/" + input.name + ": not converted: " + input.problem;
    }
    expectedLines << "gconvert: 5 converted, 8 failed, 0 skipped (target exists)";

    const Finished run = gconvert(arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.split('\n', Qt::SkipEmptyParts), expectedLines);
    expectedOut.sort();
    EXPECT_EQ(QDir(path("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), expectedOut);
    for (const QString& name : expectedOut) {
        const QByteArray written = readFile(path("out/" + name));
        // The stored name is the target's absolute path in the files' code page.
        EXPECT_EQ(written, fixtures::expectedNewFile(old, written.mid(1856, 40).toStdString(),
                                                     path("out/" + name).toLatin1().toStdString()))
            << name.toStdString();
    }
    for (const Input& input : inputs) {
        if (!input.content.isNull()) {
            EXPECT_EQ(readFile(path("in/" + input.name)), input.content) << "sources stay as they were";
        }
    }
}

// Converted files wait for one common flush with a descriptor each: a low limit on open files must
// not make the files after the first few dozen fail.
TEST_F(GconvertTest, ALowLimitOnOpenFilesCostsNoFile)
{
    QDir(dir.path()).mkpath("in");
    QDir(dir.path()).mkpath("out");
    QStringList arguments = {"-c", "ulimit -n 40 && exec \"$0\" \"$@\"", GCONVERT_PATH, "-o", "out"};
    for (int i = 0; i < 100; ++i) {
        writeFile(path(QString("in/M%1.G").arg(i)), old);
        arguments << QString("in/M%1.G").arg(i);
    }
    QProcess shell;
    shell.setWorkingDirectory(dir.path());
    shell.start("/bin/sh", arguments);
    ASSERT_TRUE(shell.waitForFinished(30000));
    EXPECT_EQ(shell.readAllStandardError().toStdString(), "gconvert: 100 converted, 0 failed, 0 skipped (target exists)\n");
    EXPECT_EQ(shell.exitCode(), 0);
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files | QDir::Hidden).size(), 100);
}

TEST_F(GconvertTest, UsageErrorsExitWithTwo)
{
    writeFile(path("old.G"), old);
    const QList<QStringList> misuses = {{}, {"old.G"}, {"old.G", "a.G", "b.G"}, {"-o", "missing", "old.G"},
                                        {"-o", "."}, {"--bogus", "old.G", "new.G"}};
    for (const QStringList& arguments : misuses) EXPECT_EQ(gconvert(arguments).exitCode, 2) << arguments.join(' ').toStdString();
    EXPECT_EQ(gconvert({"--help"}).exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(path("new.G")));
}

}  // namespace
