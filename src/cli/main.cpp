// gconvert: converts old measurement files to the new layout from a terminal, without a window.
#include "cli/conversion_job.h"
#include "cli/stderr_report.h"
#include "engine/conversion_engine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <signal.h>
#include <unistd.h>

#include <csignal>

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

constexpr int ExitAllConverted = 0;
constexpr int ExitSomeNotConverted = 1;
constexpr int ExitUsage = 2;

int usageError(const QString& message)
{
    QTextStream(stderr) << "gconvert: " << message << "\nTry 'gconvert --help' for more information.\n";
    return ExitUsage;
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
        "  gconvert OLD.G NEW.G        convert one file\n"
        "  gconvert -o DIR OLD.G...    convert files into DIR under their own names"));
    const QCommandLineOption outputFolder({QStringLiteral("o"), QStringLiteral("output-dir")},
                                          QStringLiteral("Write the converted files into <dir>."), QStringLiteral("dir"));
    const QCommandLineOption force({QStringLiteral("f"), QStringLiteral("force")},
                                   QStringLiteral("Replace targets that exist already."));
    parser.addOption(outputFolder);
    parser.addOption(force);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("OLD.G NEW.G, or with -o the old files."),
                                 QStringLiteral("files..."));

    if (!parser.parse(QCoreApplication::arguments())) return usageError(parser.errorText());
    if (parser.isSet(help)) parser.showHelp(ExitAllConverted);
    if (parser.isSet(version)) parser.showVersion();

    const QStringList files = parser.positionalArguments();
    QList<cli::Job> jobs;
    const bool batch = parser.isSet(outputFolder);
    if (batch) {
        const QString folder = parser.value(outputFolder);
        const QFileInfo folderInfo(folder);
        if (!folderInfo.isDir())
            return usageError(folder + (folderInfo.exists() ? QStringLiteral(": not a folder") : QStringLiteral(": no such folder")));
        if (files.isEmpty()) return usageError(QStringLiteral("no files to convert"));
        jobs = cli::jobsIntoFolder(files, folder);
    } else {
        if (files.size() != 2) return usageError(QStringLiteral("give OLD.G and NEW.G, or -o DIR and the old files"));
        jobs.append({files[0], files[1]});
    }

    engine::ConversionEngine engine;
    cli::StderrReport report(batch && isatty(STDERR_FILENO), batch);
    catchStopSignals();
    const cli::RunTotals totals =
        cli::runJobs(engine, jobs, parser.isSet(force), report, [] { return stopSignal != 0; });
    if (stopSignal != 0) endBySignal(stopSignal);
    return totals.converted == jobs.size() ? ExitAllConverted : ExitSomeNotConverted;
}
