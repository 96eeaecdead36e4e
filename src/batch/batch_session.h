// One run over many files for both front ends: the sources it refuses, its jobs, the targets there already, the run.
#pragma once

#include "batch/batch_conversion.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace batch {

// What a session tells besides each file's outcome, in the order it meets them.
class SessionListener : public BatchListener {
public:
    // A file of a tree that is no measurement file.
    virtual void passedOver(const std::string& /*path*/) {}
    // A source that is not converted, found before the run: subject is its path, or the list that holds
    // an empty name; problem follows it ("not converted: a folder (-r converts folders)").
    virtual void refused(const std::string& subject, const std::string& problem) = 0;
    // While the sources are planned: the number of files found to convert so far.
    virtual void planning(std::size_t /*jobs*/) {}
};

struct SessionSettings {
    bool recursive = false;             // folders are converted as whole trees, into folders made as needed
    bool measurementFilesOnly = false;  // a file named by itself must be a measurement file as well
    std::optional<std::string> nameList;  // the list the sources were read from, to name an empty one by
};

// Made with its sources, planned into a folder once one is chosen, then run: between the two the front
// end may ask whether existing targets are to be replaced. Every refusal counts as a file not converted.
class BatchSession {
public:
    // Refuses, in their order, the sources that cannot be converted: an empty name of a list, a folder
    // without recursive, a file that is no measurement file when only those are taken.
    BatchSession(std::vector<std::string> sources, SessionSettings settings, SessionListener& listener,
                 engine::FileSystem& files = engine::systemFileSystem());
    // Jobs given as they are, such as one file into the target named for it: nothing to plan or refuse.
    BatchSession(std::vector<Job> jobs, SessionListener& listener, engine::FileSystem& files = engine::systemFileSystem());

    // Whether any source is left to plan, so that a front end asks for an output folder only then.
    bool anySource() const { return !sources_.empty(); }

    // The jobs that convert the sources left into destination (see planInto); false when stopRequested
    // ended the walk early, which leaves the session with nothing to run.
    bool planInto(const std::string& destination, const std::function<bool()>& stopRequested = {});
    std::size_t jobCount() const { return jobs_.size(); }

    // How many targets have something at them already, as the run will find them.
    std::size_t existingTargets() const;

    // Runs the jobs (see runBatch); the totals count the refused sources as failed. Whether every file
    // was converted: allConverted.
    RunTotals run(engine::ConversionPipeline& pipeline, bool replaceExisting, bool dryRun,
                  const std::function<bool()>& stopRequested = {});
    bool allConverted(const RunTotals& totals) const { return totals.converted == jobs_.size() && totals.failed == 0; }

private:
    void refuse(const std::string& subject, const std::string& problem);

    engine::FileSystem& files_;
    SessionSettings settings_;
    SessionListener& listener_;
    std::vector<std::string> sources_;
    std::vector<Job> jobs_;
    std::size_t refused_ = 0;
};

}  // namespace batch
