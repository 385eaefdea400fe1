// Driver backend of `tavrin`: the real unit through FTDI's D2XX library when it is installed,
// otherwise (or when D2XX cannot open it) through libftdi1. The program takes no options.
#include <cstdio>
#include <memory>
#include <string>

#include "adunit/DriverFactory.h"
#include "adunit/FallbackDriver.h"
#include "adunit/ftdi/D2xxDriver.h"
#include "adunit/ftdi/FtdiDriver.h"

bool ConfigureDriverBackend(int argc, char** argv, std::string& error, bool& exitNow) {
    exitNow = false;
    if (argc < 2) {
        return true;
    }
    const std::string arg = argv[1];
    if (arg == "--help" || arg == "-h") {
        std::fputs("Usage: tavrin [Qt options such as -platform NAME]\n"
                   "The TORVEX24 spectrum analyser on the USB unit; it takes no options of its "
                   "own.\n",
                   stdout);
        exitNow = true;
        return true;
    }
    error = arg.size() > 1 && arg[0] == '-' ? "unknown option " + arg + " (tavrin takes no options)"
                                            : "tavrin takes no arguments (got \"" + arg + "\")";
    return false;
}

std::unique_ptr<FtDriver> CreateFtDriver() {
    if (const D2xxApi* api = D2xxDriver::Load()) {
        // D2XX may be installed and still unable to open the unit: libftdi then gets its turn.
        return std::make_unique<FallbackDriver>(std::make_unique<D2xxDriver>(*api),
                                                std::make_unique<FtdiDriver>());
    }
    return std::make_unique<FtdiDriver>();
}
