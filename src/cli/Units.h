// The attached bridges for tavrin-cli: `units` lists them and `acquire --device SERIAL` picks
// one. The hardware backend hands in its enumeration and its open-by-serial; without one no
// bridge is ever attached.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "adunit/UsbUnit.h"

class FtDriver;

struct HardwareUnits {
    std::function<bool(std::vector<UsbUnit>&)> list;
    std::function<std::unique_ptr<FtDriver>(const std::string& serial)> open;
};
void SetHardwareUnits(HardwareUnits units);

int UnitsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The unit acquire takes without --simulated. With a serial number: the driver for that bridge,
// or a message and exit status 3 when it is absent. Without one the first bridge is the
// driver factory's (driver stays empty), unless it cannot be opened for lack of rights: then
// the message says so and the status is 3. 0 otherwise.
int ChooseHardwareUnit(const std::string& serial, std::unique_ptr<FtDriver>& driver,
                       std::ostream& err);
