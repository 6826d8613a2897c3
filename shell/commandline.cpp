#include "shell/commandline.h"

#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: zav41k\n"
    "Shows the readings of a ZAV-41K film-dosimetry reader on a serial port and publishes\n"
    "them on the session bus for other programs (see zav41k-link(1)). The port is chosen in\n"
    "the window (Setup > Com Port) and kept in ~/.config/ZAV41K/ZAV41K.conf.\n"
    "\n"
    "  -h, --help     show this and end\n"
    "  --version      show the version and end\n";

} // namespace

namespace CommandLine {

std::optional<int> handle(int argc, char *argv[])
{
    if (argc < 2)
        return std::nullopt;
    const char *first = argv[1];
    if (argc == 2 && (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(first, "--version") == 0) {
        std::printf("zav41k %s\n", ZAV41K_VERSION);
        return 0;
    }
    std::fprintf(stderr,
                 "zav41k: %s is not an option; the program takes none besides --help and "
                 "--version\n",
                 first);
    return 2;
}

} // namespace CommandLine
