// gconvert's conversions: one file, or many into a folder, with one line per file not converted.
#include "cli/convert_command.h"

#include "batch/batch_session.h"
#include "batch/conversion_plan.h"
#include "cli/run_report.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace cli {
namespace {

volatile std::sig_atomic_t stopSignal = 0;

// An interrupt ends the run between two files, so that no temporary file is left behind and the
// files converted so far are put in place; the program then ends by the signal as usual.
void stopBetweenFiles(int signal) { stopSignal = signal; }

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = stopBetweenFiles;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void endBySignal(int signal)
{
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The names of a NUL-separated list in a file, or on standard input for "-".
std::optional<std::vector<std::string>> readNameList(const std::string& listFile)
{
    std::string list;
    if (listFile == "-") {
        list.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
        // A folder opens as a stream that reads nothing: it is no list.
        std::error_code error;
        std::ifstream file(listFile, std::ios::binary);
        if (!file || std::filesystem::is_directory(listFile, error)) return std::nullopt;
        list.assign(std::istreambuf_iterator<char>(file), {});
        if (file.bad()) return std::nullopt;
    }
    return batch::splitNulSeparated(list);
}

}  // namespace

int convertFiles(const Request& request)
{
    RunReport report({.progress = request.outputFolder && isatty(STDERR_FILENO) != 0,
                      .summary = request.outputFolder.has_value(),
                      .listConverted = request.verbose,
                      .dryRun = request.dryRun});
    std::optional<batch::BatchSession> session;
    if (!request.outputFolder) {
        session.emplace(std::vector<batch::Job>{{request.files[0], request.files[1]}}, report);
    } else {
        const std::string& folder = *request.outputFolder;
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::status(folder, error);
        const bool exists = !error && std::filesystem::exists(status);
        // A tree goes into folders made as needed, the output folder among them.
        if (exists ? !std::filesystem::is_directory(status) : !request.recursive)
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
    catchStopSignals();
    const batch::RunTotals totals =
        session->run(pipeline, request.force, request.dryRun, [] { return stopSignal != 0; });
    report.summarise(totals);
    if (stopSignal != 0) endBySignal(stopSignal);
    return session->allConverted(totals) ? ExitAllDone : ExitNotAllDone;
}

}  // namespace cli
