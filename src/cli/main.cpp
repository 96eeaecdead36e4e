// gconvert: converts old measurement files to the new layout from a terminal, without a window.
#include "batch/batch_conversion.h"
#include "batch/conversion_plan.h"
#include "batch/problem_text.h"
#include "cli/run_report.h"
#include "cli/show_command.h"
#include "cli/verify_command.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <iterator>

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

// Converted files wait for their common flush with a descriptor each: the more may be open, the
// fewer the flushes.
void openAsManyFilesAsAllowed()
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

constexpr int ExitAllConverted = 0;
constexpr int ExitSomeNotConverted = 1;
constexpr int ExitUsage = 2;

int usageError(const QString& message)
{
    QTextStream(stderr) << "gconvert: " << message << "\nTry 'gconvert --help' for more information.\n";
    return ExitUsage;
}

std::string nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

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

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gconvert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FILECONVERTER_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts straightness measuring files version <5.01 to version >5.021.\n"
        "  gconvert OLD.G NEW.G                  convert one file\n"
        "  gconvert -o DIR OLD.G...              convert files into DIR under their own names\n"
        "  gconvert -r -o DIR FOLDER|OLD.G...    convert folder trees into DIR, mirrored\n"
        "  gconvert --files0-from LIST -o DIR    convert the files a NUL-separated list names\n"
        "  gconvert --show [--json] FILE...      show each file's layout and fields\n"
        "  gconvert --verify [-r] OLD NEW        check NEW against converting OLD (-r: folder trees)"));
    const QCommandLineOption outputFolder({QStringLiteral("o"), QStringLiteral("output-dir")},
                                          QStringLiteral("Write the converted files into <dir>."), QStringLiteral("dir"));
    const QCommandLineOption recursive({QStringLiteral("r"), QStringLiteral("recursive")},
                                       QStringLiteral("Convert the measurement files (*.G) of the folders given, "
                                                      "and of their folders, into the same places under <dir>."));
    const QCommandLineOption filesFrom(QStringLiteral("files0-from"),
                                       QStringLiteral("Convert the files and folders named in <list>, separated by "
                                                      "NUL characters (find -print0); - reads standard input."),
                                       QStringLiteral("list"));
    const QCommandLineOption force({QStringLiteral("f"), QStringLiteral("force")},
                                   QStringLiteral("Replace targets that exist already."));
    const QCommandLineOption dryRun({QStringLiteral("n"), QStringLiteral("dry-run")},
                                    QStringLiteral("Check every file as a real run would and tell what it would "
                                                   "convert, skip or refuse; write nothing."));
    const QCommandLineOption verbose({QStringLiteral("v"), QStringLiteral("verbose")},
                                     QStringLiteral("Name every file converted, and every file a tree holds that is "
                                                    "no measurement file."));
    const QCommandLineOption show(QStringLiteral("show"), QStringLiteral("Show each file's layout and fields."));
    const QCommandLineOption verify(QStringLiteral("verify"),
                                    QStringLiteral("Check that NEW is what converting OLD gives; 0 when faithful."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("With --show or --verify: one JSON document."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Displays version information."));
    for (const QCommandLineOption& option : {outputFolder, recursive, filesFrom, force, dryRun, verbose, show, verify, json, version})
        parser.addOption(option);
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("OLD.G NEW.G, or with -o the old files."),
                                 QStringLiteral("files..."));

    if (!parser.parse(QCoreApplication::arguments())) return usageError(parser.errorText());
    if (parser.isSet(help)) parser.showHelp(ExitAllConverted);
    if (parser.isSet(version)) parser.showVersion();

    const QStringList files = parser.positionalArguments();
    if (parser.isSet(show) || parser.isSet(verify)) {
        std::vector<std::string> paths;
        for (const QString& file : files) paths.push_back(nativePath(file));
        if (parser.isSet(show) == parser.isSet(verify) || parser.isSet(outputFolder) || parser.isSet(filesFrom))
            return usageError(QStringLiteral("give either --show or --verify, and neither with -o or --files0-from"));
        if (parser.isSet(show))
            return paths.empty() ? usageError(QStringLiteral("no files to show")) : cli::showFiles(paths, parser.isSet(json));
        if (paths.size() != 2) return usageError(QStringLiteral("--verify takes OLD and NEW"));
        if (!parser.isSet(recursive)) return cli::verifyPair(paths[0], paths[1], parser.isSet(json));
        for (const QString& folder : files)
            if (!QFileInfo(folder).isDir()) return usageError(folder + QStringLiteral(": not a folder"));
        return cli::verifyTree(paths[0], paths[1], parser.isSet(json));
    }
    if (parser.isSet(json)) return usageError(QStringLiteral("--json goes with --show or --verify"));
    const bool intoFolder = parser.isSet(outputFolder);
    std::vector<std::string> sources;
    for (const QString& file : files) sources.push_back(nativePath(file));
    if (parser.isSet(filesFrom)) {
        if (!files.isEmpty()) return usageError(QStringLiteral("files to convert given with --files0-from as well"));
        const std::optional<std::vector<std::string>> listed = readNameList(parser.value(filesFrom));
        if (!listed) return usageError(parser.value(filesFrom) + QStringLiteral(": cannot read the list"));
        sources = *listed;
    }
    if (!intoFolder && (parser.isSet(recursive) || parser.isSet(filesFrom)))
        return usageError(QStringLiteral("-r and --files0-from need -o DIR"));

    cli::RunReport report({.progress = intoFolder && isatty(STDERR_FILENO) != 0,
                           .summary = intoFolder,
                           .listConverted = parser.isSet(verbose),
                           .dryRun = parser.isSet(dryRun)});
    std::vector<batch::Job> jobs;
    std::size_t refused = 0;
    if (intoFolder) {
        const QString folder = parser.value(outputFolder);
        const QFileInfo folderInfo(folder);
        // A tree goes into folders made as needed, the output folder among them.
        if (folderInfo.exists() ? !folderInfo.isDir() : !parser.isSet(recursive))
            return usageError(folder + (folderInfo.exists() ? QStringLiteral(": not a folder") : QStringLiteral(": no such folder")));
        if (sources.empty() && !parser.isSet(filesFrom)) return usageError(QStringLiteral("no files to convert"));
        const batch::PlanNotes notes{
            .passedOver = [&](const std::string& path) { report.passedOver(path); },
            .folderNotAsked =
                [&](const std::string& path) {
                    ++refused;
                    report.problem(QFile::decodeName(path.c_str()), QStringLiteral("not converted: a folder (-r converts folders)"));
                },
            .folderUnreadable =
                [&](const std::string& path, engine::FileError error) {
                    ++refused;
                    report.problem(QFile::decodeName(path.c_str()),
                                   QStringLiteral("not converted: cannot read the folder: ") + batch::errorText(error));
                },
        };
        jobs = batch::planInto(sources, nativePath(folder), parser.isSet(recursive), notes);
    } else {
        if (files.size() != 2) return usageError(QStringLiteral("give OLD.G and NEW.G, or -o DIR and the old files"));
        jobs.push_back({sources[0], sources[1]});
    }

    openAsManyFilesAsAllowed();
    engine::ConversionPipeline pipeline;
    catchStopSignals();
    batch::RunTotals totals = batch::runBatch(
        pipeline, jobs,
        {.replaceExisting = parser.isSet(force), .dryRun = parser.isSet(dryRun), .makeFolders = parser.isSet(recursive)},
        report, [] { return stopSignal != 0; });
    totals.failed += refused;
    report.summarise(totals);
    if (stopSignal != 0) endBySignal(stopSignal);
    return totals.converted == jobs.size() && refused == 0 ? ExitAllConverted : ExitSomeNotConverted;
}
