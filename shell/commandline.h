#pragma once

#include <optional>

// The program takes no configuration from its command line; it answers --help and --version,
// without a display, and refuses anything else.
namespace CommandLine {

// The exit status when the program should end here, having said what it had to.
std::optional<int> handle(int argc, char *argv[]);

} // namespace CommandLine
