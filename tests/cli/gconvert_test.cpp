// gconvert end to end: real files in a temporary folder, the real program, its messages and exit status.
#include "gconvert_run.h"

#include <chrono>
#include <optional>
#include <random>
#include <regex>
#include <thread>

namespace {

using enum platform::Systems;

// A name in the files' code page, for the letters the tests use: Latin-1's, the euro sign, and '?'
// for each character the code page lacks (Ω, 日本, 𝄞).
std::string codePage(const std::string& utf8)
{
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) c = c << 6 | (utf8[i + k] & 0x3F);
        i += length;
        bytes += c == U'\u20AC' ? '\x80' : c < 0x100 ? static_cast<char>(c) : '?';
    }
    return bytes;
}

// A converted file as it must be, whatever moment its stamp took; the stored name is the full path as
// the system gives it (backslashes on Windows), in the files' code page.
::testing::AssertionResult convertedFrom(const std::string& old, const std::string& written, const std::string& named)
{
    const std::u8string full = fs::absolute(fs::path(std::u8string(named.begin(), named.end()))).make_preferred().u8string();
    return sameNewFile(written, expectedNewFile(old, mid(written, 1856, 40), codePage(std::string(full.begin(), full.end()))));
}

// Single conversions and misuses, each with its exit status and message, then what the runs left.
TEST_F(GconvertTest, ConvertsOneFileButReplacesNothingItMustKeep)
{
    for (const auto& [name, bytes] : {std::pair("old.G", old), {"kept.G", "keep me"}, {"forced.G", "replace me"}}) put(name, bytes);
    link(path("old.G"), "link.G");
    const auto itself = [](const std::string& target) { return "gconvert: old.G: not converted: the target " + target + " is the source file itself\n"; };
    const std::string refused = "gconvert: old.G: not converted: cannot write ", badName = ": Bad file name or number (error 52)\n";
    const struct { std::vector<std::string> arguments; int exitCode; std::optional<std::string> err; platform::Systems on = Everywhere; } runs[] = {
        // err none: any message
        {{"old.G", "kept.G"}, 1, "gconvert: old.G: skipped: kept.G exists (--force replaces it)\n"},
        {{"--force", "old.G", "forced.G"}, 0, ""},
        {{"forced.G", "again.G"}, 1, "gconvert: forced.G: not converted: Invalid file format (error 321)\n"},
        // The source named as its own target, however it is spelled.
        {{"--force", "old.G", "old.G"}, 1, itself("old.G")}, {{"--force", "old.G", "link.G"}, 1, itself("link.G"), LinuxOnly},
        {{"-o", ".", "--force", "old.G"}, 1, itself(native("./old.G")) + "gconvert: 0 converted, 1 failed, 0 skipped (target exists)\n"},
        {{"--force", "old.G", "in/"}, 1, refused + "in/: Path/File access error (error 75)\n"},
        {{"--help"}, 0, ""},
        // Usage errors
        {{}, 2, {}}, {{"old.G"}, 2, {}}, {{"old.G", "a.G", "b.G"}, 2, {}}, {{"-r", "old.G", "a.G"}, 2, {}},
        {{"-o", "missing", "old.G"}, 2, {}}, {{"-o", "."}, 2, {}}, {{"--bogus", "old.G", "new.G"}, 2, "gconvert: Option 'bogus' does not exist\nTry 'gconvert --help' for more information.\n"},
        {{"--files0-from", "-", "-o", "out", "old.G"}, 2, {}},
        // Names Windows cannot hold; its own separator and a drive letter.
        {{"old.G", "NUL.G"}, 1, refused + "NUL.G" + badName, WindowsOnly}, {{"old.G", "a?b.G"}, 1, refused + "a?b.G" + badName, WindowsOnly},
        {{"old.G", "dot.G."}, 1, refused + "dot.G." + badName, WindowsOnly},  // not dot.G, which Windows would make of it
        {{"old.G", "in\\a.G"}, 0, "", WindowsOnly}, {{"old.G", path("abs.G")}, 0, "", WindowsOnly},
    };
    for (const auto& run : runs) {
        if (!platform::runsHere(run.on)) continue;
        const Finished finished = gconvert(run.arguments);
        EXPECT_EQ(finished.exitCode, run.exitCode) << ::testing::PrintToString(run.arguments);
        if (run.err) { EXPECT_EQ(finished.err, *run.err); }
    }
    EXPECT_EQ(read("kept.G"), "keep me");
    EXPECT_EQ(read("old.G"), old) << "a source is never replaced by its own conversion";
    // The stored name is the target's absolute path, the stamp the time of the save.
    const std::string written = read("forced.G"), stamp = mid(written, 1856, 40);
    EXPECT_TRUE(convertedFrom(old, written, path("forced.G")));
    EXPECT_TRUE(std::regex_match(stamp, std::regex("\\d{1,2}\\.\\d\\d \\d{4} / \\d\\d:\\d\\d:\\d\\d *"))) << stamp;  // as 5.03 2027 / 09:05:07
    // A name that is no UTF-8, as archives from other systems hold, is taken byte for byte (on Windows names are UTF-16).
    if (platform::OnWindows) return;
    put("M\xE4ss.G", old);
    EXPECT_TRUE(gconvert({"M\xE4ss.G", "latin.G"}).exitCode == 0 && fs::exists(fs::u8path(path("latin.G"))));
}

// One batch over every kind of outcome, named in a list (as `find -print0` writes it): the good files
// come out whole, every other one gets its line in order, then the summary.
TEST_F(GconvertTest, ABatchConvertsTheGoodFilesAndNamesEachOther)
{
    fs::create_directory(fs::u8path(path("in/folder.G")));
    put("out/kept.G", "existing");
    std::string inhibited = old;
    inhibited[1896] = 1;
    const std::string notConverted = "not converted: ", short62 = "Input past end of file (error 62)";
    const struct { std::string name; std::optional<std::string> content; std::string problem; platform::Systems on = Everywhere; } inputs[] = {
        // content none: not written; problem empty: converted
        {"folder.G", {}, notConverted + "a folder (-r converts folders)"},  // refused before the run
        {"", {}, "name 2: empty file name"},  // refused by its place in the list, before the run too
        {"a.G", old, ""},
        {"em\npty.G", "", notConverted + short62, LinuxOnly},  // its line stays one line
        {"kept.G", old, "skipped: " + native("out/kept.G") + " exists (--force replaces it)"},
        {"Grüße ü.G", old, ""},
        {"with\nnewline.G", old, "", LinuxOnly},
        {"../in/a.G", {}, "not converted: " + native("out/a.G") + " is the target of an earlier file"},
        {"inhibited.G", inhibited, notConverted + "the record is marked not to be saved"},
        {"pipe.G", {}, notConverted + "Path/File access error (error 75)", LinuxOnly},  // reading it could hang
        {"trailing blank.G ", old, "", LinuxOnly},  // Windows takes no name ending in a blank
    };
    ASSERT_TRUE(platform::OnWindows || platform::makePipe(path("in/pipe.G")));
    std::string list, expectedErr;
    std::vector<std::string> converted;
    int failed = 0, skipped = 0;
    for (const auto& input : inputs) {
        if (!platform::runsHere(input.on)) continue;
        if (input.content) put("in/" + input.name, *input.content);
        const std::string listed = input.name.empty() ? "" : "in/" + input.name;
        list += listed + '\0';
        if (input.problem.empty()) converted.push_back(input.name.substr(0, input.name.find_last_not_of(' ') + 1));
        else expectedErr += "gconvert: " + (listed.empty() ? "-" : replaced(listed, "\n", "\\n")) + ": " + input.problem + '\n';
        if (!input.problem.empty()) ++(input.problem.starts_with("skipped") ? skipped : failed);
    }
    expectedErr += "gconvert: " + std::to_string(converted.size()) + " converted, " + std::to_string(failed) + " failed, "
                   + std::to_string(skipped) + " skipped (target exists)\n";

    const Finished run = gconvert({"--files0-from", "-", "-o", "out"}, list);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, expectedErr);
    EXPECT_EQ(tree("out").size(), converted.size() + 1);
    EXPECT_EQ(read("out/kept.G"), "existing");
    for (const std::string& name : converted) EXPECT_TRUE(convertedFrom(old, read("out/" + name), path("out/" + name))) << name;
}

// A tree is mirrored: its measurement files (A.G and a.G two of them, names telling case apart here),
// through links to files but not into linked folders; a dry run tells exactly what the real run then
// does, and a second run skips every file. Links and names told apart by case are Linux's.
TEST_F(GconvertTest, ATreeIsMirroredAndADryRunForetellsTheRun)
{
    if (platform::OnWindows) GTEST_SKIP() << "links and names that differ in case alone are Linux's";
    for (const char* name : {"in/A.G", "in/a.G", "in/x/b.G", "in/x/y/c.G", "in/x/y/d.G", "elsewhere/e.G"}) put(name, old);
    for (const char* name : {"in/x/notes.txt", "in/x/short.G"}) put(name, "short");
    fs::create_directory(fs::u8path(path("in/empty")));
    link(path("elsewhere/e.G"), "in/x/linked.G");
    link(path("elsewhere"), "in/x/linked folder");
    const std::vector<std::string> arguments = {"-r", "-v", "-o", "out", "in"};

    const Finished dryRun = gconvert({"-rvn", "-o", "out", "in"});  // -n: --dry-run
    EXPECT_TRUE(fs::is_empty(fs::u8path(path("out")))) << "a dry run writes nothing, not even a folder";
    const Finished run = gconvert(arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(dryRun.exitCode, 1);
    EXPECT_EQ(replaced(dryRun.out, "would convert: ", "converted: "), run.out);
    EXPECT_EQ(dryRun.err, replaced(run.err, "gconvert: 6 converted", "gconvert: dry run: 6 converted"));
    EXPECT_TRUE(run.err.starts_with("gconvert: in/x/short.G: not converted: Input past end of file (error 62)\n"));
    EXPECT_EQ(run.out, "passed over: in/x/linked folder\npassed over: in/x/notes.txt\nconverted: in/A.G -> out/A.G\nconverted: in/a.G -> out/a.G\n"
                       "converted: in/x/b.G -> out/x/b.G\nconverted: in/x/linked.G -> out/x/linked.G\n"
                       "converted: in/x/y/c.G -> out/x/y/c.G\nconverted: in/x/y/d.G -> out/x/y/d.G\n");
    EXPECT_EQ(tree("out").size(), 6u);
    // Folders made for the tree get the permissions any program's new folder gets here.
    EXPECT_EQ(fs::status(fs::u8path(path("out/x/y"))).permissions(), fs::status(fs::u8path(path("in/empty"))).permissions());

    const Finished again = gconvert({"-r", "-o", "out", "in"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.out, "") << "without --verbose nothing is listed";
    EXPECT_TRUE(again.err.ends_with("gconvert: 0 converted, 1 failed, 6 skipped (target exists)\n")) << again.err;
}

// An output folder inside the tree it converts is left out of the walk however it is named, so that a
// rerun that replaces converts the old files again, not its own.
TEST_F(GconvertTest, AnOutputFolderInsideTheTreeIsLeftOut)
{
    for (const char* name : {"in/a.G", "in/x/b.G", "in/conv/a.G"}) put(name, old);
    const Finished run = gconvert({"-r", "--force", "-o", "in/x/../conv/", "in"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "gconvert: 2 converted, 0 failed, 0 skipped (target exists)\n");
}

// A list read from a file: the last name may go without its NUL; from a pipe, as `<(find ...)` gives it.
TEST_F(GconvertTest, TakesTheListFromAFile)
{
    put("a.G", old);
    put("list", "\0a.G"s);
    const Finished run = gconvert({"--files0-from", "list", "-o", "out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "gconvert: list: name 1: empty file name\ngconvert: 1 converted, 1 failed, 0 skipped (target exists)\n");
    if (platform::OnWindows) return;
    const Finished piped = platform::run({"/bin/sh", "-c", "printf 'a.G\\0' | exec \"$0\" --files0-from /dev/stdin --force -o out", GCONVERT_PATH}, dir.path());
    EXPECT_EQ(piped.err, "gconvert: 1 converted, 0 failed, 0 skipped (target exists)\n");
}

// Names in any script reach the system whole in every mode, run from a folder whose name holds them
// too (the narrow paths of Windows' C library would read them in the ANSI code page).
TEST_F(GconvertTest, EveryModeTakesNamesInAnyScript)
{
    const std::string here = "Prüfung äüß €Ω 日本/", a = "Alt Ω/Reihe 日本/Mess ä€𝄞.G", b = "Alt Ω/Grüße ß.G";
    for (const std::string& name : {a, b}) put(here + name, old);
    for (const char* folder : {"Neu €", "Ziel ü", "Liste ß", "Eingabe Ω"}) fs::create_directories(fs::u8path(path(here + folder)));
    put(here + "Liste €Ω", a + '\0' + b + '\0');
    const std::string faithfulTree = "2 old files: 2 faithful, 0 differing, 0 missing, 0 not an old file, 0 not a new file; 0 extra, 0 unreadable\n";
    const struct { const char* mode; std::vector<std::string> arguments; std::string input; std::vector<std::string> written; std::string out; } rows[] = {
        // written: the targets the run converts; out: how its output begins
        {"one file", {b, "Neu €/Eins 日本.G"}, "", {"Neu €/Eins 日本.G"}, ""},
        {"-o", {"-o", "Ziel ü", a, b}, "", {"Ziel ü/Mess ä€𝄞.G", "Ziel ü/Grüße ß.G"}, ""},
        {"-r", {"-r", "-o", "Baum 日本", "Alt Ω"}, "", {"Baum 日本/Reihe 日本/Mess ä€𝄞.G", "Baum 日本/Grüße ß.G"}, ""},
        {"a list in a file", {"--files0-from", "Liste €Ω", "-o", "Liste ß"}, "", {"Liste ß/Mess ä€𝄞.G", "Liste ß/Grüße ß.G"}, ""},
        {"a list on standard input", {"--files0-from", "-", "-o", "Eingabe Ω"}, a + '\0' + b, {"Eingabe Ω/Mess ä€𝄞.G", "Eingabe Ω/Grüße ß.G"}, ""},
        {"--show", {"--show", a}, "", {}, a + ": old layout: 3231 bytes\n"},
        {"--verify", {"--verify", b, "Neu €/Eins 日本.G"}, "", {}, "Neu €/Eins 日本.G: faithful\n"},
        {"--verify -r", {"--verify", "-r", "Alt Ω", "Baum 日本"}, "", {}, faithfulTree},
        {"--verify -r, absolute", {"--verify", "-r", path(here + "Alt Ω"), path(here + "Baum 日本/")}, "", {}, faithfulTree},
    };
    for (const auto& row : rows) {
        std::vector<std::string> command = row.arguments;
        command.insert(command.begin(), GCONVERT_PATH);
        const Finished run = platform::run(command, path(here), row.input);
        EXPECT_EQ(run.exitCode, 0) << row.mode << ": " << run.err;
        EXPECT_TRUE(run.out.starts_with(row.out)) << row.mode << ": " << run.out.substr(0, 300);
        for (const std::string& target : row.written)
            EXPECT_TRUE(convertedFrom(old, read(here + target), path(here + target))) << row.mode << ": " << target;
    }
}

// Where the system takes two names for one (Windows: blind to case), their files are one target
// already when the run is planned, so that a dry run foretells the run; paths are shown with the
// system's separator.
TEST_F(GconvertTest, ADryRunKnowsTheTargetsTheSystemTakesForOne)
{
    for (const char* name : {"in1/Sub/A.G", "in2/sub/a.G"}) put(name, old);
    const Finished dryRun = gconvert({"-n", "-v", "-r", "-o", "out", "in1", "in2"}), run = gconvert({"-v", "-r", "-o", "out", "in1", "in2"});
    const std::string first = native("converted: in1/Sub/A.G -> out/Sub/A.G\n"), second = native("in2/sub/a.G -> out/sub/a.G");
    const std::string refused = native("gconvert: in2/sub/a.G: not converted: out/sub/a.G is the target of an earlier file\n");
    const std::string summary = platform::OnWindows ? "1 converted, 1 failed, 0 skipped (target exists)\n" : "2 converted, 0 failed, 0 skipped (target exists)\n";
    EXPECT_EQ(run.out, platform::OnWindows ? first : first + "converted: " + second + '\n');
    EXPECT_EQ(run.err, (platform::OnWindows ? refused : "") + "gconvert: " + summary);
    EXPECT_EQ(dryRun.out, replaced(run.out, "converted: ", "would convert: "));
    EXPECT_EQ(dryRun.err, (platform::OnWindows ? refused : "") + "gconvert: dry run: " + summary);
    EXPECT_EQ(dryRun.exitCode, run.exitCode);
}

// A FAT file system, as on a lab's USB stick: no unnamed files, no permissions, locks only in memory,
// names blind to case, so that A.G and a.G, two measurements, name one target: the second is refused.
TEST_F(GconvertTest, ConvertsOntoAFatFileSystem)
{
    const std::string image = path("stick.img"), stick = path("stick");
    if (platform::OnWindows || !fs::create_directory(fs::u8path(stick)) || platform::run({"mkfs.vfat", "-C", image, "4096"}, dir.path()).exitCode != 0
        || platform::run({"fusefat", "-o", "rw+", image, stick}, dir.path()).exitCode != 0)
        GTEST_SKIP() << "no FAT file system here: needs Linux, mkfs.vfat, fusefat and FUSE";
    const ScopeGuard unmount{[&] { platform::run({"fusermount", "-u", stick}, dir.path()); }};
    for (const char* name : {"in/a.G", "in/sub/b.G"}) put(name, old);
    put("in/A.G", std::string(old).replace(8, 8, "another "));
    // The first run, with a descriptor to spare, puts each file in place before it begins the next,
    // so that a.G's check finds A.G; the second puts both in place in one go.
    for (const char* run : {"ulimit -n 34 && exec \"$0\" -r -o stick in", "exec \"$0\" -r --force -o stick in"}) {
        const Finished gconvert = platform::run({"/bin/sh", "-c", run, GCONVERT_PATH}, dir.path());
        EXPECT_EQ(gconvert.exitCode, 1);
        EXPECT_TRUE(gconvert.err.starts_with("gconvert: in/a.G: not converted: stick/a.G is the target of an earlier file\n")) << run;
        EXPECT_TRUE(convertedFrom(read("in/A.G"), read("stick/A.G"), path("stick/A.G")));
    }
    EXPECT_EQ(tree("stick").size(), 2u) << "A.G and sub/b.G";
}

// Killed (SIGKILL) or interrupted (SIGTERM, as from a shutdown; Ctrl-C's SIGINT alike) at random
// moments, then run again: no target is ever damaged, an interrupted run ends by its signal and
// leaves no temporary, and the rerun leaves every target whole and no temporary anywhere.
TEST_F(GconvertTest, AStoppedRunIsMendedByItsRerun)
{
    if (platform::OnWindows) GTEST_SKIP() << "signals are POSIX's";
    // Old records of random content in three folders, not marked "do not save".
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::map<std::string, std::string> sources;
    for (int i = 0; i < 300; ++i) {
        std::string& record = sources[std::to_string(i % 3) + "/M" + std::string(i < 10 ? 3 : i < 100 ? 2 : 1, '0') + std::to_string(i) + ".G"];
        record.resize(3231);
        for (char& byte : record) byte = static_cast<char>(random());
        record.replace(1896, 4, "\0\0\x01\0"s);
    }
    for (const auto& [name, record] : sources) put("in/" + name, record);
    // Every target absent or a whole conversion, every source unchanged; the temporaries found, named
    // after their targets.
    const auto checkTargets = [&] {
        static const std::regex temporary("(.*/)?\\.(.+)\\.part-[A-Za-z0-9]{6}");
        std::vector<std::string> temporaries;
        for (const auto& [name, bytes] : tree("out")) {
            std::smatch match;
            const bool isTemporary = std::regex_match(name, match, temporary);
            if (isTemporary) temporaries.push_back(name);
            const std::string target = isTemporary ? match.str(1) + match.str(2) : name;
            EXPECT_TRUE(sources.contains(target) && (isTemporary || convertedFrom(sources[target], bytes, path("out/" + name)))) << name;
        }
        for (const auto& [name, bytes] : sources) EXPECT_EQ(read("in/" + name), bytes) << name;
        return temporaries;
    };
    const std::vector<std::string> arguments = {"-r", "--force", "-o", "out", "in"};
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(gconvert(arguments).exitCode, 0);
    const long long fullRun = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count();
    int killedMidBatch = 0, interrupted = 0, rounds = 0;
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
         rounds < 40 && std::chrono::steady_clock::now() < end; ++rounds) {
        SCOPED_TRACE("round " + std::to_string(rounds) + ", seed " + std::to_string(seed));
        if (rounds % 2 == 0) fs::remove_all(fs::u8path(path("out")));  // every other round starts empty
        const bool interrupt = rounds % 3 == 2;
        const Finished stopped = gconvert(arguments, {}, [&](long id) {
            std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<long long>(0, fullRun)(random)));
            platform::stop(id, interrupt);
        });
        const bool leftTemporaries = !checkTargets().empty();
        // A run that ended before its signal came has nothing to show.
        if (interrupt && stopped.signalled) ++interrupted;
        if (interrupt) { EXPECT_FALSE(leftTemporaries) << "an interrupt leaves no temporary"; }
        else if (leftTemporaries) ++killedMidBatch;

        ASSERT_EQ(gconvert(arguments).exitCode, 0);
        EXPECT_TRUE(checkTargets().empty()) << "the rerun removes what the killed run left";
        EXPECT_EQ(tree("out").size(), sources.size());
    }
    EXPECT_TRUE(killedMidBatch > 0 && interrupted > 0)
        << "of " << rounds << " rounds, " << killedMidBatch << " kills and " << interrupted
        << " interrupts landed while files were being written (full run " << fullRun / 1000 << " ms)";
}

}  // namespace
