// Path splitting: Windows paths from old records and Linux paths from the dialogs.
#include "support/window/path_split.h"

#include <gtest/gtest.h>

namespace {

QString describe(const std::optional<support::PathParts>& parts)
{
    return parts ? parts->drive + " | " + parts->directory + " | " + parts->fileName : "overflow";
}

// Without a ':' the drive comes from the current directory, which has none here.
TEST(PfadZerlegen, SplitsIntoDriveDirectoryAndName)
{
    const QString upTo32766(32765, u'x');  // a character appended here stands at position 32766
    const struct { QString path; QString parts; } cases[] = {
        {R"(C:\Data\Run\probe.G)", R"(C: | \Data\Run | probe.G)"},
        {R"(C:\probe.G)", R"(C: | \ | probe.G)"},
        {R"(C:\Prog\VelFiles\)", R"(C: | \Prog\VelFiles | )"},
        {R"(C:\Data)", R"(C: | \ | Data)"},
        {"C:probe.G", "C: |  | probe.G"},
        {"probe.G", " |  | probe.G"},
        {R"(\Data\probe.G)", R"( | \Data | probe.G)"},
        {R"(\Data\a:b)", R"(\Data\a: |  | b)"},
        {"/home/u/VelFiles/", " | /home/u/VelFiles | "},
        {"/probe.G", " | / | probe.G"},
        {R"(C:/Data/Run\probe.G)", "C: | /Data/Run | probe.G"},
        {"/d/" + QString(200, u'n'), " | /d | " + QString(128, u'n')},
        {upTo32766 + "/", " | " + upTo32766 + " | "},
        {upTo32766 + ":", upTo32766 + ": |  | "},
        {upTo32766 + "x/", "overflow"},
        {upTo32766 + "x:", "overflow"},
        {upTo32766 + "x" + QString(5000, u'x'), " |  | " + QString(128, u'x')},  // no position to count
    };
    for (const auto& row : cases)
        EXPECT_EQ(describe(support::PfadZerlegen(row.path)).toStdString(), row.parts.toStdString());
}

}  // namespace
