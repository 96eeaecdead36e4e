// The conversion pipeline on real files: what loading refuses and why, records converted before
// among them, and what a save writes, reports and leaves.
#include "engine/conversion_pipeline.h"
#include "engine/files/posix_file_system.h"
#include "faulty_calls.h"
#include "old_file_fixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using F = FaultyCalls;
using fixtures::readFile;
using fixtures::writeFile;

class ConversionPipelineTest : public ::testing::Test {
protected:
    std::string path(const QString& name) const { return QFile::encodeName(dir.filePath(name)).toStdString(); }
    int loadError(const QString& name, const std::vector<F::Fault>& faults = {})
    {
        calls.arm(faults);
        const std::optional<engine::Failure> failure = pipeline.load(name.isEmpty() ? "" : path(name));
        EXPECT_TRUE(calls.allClosed()) << "every file opened is closed";
        EXPECT_TRUE(!failure || failure->operation == engine::Operation::Loading);
        return failure ? failure->error.code() : 0;
    }

    QTemporaryDir dir;
    FaultyCalls calls;
    engine::PosixFileSystem files{calls};
    engine::ConversionPipeline pipeline{files, [] { return std::string(fixtures::Stamp); }};
    const QByteArray old = fixtures::patternedOldFile();
};

TEST_F(ConversionPipelineTest, LoadingRefusesWhatIsNoOldFile)
{
    const auto converted = [this](const QByteArray& settings) {
        return fixtures::expectedNewFile(old, "", "x").replace(1912, 12, settings);
    };
    const struct { const char* name; QByteArray content; QString opened; std::vector<F::Fault> faults; int number; } rows[] = {
        // content: of f.G, unless null; number 0: loaded
        {"exactly one record", QByteArray(3231, '\0'), "f.G", {}, 0},
        {"the longest old file", old + QByteArray(32767 - 3231, 'x'), "f.G", {}, 0},
        {"one byte short", old.left(3230), "f.G", {}, 62},         {"empty", QByteArray(""), "f.G", {}, 62},
        {"one byte too long", QByteArray(32768, '\0'), "f.G", {}, 6},
        // Converted before: format 2 and line settings where old files keep port values.
        {"converted", converted("19200,N,8,1 "), "f.G", {}, 321}, {"converted, 9600", converted("9600,E,7,1.5"), "f.G", {}, 321},
        {"converted, 115200", converted("115200,N,8,1"), "f.G", {}, 321},
        {"odd end", converted("19200,N,8,1."), "f.G", {}, 0}, {"a NUL", converted({"19200,N,8,1\0", 12}), "f.G", {}, 0},
        {"no parity", converted("19200,,8,1  "), "f.G", {}, 0}, {"no stop bits", converted("19200,N,8,  "), "f.G", {}, 0},
        {"format 1", converted("19200,N,8,1 ").replace(1898, 1, "\x01"), "f.G", {}, 0},
        {"missing file", QByteArray(), "none.G", {}, 53},          {"missing folder", QByteArray(), "none/f.G", {}, 76},
        {"file used as folder", old, "f.G/f.G", {}, 76},            {"a folder", QByteArray(), ".", {}, 75},
        {"empty name", QByteArray(), "", {}, 75},
        {"name going on past a NUL", old, QStringLiteral("f.G") + QChar(0) + "x", {}, 75},
        {"status unreadable", old, "f.G", {{F::Fstat, 0, EIO}}, 57},
        {"device fails while reading", old, "f.G", {{F::Read, 0, EIO}}, 57},
        {"read interrupted", old, "f.G", {{F::Read, 0, EINTR}}, 0},
        {"file shrinks while read", old, "f.G", {{F::Read, 0, F::Nothing}}, 62},
    };
    for (const auto& row : rows) {
        QFile::remove(dir.filePath("f.G"));
        if (!row.content.isNull()) writeFile(dir.filePath("f.G"), row.content);
        EXPECT_EQ(loadError(row.opened, row.faults), row.number) << row.name;
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("none.G"))) << "loading must never create a file";
}

TEST_F(ConversionPipelineTest, ASaveReportsItsFailureAndPutsThePlaceholderStampBack)
{
    writeFile(dir.filePath("old.G"), old);
    ASSERT_EQ(loadError("old.G"), 0);
    // Saved without the trailing blanks; the stored name is cut after 75 characters.
    const QString name = QString(80, u'n') + ".G";
    ASSERT_EQ(pipeline.save(path(name) + "  ").status, engine::ConversionResult::Converted);
    EXPECT_TRUE(fixtures::sameNewFile(readFile(dir.filePath(name)), fixtures::expectedNewFile(old, fixtures::Stamp, path(name))));

    const engine::ConversionResult failed = pipeline.save(path("none/new.G"));
    EXPECT_EQ(failed.status, engine::ConversionResult::Failed);
    EXPECT_EQ(failed.failure, (engine::Failure{engine::Operation::Saving, {engine::FileErrorNumber::PathNotFound}}));
    EXPECT_EQ(pipeline.converted().Info.SaveStamp.StampText.view().substr(0, 23), "--.--- ---- / --:--:-- ");

    QByteArray inhibited = old;
    inhibited[1896] = 1;
    writeFile(dir.filePath("old.G"), inhibited);
    ASSERT_EQ(loadError("old.G"), 0);
    EXPECT_EQ(pipeline.save(path("inhibited.G")).status, engine::ConversionResult::Inhibited);
    // Named, but neither marked nor stamped.
    const records::NewWorkingForm& kept = pipeline.converted();
    EXPECT_TRUE(kept.Info.FileInfo.FileName.view().starts_with(path("inhibited.G") + ' '));
    EXPECT_EQ(kept.Info.SaveStamp.FormatMark, 1);
    EXPECT_EQ(kept.Info.SaveStamp.StampText.view(), inhibited.mid(1856, 40).toStdString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({name, "old.G"}));
}

}  // namespace
