// gconvert's conversions: one file, or many into a folder, with one line per file not converted.
#include "cli/convert_command.h"

#include "batch/batch_session.h"
#include "batch/conversion_plan.h"
#include "cli/console.h"
#include "cli/run_report.h"

#include <iostream>
#include <iterator>

namespace cli {
namespace {

// The names of a NUL-separated list in a file, or on standard input for "-".
std::optional<std::vector<std::string>> readNameList(const std::string& listFile)
{
    if (listFile == "-") return batch::splitNulSeparated({std::istreambuf_iterator<char>(std::cin), {}});
    auto read = engine::systemFileSystem().readWhole(listFile);
    if (std::holds_alternative<engine::FileError>(read)) return std::nullopt;
    return batch::splitNulSeparated(std::get<std::string>(read));
}

}  // namespace

int convertFiles(const Request& request)
{
    RunReport report({.progress = request.outputFolder && errorsGoToATerminal(),
                      .summary = request.outputFolder.has_value(),
                      .listConverted = request.verbose,
                      .dryRun = request.dryRun});
    std::optional<batch::BatchSession> session;
    if (!request.outputFolder) {
        session.emplace(std::vector<batch::Job>{{request.files[0], request.files[1]}}, report);
    } else {
        const std::string& folder = *request.outputFolder;
        const engine::FileStatus status = engine::systemFileSystem().status(folder);
        const bool exists = status.kind != engine::FileStatus::Missing;
        // A tree goes into folders made as needed, the output folder among them.
        if (exists ? status.kind != engine::FileStatus::Folder : !request.recursive)
            return usageError(folder + (exists ? ": not a folder" : ": no such folder"));
        std::vector<std::string> sources = request.files;
        if (request.nameList) {
            std::optional<std::vector<std::string>> listed = readNameList(*request.nameList);
            if (!listed) return usageError(*request.nameList + ": cannot read the list");
            sources = std::move(*listed);
        }
        session.emplace(std::move(sources), batch::SessionSettings{.recursive = request.recursive, .measurementFilesOnly = false, .nameList = request.nameList},
                        report);
        session->planInto(folder);
    }

    engine::ConversionPipeline pipeline;
    catchInterrupts();
    const batch::RunTotals totals = session->run(pipeline, request.force, request.dryRun, interrupted);
    report.summarise(totals);
    if (interrupted()) endByInterrupt();
    return session->allConverted(totals) ? ExitAllDone : ExitNotAllDone;
}

}  // namespace cli
