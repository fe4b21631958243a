#pragma once
// What a program's command line asks for, the same shape for every program:
// the options to run with, or its usage; or an Error whose reason is the
// message the program prints before pointing at its usage.

#include <string>
#include <utility>

#include "base/result.h"

namespace vexla {

template <typename Options>
struct CommandLine {
    Options options;
    bool help = false;  // the usage was asked for: print it and end well
};

template <typename Options>
using ParsedCommandLine = Result<CommandLine<Options>>;

// A command line that makes no sense, said in the program's own words.
inline Error BadCommandLine(std::string message) {
    return Error{{}, std::move(message)};
}

}  // namespace vexla
