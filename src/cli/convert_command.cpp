// gconvert's conversions: one file, or many into a folder, with one line per file not converted.
#include "cli/convert_command.h"

#include "batch/batch_conversion.h"
#include "batch/conversion_plan.h"
#include "batch/problem_text.h"
#include "cli/run_report.h"

#include <QFile>
#include <QFileInfo>

#include <signal.h>
#include <unistd.h>

#include <csignal>
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
std::optional<std::vector<std::string>> readNameList(const QString& listFile)
{
    std::string list;
    if (listFile == u"-") {
        list.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
        QFile file(listFile);
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        list = file.readAll().toStdString();
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
    std::vector<batch::Job> jobs;
    std::size_t refused = 0;
    if (!request.outputFolder) {
        jobs.push_back({request.files[0], request.files[1]});
    } else {
        const QString folder = QFile::decodeName(request.outputFolder->c_str());
        const QFileInfo folderInfo(folder);
        // A tree goes into folders made as needed, the output folder among them.
        if (folderInfo.exists() ? !folderInfo.isDir() : !request.recursive)
            return usageError(*request.outputFolder + (folderInfo.exists() ? ": not a folder" : ": no such folder"));
        std::vector<std::string> sources = request.files;
        if (request.nameList) {
            const std::optional<std::vector<std::string>> listed =
                readNameList(QFile::decodeName(request.nameList->c_str()));
            if (!listed) return usageError(*request.nameList + ": cannot read the list");
            sources = *listed;
        }
        const batch::PlanNotes notes{
            .passedOver = [&](const std::string& path) { report.passedOver(path); },
            .folderNotAsked =
                [&](const std::string& path) {
                    ++refused;
                    report.problem(QString::fromStdString(batch::shownPath(path)), QStringLiteral("not converted: a folder (-r converts folders)"));
                },
            .folderUnreadable =
                [&](const std::string& path, engine::FileError error) {
                    ++refused;
                    report.problem(QString::fromStdString(batch::shownPath(path)),
                                   QStringLiteral("not converted: cannot read the folder: ") + QString::fromStdString(batch::errorText(error)));
                },
        };
        jobs = batch::planInto(sources, QFile::encodeName(folder).toStdString(), request.recursive, notes);
    }

    engine::ConversionPipeline pipeline;
    catchStopSignals();
    batch::RunTotals totals = batch::runBatch(
        pipeline, jobs, {.replaceExisting = request.force, .dryRun = request.dryRun, .makeFolders = request.recursive},
        report, [] { return stopSignal != 0; });
    totals.failed += refused;
    report.summarise(totals);
    if (stopSignal != 0) endBySignal(stopSignal);
    return totals.converted == jobs.size() && refused == 0 ? ExitAllDone : ExitNotAllDone;
}

}  // namespace cli
