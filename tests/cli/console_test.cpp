// gconvert in a Windows console: Ctrl-C stops a run between two files, the console's output code page
// is put back however the program ends, and the events no test can cause are answered as they must be.
#include "cli/console.h"
#include "cli/console_windows.h"
#include "gconvert_run.h"
#include "../platform/planted_import.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// Ctrl-C in a console of the test's own, which gconvert shares, once the first file is on its way:
// the run ends between two files, by Ctrl-C, with the files converted so far in place and whole.
TEST_F(GconvertTest, CtrlCStopsARunBetweenFiles)
{
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    SetConsoleCtrlHandler([](DWORD) { return TRUE; }, TRUE);  // the test itself goes on
    for (int index = 0; index < 400; ++index) put("in/M" + std::to_string(1000 + index) + ".G", old);
    const Finished finished = gconvert({"-r", "-o", "out", "in"}, {}, [&](long) {
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
             tree("out").empty() && std::chrono::steady_clock::now() < end;)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    });
    EXPECT_EQ(finished.exitCode, static_cast<int>(STATUS_CONTROL_C_EXIT));
    EXPECT_TRUE(finished.err.find("gconvert: interrupted: ") != std::string::npos) << finished.err;
    const auto written = tree("out");
    EXPECT_TRUE(!written.empty() && written.size() < 400) << written.size();
    for (const auto& [name, bytes] : written) EXPECT_TRUE(name.find(".part-") == std::string::npos && bytes.size() == 3243) << name;
}

// A console in code page 850, as Windows would answer for it; wine's own consoles have none to show.
UINT codePage = 850;
UINT WINAPI consoleCodePage() { return codePage; }
BOOL WINAPI setConsoleCodePage(UINT page)
{
    std::fprintf(stderr, "[code page %u]", codePage = page);
    return TRUE;
}

// gconvert shows its output as UTF-8 and the console has its code page back once it ends, by
// returning from its main or by Ctrl-C.
TEST(ConsoleOutput, TheCodePageFoundIsPutBackHoweverTheProgramEnds)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const PlantedImport get(__imp_GetConsoleOutputCP, consoleCodePage);
    const PlantedImport set(__imp_SetConsoleOutputCP, setConsoleCodePage);
    EXPECT_EXIT((cli::showOutputAsUtf8(), std::exit(2)), ::testing::ExitedWithCode(2), "\\[code page 65001\\]\\[code page 850\\]$");
    EXPECT_EXIT((cli::showOutputAsUtf8(), cli::endByInterrupt()), ::testing::ExitedWithCode(static_cast<int>(STATUS_CONTROL_C_EXIT)),
                "\\[code page 65001\\]\\[code page 850\\]$");
}

// Every event asks the run to stop between two files; after those that end the process as soon as
// they are answered, the answer waits for the run to end the program.
TEST(ConsoleEvents, EachStopsTheRunAndThoseThatEndTheProcessWaitForIt)
{
    const struct { DWORD event; bool waits; } rows[] = {
        {CTRL_CLOSE_EVENT, true}, {CTRL_LOGOFF_EVENT, true}, {CTRL_SHUTDOWN_EVENT, true},
        {CTRL_C_EVENT, false}, {CTRL_BREAK_EVENT, false},
    };
    ASSERT_FALSE(cli::interrupted());
    for (const auto& row : rows) {
        bool waited = false;
        EXPECT_TRUE(cli::answerConsoleEvent(row.event, [&] { waited = true; })) << row.event;
        EXPECT_EQ(waited, row.waits) << row.event;
        EXPECT_TRUE(cli::interrupted()) << row.event;
    }
}

}  // namespace
