#include "adunit/ftdi/FtdiUnits.h"

#include <ftdi.h>
#include <libusb.h>

#include "adunit/ftdi/FtdiDriver.h"

namespace {
// libftdi reports every failed open with one code, so the cause is asked of libusb directly.
bool AccessDenied(libusb_device* dev) {
    libusb_device_handle* handle = nullptr;
    const int rc = libusb_open(dev, &handle);
    if (rc == 0) {
        libusb_close(handle);
    }
    return rc == LIBUSB_ERROR_ACCESS;
}
} // namespace

bool ListFtdiUnits(std::vector<UsbUnit>& units) {
    units.clear();
    ftdi_context* ctx = ftdi_new();
    if (!ctx) {
        return false;
    }
    ftdi_device_list* list = nullptr;
    // Vendor and product 0: the FTDI default ids, as the driver's open searches them.
    const int found = ftdi_usb_find_all(ctx, &list, 0, 0);
    int index = 0;
    for (ftdi_device_list* entry = list; found > 0 && entry; entry = entry->next, ++index) {
        UsbUnit unit;
        unit.index = index;
        unit.bus = libusb_get_bus_number(entry->dev);
        unit.address = libusb_get_device_address(entry->dev);
        unit.accessDenied = AccessDenied(entry->dev);
        char description[128] = {};
        char serial[128] = {};
        if (!unit.accessDenied &&
            ftdi_usb_get_strings(ctx, entry->dev, nullptr, 0, description, sizeof description,
                                 serial, sizeof serial) >= 0) {
            unit.description = description;
            unit.serial = serial;
        }
        units.push_back(unit);
    }
    ftdi_list_free(&list);
    ftdi_free(ctx);
    return found >= 0;
}

std::unique_ptr<FtDriver> MakeFtdiDriverForSerial(const std::string& serial) {
    return std::make_unique<FtdiDriver>(MakeLibFtdiPort(serial));
}
