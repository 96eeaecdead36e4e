// The names Windows cannot hold are refused before anything is written under them.
#include "engine/files/windows_names.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowsNames, RefusesWhatWindowsCannotHoldOrWouldTakeForAnotherFile)
{
    const struct { const char* name; bool refused; } cases[] = {
        {"MESS01.G", false}, {"Prüfung 3.G", false}, {"icon.G", false}, {"COM10.G", false}, {"CONSOLE.G", false},
        {".hidden.G", false}, {"a b.G", false},
        {"", true},          {".", true},           {"..", true},
        {"a<b.G", true},     {"a>b.G", true},       {"a:b.G", true},       {"a\"b.G", true}, {"a/b.G", true},
        {"a\\b.G", true},    {"a|b.G", true},       {"a?b.G", true},       {"a*b.G", true},  {"a\tb.G", true},
        {"a\x1f.G", true},   {"MESS.G.", true},     {"MESS.G ", true},
        {"CON", true},       {"prn.G", true},       {"Aux.txt", true},     {"NUL .G", true}, {"com1.G", true},
        {"LPT9", true},      {"lpt0.G", true},      {"COM\u00b9.G", true}, {"con.G.bak", true},
    };
    for (const auto& row : cases) EXPECT_EQ(engine::windowsCannotHold(row.name), row.refused) << '"' << row.name << '"';
}

}  // namespace
