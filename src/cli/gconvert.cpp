// gconvert: converts old measurement files to the new layout from a terminal, without a window.
#include "cli/gconvert.h"

#include "cli/command_line.h"
#include "cli/convert_command.h"
#include "cli/show_command.h"
#include "cli/verify_command.h"
#include "engine/files/file_system.h"

namespace cli {

int gconvert(int argc, const char* const argv[])
{
    const std::variant<cli::Request, int> read = cli::readCommandLine(argc, argv);
    if (const int* exitStatus = std::get_if<int>(&read)) return *exitStatus;
    const cli::Request& request = std::get<cli::Request>(read);
    switch (request.command) {
    case cli::Request::Show: return cli::showFiles(request.files, request.json);
    case cli::Request::Verify:
        if (!request.recursive) return cli::verifyPair(request.files[0], request.files[1], request.json);
        for (const std::string& folder : request.files)
            if (engine::systemFileSystem().status(folder).kind != engine::FileStatus::Folder)
                return cli::usageError(folder + ": not a folder");
        return cli::verifyTree(request.files[0], request.files[1], request.json);
    case cli::Request::Convert: break;
    }
    return cli::convertFiles(request);
}

}  // namespace cli
