// Enumeration of the attached FTDI bridges through libftdi1 and libusb-1.0, and the driver for
// the one with a given serial number.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "adunit/FtDriver.h"
#include "adunit/UsbUnit.h"

// Every bridge with the FTDI default ids, in the order OpenByIndex counts them. False when the
// USB library cannot be started.
bool ListFtdiUnits(std::vector<UsbUnit>& units);

// The libftdi driver that opens the bridge with this serial number (whatever index it has).
std::unique_ptr<FtDriver> MakeFtdiDriverForSerial(const std::string& serial);
