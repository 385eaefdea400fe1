// One attached FTDI bridge as a unit listing shows it. The index is the position among the
// bridges with the FTDI default ids, the order in which the driver's open counts them.
#pragma once

#include <string>

struct UsbUnit {
    int index = 0;
    std::string serial;      // empty when the bridge cannot be opened to read it
    std::string description; // the product string
    int bus = 0;
    int address = 0;
    // Present, but the USB library was refused the device for lack of rights (EACCES).
    bool accessDenied = false;
};
