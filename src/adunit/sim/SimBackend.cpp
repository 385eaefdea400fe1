// Driver backend of `tavrin-sim`: every driver the program creates is a simulated TORVEX24
// built from the options given on the command line.
#include <cstdio>
#include <memory>
#include <string>

#include "adunit/DriverFactory.h"
#include "adunit/MonotonicClock.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"

namespace {
SimConfig& BackendConfig() {
    static SimConfig config = DefaultSimConfig();
    return config;
}
} // namespace

bool ConfigureDriverBackend(int argc, char** argv, std::string& error, bool& exitNow) {
    SimConfig config = DefaultSimConfig();
    if (!ParseSimOptions(argc, argv, config, error, exitNow)) {
        return false;
    }
    if (exitNow) {
        // The options' text is shared with tavrin-cli acquire; the program's own line leads it.
        if (error == SimOptionsHelp()) {
            std::fputs("Usage: tavrin-sim [options] [Qt options such as -platform NAME]\n"
                       "Tavrin with a simulated TORVEX24 instead of the unit on USB.\n\n",
                       stdout);
        }
        std::fputs(error.c_str(), stdout);
        error.clear();
        return true;
    }
    BackendConfig() = config;
    return true;
}

std::unique_ptr<FtDriver> CreateFtDriver() {
    static SteadyClock clock;
    return std::make_unique<SimulatedUnit>(BackendConfig(), clock);
}
