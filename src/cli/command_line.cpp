// What gconvert is asked to do, read from its arguments.
#include "cli/command_line.h"

#include <cxxopts.hpp>

#include <iostream>

namespace cli {
namespace {

constexpr char Description[] =
    "Converts straightness measuring files version <5.01 to version >5.021.\n"
    "  gconvert OLD.G NEW.G                  convert one file\n"
    "  gconvert -o DIR OLD.G...              convert files into DIR under their own names\n"
    "  gconvert -r -o DIR FOLDER|OLD.G...    convert folder trees into DIR, mirrored\n"
    "  gconvert --files0-from LIST -o DIR    convert the files a NUL-separated list names\n"
    "  gconvert --show [--json] FILE...      show each file's layout and fields\n"
    "  gconvert --verify [-r] OLD NEW        check NEW against converting OLD (-r: folder trees)";

cxxopts::Options commandLineOptions()
{
    cxxopts::Options options("gconvert");
    // The usage line and description are written by helpText; the parser lists the options only.
    options.custom_help("").positional_help("").set_width(80);
    options.add_options()
        ("o,output-dir", "Write the converted files into <dir>.", cxxopts::value<std::string>(), "dir")
        ("r,recursive", "Convert the measurement files (*.G) of the folders given, and of their folders, into "
                        "the same places under <dir>.")
        ("files0-from", "Convert the files and folders named in <list>, separated by NUL characters "
                        "(find -print0); - reads standard input.", cxxopts::value<std::string>(), "list")
        ("f,force", "Replace targets that exist already.")
        ("n,dry-run", "Check every file as a real run would and tell what it would convert, skip or refuse; "
                      "write nothing.")
        ("v,verbose", "Name every file converted, and every file a tree holds that is no measurement file.")
        ("show", "Show each file's layout and fields.")
        ("verify", "Check that NEW is what converting OLD gives; 0 when faithful.")
        ("json", "With --show or --verify: one JSON document.")
        // Not -v, which names every converted file.
        ("version", "Show the version.")
        ("h,help", "Show this help.")
        ("files", "OLD.G NEW.G, or with -o the old files.", cxxopts::value<std::vector<std::string>>());
    options.parse_positional("files");
    return options;
}

std::string helpText(const cxxopts::Options& options)
{
    std::string text = "Usage: gconvert [options] files...\n" + std::string(Description) + "\n\nOptions:\n";
    const std::string listed = options.help({}, false);
    // The parser pads wrapped lines with blanks; a line of help ends with its last word.
    std::size_t start = listed.find_first_not_of('\n');
    while (start < listed.size()) {
        const std::size_t end = std::min(listed.find('\n', start), listed.size());
        const std::string_view line = std::string_view(listed).substr(start, end - start);
        text += std::string(line.substr(0, line.find_last_not_of(' ') + 1)) + '\n';
        start = end + 1;
    }
    return text;
}

// The parser quotes names typographically where the terminal may not show it; plain quotes read everywhere.
std::string plainQuotes(std::string message)
{
    for (const std::string_view typographic : {"\u2018", "\u2019"})
        for (std::size_t at; (at = message.find(typographic)) != std::string::npos;)
            message.replace(at, typographic.size(), "'");
    return message;
}

}  // namespace

int usageError(std::string_view message)
{
    std::cerr << "gconvert: " << message << "\nTry 'gconvert --help' for more information.\n";
    return ExitUsage;
}

std::variant<Request, int> readCommandLine(int argc, const char* const argv[])
{
    cxxopts::Options options = commandLineOptions();
    cxxopts::ParseResult parsed;
    try {
        parsed = options.parse(argc, argv);
    } catch (const cxxopts::exceptions::exception& error) {
        return usageError(plainQuotes(error.what()));
    }
    if (parsed.count("help") != 0) {
        std::cout << helpText(options);
        return ExitAllDone;
    }
    if (parsed.count("version") != 0) {
        std::cout << "gconvert " FILECONVERTER_VERSION "\n";
        return ExitAllDone;
    }

    Request request;
    const bool show = parsed.count("show") != 0, verify = parsed.count("verify") != 0;
    request.command = show ? Request::Show : verify ? Request::Verify : Request::Convert;
    // A file is named by the bytes it was given as: a name that is not valid in the locale's encoding
    // (an archive from another system) must reach the system as it came.
    if (parsed.count("files") != 0) request.files = parsed["files"].as<std::vector<std::string>>();
    if (parsed.count("output-dir") != 0) request.outputFolder = parsed["output-dir"].as<std::string>();
    if (parsed.count("files0-from") != 0) request.nameList = parsed["files0-from"].as<std::string>();
    request.recursive = parsed.count("recursive") != 0;
    request.force = parsed.count("force") != 0;
    request.dryRun = parsed.count("dry-run") != 0;
    request.verbose = parsed.count("verbose") != 0;
    request.json = parsed.count("json") != 0;

    const std::size_t count = request.files.size();
    if (show && verify) return usageError("give either --show or --verify, not both");
    if (request.command != Request::Convert && (request.outputFolder || request.nameList))
        return usageError("--show and --verify go without -o and --files0-from");
    if (request.command == Request::Show && count == 0) return usageError("no files to show");
    if (request.command == Request::Verify && count != 2) return usageError("--verify takes OLD and NEW");
    if (request.command == Request::Convert && request.json) return usageError("--json goes with --show or --verify");
    if (request.command != Request::Convert) return request;

    if (request.nameList && count > 0) return usageError("files to convert given with --files0-from as well");
    if (!request.outputFolder && (request.recursive || request.nameList))
        return usageError("-r and --files0-from need -o DIR");
    if (!request.outputFolder && count != 2) return usageError("give OLD.G and NEW.G, or -o DIR and the old files");
    if (request.outputFolder && count == 0 && !request.nameList) return usageError("no files to convert");
    return request;
}

}  // namespace cli
