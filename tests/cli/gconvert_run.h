// Runs the real gconvert on real files in a folder of their own, for the command's tests.
#pragma once

#include "../engine/old_file_fixture.h"
#include "../platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace fixtures;
using platform::Finished;

// Runs its action as it goes out of scope, however the test leaves it.
template <class Action> struct ScopeGuard { Action action; ~ScopeGuard() { action(); } };

class GconvertTest : public ::testing::Test {
protected:
    // On a RAM disk where there is one: it keeps the many flushes cheap.
    GconvertTest() : dir(fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path())
    {
        for (const char* folder : {"in", "out"}) fs::create_directory(fs::u8path(path(folder)));
    }

    std::string path(const std::string& name) const { return dir.path(name); }
    void put(const std::string& name, const std::string& bytes) const { writeFile(path(name), bytes); }
    std::string read(const std::string& name) const { return readFile(path(name)); }
    std::map<std::string, std::string> tree(const std::string& folder) const { return filesBelow(path(folder)); }
    bool link(const std::string& to, const std::string& at) const  // links are rows for Linux alone
    {
        std::error_code error;
        fs::create_symlink(fs::u8path(to), fs::u8path(path(at)), error);
        return !error;
    }

    Finished gconvert(std::vector<std::string> arguments, const std::string& input = {}, const std::function<void(long)>& whileRunning = {})
    {
        arguments.insert(arguments.begin(), GCONVERT_PATH);
        return platform::run(arguments, dir.path(), input, whileRunning);
    }

    // path as the system writes the paths it joins: '\\' between the parts on Windows.
    static std::string native(std::string path)
    {
        if (platform::OnWindows) std::ranges::replace(path, '/', '\\');
        return path;
    }

    // text with every from replaced by to.
    static std::string replaced(std::string text, const std::string& from, const std::string& to)
    {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) text.replace(at, from.size(), to);
        return text;
    }

    TemporaryFolder dir;
    const std::string old = patternedFile(false);
};
