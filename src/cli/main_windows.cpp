// gconvert's entry on Windows: arguments arrive as UTF-16 and leave as UTF-8, as on every other system.
#include "cli/console.h"
#include "cli/gconvert.h"
#include "encoding/wide_text.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t* argv[])
{
    // Any file name, in any script, reaches the program whole: the system's ANSI code page could not hold it.
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(encoding::utf8Text(argv[i]));
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    pointers.push_back(nullptr);
    // Output is UTF-8 with plain line feeds, the same bytes as on other systems when redirected; a
    // console told it receives UTF-8 shows every name correctly.
    cli::showOutputAsUtf8();
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    return cli::gconvert(argc, pointers.data());
}
