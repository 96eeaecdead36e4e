// gconvert's entry on POSIX systems: the arguments are the system's bytes and go on as they came.
#include "cli/gconvert.h"

int main(int argc, char* argv[]) { return cli::gconvert(argc, argv); }
