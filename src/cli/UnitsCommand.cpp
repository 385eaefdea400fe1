#include <cstdio>

#include "adunit/FtDriver.h"
#include "cli/AcquireCommand.h"
#include "cli/Cli.h"
#include "common/Json.h"
#include "cli/Units.h"
#include "common/RateTables.h"

namespace {

constexpr const char* kUnitsUsage =
    "Usage: tavrin-cli units [--json]\n"
    "Lists the attached USB bridges with the FTDI default ids (0403:6001, 6010, 6011, 6014,\n"
    "6015) in the order Tavrin counts them: index, serial number, bus, address and\n"
    "description. Tavrin takes the first; 'tavrin-cli acquire --device SERIAL' takes the one\n"
    "with that serial number.\n"
    "\n"
    "Options:\n"
    "  --json        a JSON array of {index, serial, description, bus, address, access}\n"
    "  -h, --help    this text\n"
    "\n"
    "A bridge that cannot be opened for lack of rights is listed without its serial number.\n"
    "Exit status: 0 listed; 2 usage; 3 no bridge attached (or one that cannot be opened).\n";

// Why a present bridge cannot be opened, and the README's remedy.
constexpr const char* kAccessHint =
    "a USB bridge is attached but cannot be opened: permission denied (install the udev rule "
    "and join the plugdev group, see \"The real unit on USB\" in the README)";

HardwareUnits& Hardware() {
    static HardwareUnits units;
    return units;
}

bool ListUnits(std::vector<UsbUnit>& units) {
    units.clear();
    return Hardware().list && Hardware().list(units);
}

bool AnyDenied(const std::vector<UsbUnit>& units) {
    for (const UsbUnit& u : units) {
        if (u.accessDenied) {
            return true;
        }
    }
    return false;
}

void PrintTable(const std::vector<UsbUnit>& units, std::ostream& out) {
    out << "INDEX  SERIAL            BUS  ADDRESS  DESCRIPTION\n";
    for (const UsbUnit& u : units) {
        char line[96];
        std::snprintf(line, sizeof line, "%-5d  %-16s  %03d  %03d      ", u.index,
                      u.accessDenied ? "?" : u.serial.c_str(), u.bus, u.address);
        out << line << (u.accessDenied ? "(permission denied)" : u.description) << "\n";
    }
}

void PrintJson(const std::vector<UsbUnit>& units, std::ostream& out) {
    out << "[";
    for (std::size_t i = 0; i < units.size(); ++i) {
        const UsbUnit& u = units[i];
        out << (i ? ",\n " : "") << "{\"index\":" << u.index
            << ",\"serial\":" << JsonString(u.serial)
            << ",\"description\":" << JsonString(u.description) << ",\"bus\":" << u.bus
            << ",\"address\":" << u.address << ",\"access\":" << (u.accessDenied ? "false" : "true")
            << "}";
    }
    out << "]\n";
}

} // namespace

void SetHardwareUnits(HardwareUnits units) {
    Hardware() = std::move(units);
}

int UnitsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            out << kUnitsUsage;
            return kExitOk;
        }
        if (a != "--json") {
            err << "tavrin-cli units: "
                << (a.size() > 1 && a[0] == '-' ? "unknown option '" : "unexpected argument '") << a
                << "'\n"
                << kUnitsUsage;
            return kExitUsage;
        }
        json = true;
    }
    std::vector<UsbUnit> units;
    const bool listed = ListUnits(units);
    if (json) {
        PrintJson(units, out);
    } else if (!units.empty()) {
        PrintTable(units, out);
    }
    if (units.empty()) {
        err << "tavrin-cli units: no USB bridge with the FTDI default ids is attached"
            << (Hardware().list ? (listed ? "" : " (the USB library cannot be used)")
                                : " (this tavrin-cli has no USB backend)")
            << "\n";
        return kExitNotFound;
    }
    if (AnyDenied(units)) {
        err << "tavrin-cli units: " << kAccessHint << "\n";
        return kExitNotFound;
    }
    return kExitOk;
}

int ChooseHardwareUnit(const std::string& serial, std::unique_ptr<FtDriver>& driver,
                       std::ostream& err) {
    driver.reset();
    std::vector<UsbUnit> units;
    ListUnits(units);
    if (serial.empty()) {
        if (!units.empty() && units.front().accessDenied) {
            err << "tavrin-cli acquire: " << DeviceName() << " was not found: " << kAccessHint
                << "\n";
            return kExitNotFound;
        }
        return kExitOk;
    }
    for (const UsbUnit& u : units) {
        if (!u.accessDenied && u.serial == serial && Hardware().open) {
            driver = Hardware().open(serial);
            return kExitOk;
        }
    }
    err << "tavrin-cli acquire: unit " << serial << " not found";
    if (AnyDenied(units)) {
        err << "; " << kAccessHint;
    } else if (!Hardware().list) {
        err << " (this tavrin-cli has no USB backend)";
    }
    err << "\n";
    return kExitNotFound;
}
