// gconvert end to end: real files in a temporary folder, the real program, its exit status.
#include "../engine/old_file_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
