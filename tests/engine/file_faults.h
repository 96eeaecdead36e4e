// Faults a test plants in the file layer's system calls, named alike for every system: each system's
// seam (faulty_calls_posix.h, faulty_calls_windows.h) makes them its own calls' answers. And a clock
// whose pauses pass at once.
#pragma once

#include "engine/held_files.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace faults {

// The calls a fault can hit. A lock, a device flush, a link, a status or access check by name are
// POSIX's alone, so are rows that plant them. NameFlush puts a new name on the disk: a folder's flush
// on POSIX, the renamed file's on Windows. List is one listing of a folder: it fails after its first entry.
enum Call { Status, MayWrite, Create, Open, Fstat, Read, Write, Flush, NameFlush, DeviceFlush, Lock, Rename, NoReplaceRename, Link, List, CallKinds };
// What a call answers instead of doing its work. Nothing: a read or write takes nothing; Short: a write
// takes 7 bytes. HeldByAnother is Windows' sharing violation; Invalid on a rename is a file system
// without the rename asked for.
enum Answer { Denied = 1, HeldByAnother, ReadOnlyMedium, NameExists, TooManyOpen, NameTooLong, NotSupported, NotPermitted,
              WouldBlock, Interrupted, DiskFull, QuotaFull, DeviceFailed, IsFolder, Invalid, ConnectionLost, CloudOffline, Nothing, Short };
constexpr int Every = -1;      // Fault::at for every call of its kind
constexpr int WriteSteps = 4;  // writes take at most 1024 bytes: a record takes this many
struct Fault { Call call; int at; Answer answer; };  // at: the how-manieth call of its kind, from 0, or Every

// What a folder entry is on Windows besides a file or a folder: a reparse point of that kind.
enum ReparseKind { CloudPlaceholder, Junction, SymbolicLink, Deduplicated };

// The faults armed, the calls counted and the files open, safe from several threads. Each seam sets
// its system's error for an answer.
class Plan {
public:
    // Runs once, at the first call that may put a file at a name: a file appearing there just then.
    std::function<void()> beforePlacing;
    // Runs once, when a leftover's lock is taken (POSIX): the name changing hands just then.
    std::function<void()> afterLock;

    void arm(std::vector<Fault> faults)
    {
        faults_ = std::move(faults);
        for (std::atomic<int>& count : counts_) count = 0;
    }
    bool allClosed() const { return openFiles_ == 0; }  // every file handed out is closed, and only once
    // The path the system was last given by name, as UTF-8.
    std::string lastPathGiven()
    {
        const std::lock_guard lock(given_);
        return lastPath_;
    }

protected:
    std::optional<Answer> fault(Call call)
    {
        if (call == Rename || call == NoReplaceRename || call == Link) runOnce(beforePlacing);
        const int index = counts_[call]++;
        for (const Fault& f : faults_)
            if (f.call == call && (f.at == index || f.at == Every)) return f.answer;
        return std::nullopt;
    }
    bool fails(Call call)
    {
        const auto answer = fault(call);
        if (answer) setError(*answer);
        return answer.has_value();
    }
    virtual void setError(Answer answer) const = 0;
    void given(std::string path)
    {
        const std::lock_guard lock(given_);
        lastPath_ = std::move(path);
    }
    void opened() { ++openFiles_; }
    void closed() { --openFiles_; }
    void runOnce(std::function<void()>& hook)
    {
        const std::lock_guard lock(hooks_);
        if (hook) std::exchange(hook, {})();
    }

private:
    std::vector<Fault> faults_;
    std::array<std::atomic<int>, CallKinds> counts_{};
    std::mutex hooks_;
    std::atomic<int> openFiles_ = 0;
    std::mutex given_;
    std::string lastPath_;
};

// A clock whose pauses pass at once: it only counts how long a run would have waited.
class TestClock : public engine::RetryClock {
public:
    Time now() override { return now_; }
    void sleepUntil(Time time) override { now_ = std::max(now_, time); }
    std::chrono::milliseconds waited() const { return std::chrono::duration_cast<std::chrono::milliseconds>(now_ - Time{}); }
    void reset() { now_ = {}; }

private:
    Time now_{};
};

}  // namespace faults
