// Profile reading as Windows reads profile files, and the folder the dialogs start in.
#include "support/window/profile.h"
#include "../engine/old_file_fixture.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
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
        {"[VelInfo]\nPfadMessFile=M\xE4\xDF\xA0\x80\n", u"M\u00E4\u00DF\u00A0\u20AC"_s},
        {"[VelInfo]\nPfadMessFile==a\nPfadMessFile=2\n", "=a"},
        {"[VelInfo]\nOther=1\n[VelInfo]\nPfadMessFile=2\n", "default"},
        {"PfadMessFile=1\n[Other]\nPfadMessFile=1\n[VelInfo]\nPfadMessFile\n", "default"},
        {"[VelInfo]\nPfadMessFile=" + QByteArray(300, 'v'), QString(254, u'v')},
    };
    for (const auto& row : cases)
        EXPECT_EQ(support::readProfileValue(row.text, "VelInfo", "PfadMessFile", "default").toStdString(),
                  row.value.toStdString()) << row.text.toStdString();
    EXPECT_EQ(support::readProfileValue("", "VelInfo", "PfadMessFile", QString(300, u'd')), QString(254, u'd'));
    EXPECT_EQ(support::ProfilLesen("/nonexistent", support::ProfileFileName, "VelInfo", "PfadMessFile", "d"), "d");
}

TEST(ProgramFolders, PortableCopyKeepsItsFolderAndAnInstalledProgramUsesTheUsers)
{
    // Test mode keeps the configuration folder apart; the documents folder is always the one in HOME.
    QStandardPaths::setTestModeEnabled(true);
    const auto restore = qScopeGuard([home = qgetenv("HOME")] { qputenv("HOME", home), QStandardPaths::setTestModeEnabled(false); });
    const auto writeProfile = [](const QString& folder, const QByteArray& value) {
        if (value != "-" && QDir().mkpath(folder))
            fixtures::writeFile(QDir(folder).filePath(support::ProfileFileName), "[VelInfo]\r\nPfadMessFile=" + value);
    };
    // PfadMessFile beside the program and in the user's folder ("-": no profile there); $app and
    // $documents stand for the program's and the user's documents folder.
    const struct { const char* name; bool writable; QByteArray beside, inUsers; bool velFilesBeside; QString expected; } rows[] = {
        {"portable, no profile", true, "-", "-", false, "$app/VelFiles/"},
        {"portable profile wins", true, "C:\\Beside", "C:\\User", false, R"(C:\Beside)"},
        {"portable copy without its own profile", true, "-", "C:\\User", false, R"(C:\User)"},
        {"installed, no profile", false, "-", "-", false, "$documents/VelFiles/"},
        {"installed, user's profile", false, "-", "\" /data \"", false, " /data "},
        {"installed, blank in user's profile", false, "-", "\"  \"", false, "$documents/VelFiles/"},
        {"installed, profile put beside it", false, "/srv/g", "/data/", false, "/srv/g"},
        {"read-only copy with its VelFiles", false, "-", "-", true, "$app/VelFiles/"},
    };
    for (const auto& row : rows) {
        QTemporaryDir home;
        qputenv("HOME", QFile::encodeName(home.path()));
        support::ProgramFolders folders = support::programFolders(home.filePath("app"));
        EXPECT_EQ(folders.userConfiguration, home.filePath(".qttest/config/FileConverter"));
        EXPECT_EQ(folders.userDocuments, home.filePath("Documents"));
        EXPECT_FALSE(folders.applicationWritable) << "a missing folder is nobody's to write in";
        QDir().mkpath(folders.application + (row.velFilesBeside ? "/VelFiles" : ""));
        EXPECT_TRUE(support::programFolders(folders.application).applicationWritable);
        writeProfile(folders.application, row.beside);
        writeProfile(folders.userConfiguration, row.inUsers);

        // Tests run as root, for whom every folder is writable: the answer is set here instead.
        folders.applicationWritable = row.writable;
        const QString expected = QString(row.expected).replace("$app", folders.application).replace("$documents", folders.userDocuments);
        EXPECT_EQ(support::measurementFolder(folders), expected) << row.name;
        // VelFiles is made where it is named and nowhere else; the documents folder only when needed.
        EXPECT_EQ(QDir(folders.application + "/VelFiles").exists(), expected.startsWith(folders.application)) << row.name;
        EXPECT_EQ(QDir(folders.userDocuments).exists(), expected.startsWith(folders.userDocuments)) << row.name;
    }
    // VelFiles is made one level deep only; a folder that cannot be made is no error.
    QTemporaryDir folder;
    EXPECT_EQ(support::MessPfad(folder.filePath("a"), ""), folder.filePath("a/VelFiles/"));
    EXPECT_FALSE(QDir(folder.filePath("a")).exists());
}

}  // namespace
