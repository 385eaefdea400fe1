// Driver backend of `tavrin`: the real unit through FTDI's D2XX library when it is installed,
// otherwise through libftdi1. The program takes no options.
#include <memory>
#include <string>

#include "adunit/DriverFactory.h"
#include "adunit/ftdi/D2xxDriver.h"
#include "adunit/ftdi/FtdiDriver.h"

bool ConfigureDriverBackend(int argc, char** argv, std::string& error, bool& exitNow) {
    exitNow = false;
    if (argc > 1) {
        error = std::string("tavrin takes no arguments (got \"") + argv[1] + "\")";
        return false;
    }
    return true;
}

std::unique_ptr<FtDriver> CreateFtDriver() {
    if (const D2xxApi* api = D2xxDriver::Load()) {
        return std::make_unique<D2xxDriver>(*api);
    }
    return std::make_unique<FtdiDriver>();
}
