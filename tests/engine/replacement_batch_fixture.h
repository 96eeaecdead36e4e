// Saves through the batch on real files, over the running system's file calls with faults planted,
// and what a save promises whatever its outcome.
#pragma once

#include "engine/files/temporary_names.h"
#include "engine/replacement_batch.h"
#include "faulty_calls.h"
#include "old_file_fixture.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fixtures;
using Names = std::vector<std::string>;

class ReplacementBatchTest : public OnFaultyCalls {
protected:
    std::string path(const std::string& name) const { return dir.path(name); }
    // The one place a test makes a batch, over the calls it arms and the clock it reads.
    auto batchWith(engine::ReplacementBatch::Options options)
    {
        options.clock = &clock;
        return std::make_unique<engine::ReplacementBatch>(files, options);
    }
    static fs::perms permissions(const std::string& path) { return fs::status(fs::u8path(path)).permissions(); }
    bool noTemporaryLeft() const { return std::ranges::none_of(entries(dir.path()), engine::isTemporaryName); }

    // The error number of one save to target (0: saved), after checking what a save promises whatever
    // the outcome: the target new or as it was, a link still a link, every file closed, no temporary left.
    int saveAndCheck(const std::string& target, const std::vector<faults::Fault>& faults, bool replacedAnyway = false)
    {
        const fs::path at = fs::u8path(target), folder = at.parent_path();
        std::error_code ignored;  // a link to itself, say, has no status
        Names expected = entries(pathText(folder));
        const bool link = fs::is_symlink(at, ignored), existed = fs::exists(at, ignored);
        const std::string before = readFile(target);
        // A replaced file keeps its permissions, a new one gets those of any file made there.
        writeFile(pathText(folder / "made by the test"), "");
        const fs::perms expectedPermissions = existed ? permissions(target) : permissions(pathText(folder / "made by the test"));
        fs::remove(folder / "made by the test");
        calls.arm(faults);
        const auto batch = batchWith({.flushThreads = flushThreads});
        std::optional<engine::FileError> error = batch->add(target, bytesOf(NewContent));
        if (!error) error = batch->commit().front().error;
        EXPECT_EQ(readFile(target), !error || replacedAnyway ? NewContent : before);
        if (!error && !link) { EXPECT_EQ(permissions(target), expectedPermissions); }
        EXPECT_FALSE(FaultyCalls::hidden(target)) << "a converted file shows";
        // The file written is the one a link names, which may stand in another folder.
        const fs::path written = fs::canonical(at, ignored);
        if ((!error || replacedAnyway) && written.parent_path() == fs::canonical(folder, ignored)
            && std::ranges::find(expected, pathText(written.filename())) == expected.end())
            expected.push_back(pathText(written.filename()));
        std::ranges::sort(expected);
        EXPECT_EQ(entries(pathText(folder)), expected) << "no temporary file is left behind";
        EXPECT_EQ(fs::is_symlink(at, ignored), link);
        EXPECT_TRUE(calls.allClosed()) << "every file opened is closed";
        return error ? error->code() : 0;
    }

    const std::string NewContent = std::string(3243, 'N');
    faults::TestClock clock;
    const unsigned flushThreads = engine::ReplacementBatch::forManyFiles(files).flushThreads;  // as a run has them
};
