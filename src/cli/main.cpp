#include <iostream>

#include "cli/AcquireCommand.h"
#include "cli/Cli.h"
#include "cli/Units.h"

#if TAVRIN_CLI_HARDWARE
#include "adunit/FallbackDriver.h"
#include "adunit/ftdi/D2xxDriver.h"
#include "adunit/ftdi/FtdiDriver.h"
#include "adunit/ftdi/FtdiUnits.h"

namespace {
// The real unit as `tavrin` opens it: D2XX when installed (libftdi when D2XX cannot open the
// unit), otherwise libftdi.
std::unique_ptr<FtDriver> HardwareDriver() {
    if (const D2xxApi* api = D2xxDriver::Load()) {
        return std::make_unique<FallbackDriver>(std::make_unique<D2xxDriver>(*api),
                                                std::make_unique<FtdiDriver>());
    }
    return std::make_unique<FtdiDriver>();
}
} // namespace
#endif

int main(int argc, char** argv) {
#if TAVRIN_CLI_HARDWARE
    SetHardwareDriverFactory(HardwareDriver);
    SetHardwareUnits({ListFtdiUnits, MakeFtdiDriverForSerial});
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunCliOnStandardStreams(args);
}
