// Profile reading as Windows reads profile files, and the default measurement folder.
#include "support/profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

TEST(ProfileReader, ReadsValuesAsWindowsDoes)
{
    const struct { QByteArray text; QString value; } cases[] = {
        {"[velinfo]\r\npfadmessfile=D:\\Mess\\a,b\r\n", R"(D:\Mess\a,b)"},
        {" [ VelInfo ] \n\t PfadMessFile \t=\t C:\\x y \t\n", R"(C:\x y)"},
        {"[VelInfo]\nPfadMessFile=\" C:\\x \"\n", R"( C:\x )"},
        {"[VelInfo]\nPfadMessFile=''x''\n", "'x'"},
        {"[VelInfo]\nPfadMessFile=\"x'\n", "\"x'"},
        {"[VelInfo]\nPfadMessFile=M\xE4\xDF\xA0\n", u"M\u00E4\u00DF\u00A0"_s},
        {"[VelInfo]\nPfadMessFile==a\nPfadMessFile=2\n", "=a"},
        {"[VelInfo]\nOther=1\n[VelInfo]\nPfadMessFile=2\n", "default"},
        {"PfadMessFile=1\n[Other]\nPfadMessFile=1\n[VelInfo]\nPfadMessFile\n", "default"},
        {"[VelInfo]\nPfadMessFile=" + QByteArray(300, 'v'), QString(254, u'v')},
    };
    for (const auto& row : cases)
        EXPECT_EQ(support::readProfileValue(row.text, "VelInfo", "PfadMessFile", "default").toStdString(),
                  row.value.toStdString()) << row.text.toStdString();
    EXPECT_EQ(support::readProfileValue("", "VelInfo", "PfadMessFile", QString(300, u'd')), QString(254, u'd'));
}

TEST(ProfileReader, FallsBackToVelFilesBesideTheProgram)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto configured = [&] {
        return support::MessPfad(folder.path(), support::ProfilLesen(folder.path(), support::ProfileFileName,
                                                                     "VelInfo", "PfadMessFile", ""));
    };
    EXPECT_EQ(configured(), folder.path() + "/VelFiles/");  // no profile file
    EXPECT_TRUE(QDir(folder.filePath("VelFiles")).exists());
    EXPECT_EQ(support::MessPfad(folder.path(), "   "), folder.path() + "/VelFiles/");  // made already
    EXPECT_EQ(support::MessPfad(folder.path(), " /data "), " /data ");
    // One level only, and a folder that cannot be made is no error.
    EXPECT_EQ(support::MessPfad(folder.filePath("a"), ""), folder.path() + "/a/VelFiles/");
    EXPECT_FALSE(QDir(folder.filePath("a")).exists());

    QFile profile(folder.filePath(support::ProfileFileName));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write("[VelInfo]\r\nPfadMessFile=C:\\Data\r\n");
    profile.close();
    EXPECT_EQ(configured(), R"(C:\Data)");
}

}  // namespace
