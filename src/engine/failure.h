// A failure the engine reports to whoever called it; the caller decides how to show it.
#pragma once

#include "engine/files/file_errors.h"

namespace engine {

enum class Operation { Loading, Saving };

// A file the engine could not read or write: which operation failed, and the file error why.
struct Failure {
    Operation operation;
    FileError error;
    friend bool operator==(const Failure&, const Failure&) = default;
};

}  // namespace engine
