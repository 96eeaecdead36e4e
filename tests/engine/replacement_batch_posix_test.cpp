// Targets that are no plain file, through the batch on real files: links, and another user's link in a
// shared folder. POSIX alone: Windows names no such targets.
#include "replacement_batch_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace {

TEST_F(ReplacementBatchTest, TargetsThatAreNoPlainFile)
{
    std::string leftOut;
    const auto link = [this](const std::string& to, const std::string& at) { return ::symlink(to.c_str(), path(at).c_str()) == 0 ? at : ""; };
    // Someone else's link in a shared sticky folder (as in /tmp) must not redirect a save onto their choice.
    const auto plantedLink = [this]() -> std::string {
        const std::string shared = path("shared"), at = shared + "/new.G";
        writeFile(path("victim.G"), "theirs");
        const bool planted = ::mkdir(shared.c_str(), 0777) == 0 && ::chmod(shared.c_str(), 01777) == 0
                             && ::symlink(path("victim.G").c_str(), at.c_str()) == 0
                             && ::lchown(at.c_str(), 65534, 65534) == 0;  // nobody's
        return planted ? "shared/new.G" : "";
    };
    const struct { const char* name; std::function<std::string()> target; int number; } rows[] = {
        // target: "" where this user may not make it (it needs root); number 0: saved
        {"a folder", [&] { return ::mkdir(path("folder.G").c_str(), 0777) == 0 ? "folder.G" : ""; }, 75},
        {"a name going on past a NUL", [] { return "new.G\0x"s; }, 75},
        {"a dangling link into a missing folder", [&] { return link("none/x.G", "dangling.G"); }, 76},
        {"a link to itself", [&] { return link("loop.G", "loop.G"); }, 75},
        // A link stays a link: the file it names is replaced, or written when it does not exist yet.
        {"a link to a file", [&] { writeFile(path("real.G"), "short"); return link(path("real.G"), "link.G"); }, 0},
        {"a relative link", [&] { writeFile(path("sub/r.G"), "r"); return link("sub/r.G", "rel.G"); }, 0},
        {"a dangling link into an existing folder", [&] { return link(path("made.G"), "pointing.G"); }, 0},
        {"a link of another user in a shared folder", plantedLink, 70},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string target = row.target();
        if (target.empty()) leftOut += leftOut.empty() ? row.name : ", "s + row.name;
        else EXPECT_EQ(saveAndCheck(path(target), {}), row.number);
    }
    EXPECT_EQ(readFile(path("victim.G")), "theirs");
    if (!leftOut.empty()) GTEST_SKIP() << "needs root: " << leftOut;
}

}  // namespace
