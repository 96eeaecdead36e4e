// What gconvert is asked to do, read from its arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace cli {

inline constexpr int ExitAllDone = 0;
inline constexpr int ExitNotAllDone = 1;
inline constexpr int ExitUsage = 2;

struct Request {
    enum Command { Convert, Show, Verify } command = Convert;
    std::vector<std::string> files;  // the system's bytes
    std::optional<std::string> outputFolder;  // the system's bytes, as the files
    std::optional<std::string> nameList;      // --files0-from; "-" is standard input
    bool recursive = false, force = false, dryRun = false, verbose = false, json = false;
};

// The request in the program's arguments (argv as the system gave it), or after --help, --version or
// a mistake the exit status to end with; help and version have been shown, a mistake reported as a
// usage error.
std::variant<Request, int> readCommandLine(int argc, const char* const argv[]);

// Reports a mistake on the command line; returns the exit status for it.
int usageError(std::string_view message);

}  // namespace cli
