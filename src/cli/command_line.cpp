// What gconvert is asked to do, read from its arguments.
#include "cli/command_line.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

#include <iostream>

namespace cli {

int usageError(std::string_view message)
{
    std::cerr << "gconvert: " << message << "\nTry 'gconvert --help' for more information.\n";
    return ExitUsage;
}

std::variant<Request, int> readCommandLine(int argc, const char* const argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QFile::decodeName(argv[i]));
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
                                          QStringLiteral("Write the converted files into <dir>."),
                                          QStringLiteral("dir"));
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
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("With --show or --verify: one JSON document."));
    // Not -v, which names every converted file.
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Displays version information."));
    for (const QCommandLineOption& option :
         {outputFolder, recursive, filesFrom, force, dryRun, verbose, show, verify, json, version})
        parser.addOption(option);
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("OLD.G NEW.G, or with -o the old files."),
                                 QStringLiteral("files..."));

    if (!parser.parse(arguments)) return usageError(parser.errorText().toStdString());
    if (parser.isSet(help)) parser.showHelp(ExitAllDone);
    if (parser.isSet(version)) parser.showVersion();

    Request request;
    request.command = parser.isSet(show) ? Request::Show : parser.isSet(verify) ? Request::Verify : Request::Convert;
    // A file is named by the bytes it was given as: a name that is not valid in the locale's encoding
    // (an archive from another system) does not survive being decoded and encoded again.
    int next = 1;
    for (const QString& file : parser.positionalArguments()) {
        while (next < argc && arguments[next] != file) ++next;
        request.files.push_back(next < argc ? std::string(argv[next++]) : QFile::encodeName(file).toStdString());
    }
    if (parser.isSet(outputFolder)) request.outputFolder = QFile::encodeName(parser.value(outputFolder)).toStdString();
    if (parser.isSet(filesFrom)) request.nameList = QFile::encodeName(parser.value(filesFrom)).toStdString();
    request.recursive = parser.isSet(recursive);
    request.force = parser.isSet(force);
    request.dryRun = parser.isSet(dryRun);
    request.verbose = parser.isSet(verbose);
    request.json = parser.isSet(json);

    const std::size_t count = request.files.size();
    if (parser.isSet(show) && parser.isSet(verify))
        return usageError("give either --show or --verify, not both");
    if (request.command != Request::Convert && (request.outputFolder || request.nameList))
        return usageError("--show and --verify go without -o and --files0-from");
    if (request.command == Request::Show && count == 0) return usageError("no files to show");
    if (request.command == Request::Verify && count != 2)
        return usageError("--verify takes OLD and NEW");
    if (request.command == Request::Convert && request.json)
        return usageError("--json goes with --show or --verify");
    if (request.command != Request::Convert) return request;

    if (request.nameList && count > 0)
        return usageError("files to convert given with --files0-from as well");
    if (!request.outputFolder && (request.recursive || request.nameList))
        return usageError("-r and --files0-from need -o DIR");
    if (!request.outputFolder && count != 2)
        return usageError("give OLD.G and NEW.G, or -o DIR and the old files");
    if (request.outputFolder && count == 0 && !request.nameList)
        return usageError("no files to convert");
    return request;
}

}  // namespace cli
