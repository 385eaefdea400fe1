#include "EmulatedBridge.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <sys/stat.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

namespace {

constexpr int kPacketBytes = 512; // high-speed bulk packet of the FT232H
constexpr int kStatusBytes = 2;
constexpr uint8_t kModemStatus = 0x01; // the chip's idle modem and line status
constexpr uint8_t kLineStatus = 0x60;
constexpr int kDefaultLatencyMs = 16; // the chip's power-on latency timer

// Device, configuration, interface and both bulk endpoints of an FT232H (bcdDevice 9.00).
constexpr const char* kDescriptorsHex =
    "120100020000004003041460000901020301"                              // device
    "0902200001010080320904000002ffffff020705810200020007050202000200"; // configuration

// FTDI vendor requests (libftdi's SIO_* values).
enum : uint8_t {
    kSioReset = 0x00,
    kSioSetLatency = 0x09,
    kSioGetLatency = 0x0a,
    kSioPollModemStatus = 0x05,
};
constexpr uint16_t kResetSio = 0;
constexpr uint16_t kFlushChipToHost = 2; // libftdi's SIO_TCIFLUSH
constexpr uint16_t kFlushHostToChip = 1; // libftdi's SIO_TCOFLUSH

const char* kManufacturer = "FTDI";
const char* kProduct = "TORVEX24 USB FIFO";

} // namespace

struct EmulatedBridge::Chip {
    struct Urb {
        UMockdevIoctlData* urb = nullptr;
        UMockdevIoctlData* buffer = nullptr;
    };

    Chip(const std::string& serialNumber, const SimConfig& config, IMonotonicClock& clk)
        : serial(serialNumber), clock(clk), unit(config, clk) {
        unit.OpenByIndex(0);
    }

    std::mutex m;
    std::string serial;
    std::string syspath;
    std::string devnode;
    int bus = 0;
    int address = 0;
    IMonotonicClock& clock;
    SimulatedUnit unit;
    UMockdevIoctlBase* handler = nullptr;
    bool gone = false;
    bool holdIn = false;
    int64_t lastInNs = 0;
    std::deque<Urb> pendingIn; // bulk IN transfers waiting for the chip
    std::deque<Urb> done;      // completed transfers in the order the host reaps them
    BridgeRecord record;
    std::vector<uint8_t> payload;

    bool HandleIoctl(UMockdevIoctlClient* client);
    void Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    int Control(const usbdevfs_ctrltransfer& setup, uint8_t* data);
    int StringDescriptor(uint8_t index, uint8_t* data, int capacity);
    bool FillIn(const Urb& u);
    void Finish(const Urb& u, int status, int actual);
};

namespace {
gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer chip) {
    return static_cast<EmulatedBridge::Chip*>(chip)->HandleIoctl(client);
}

usbdevfs_urb* UrbOf(UMockdevIoctlData* d) {
    return reinterpret_cast<usbdevfs_urb*>(d->data);
}
} // namespace

bool EmulatedBridge::Chip::HandleIoctl(UMockdevIoctlClient* client) {
    std::lock_guard<std::mutex> lock(m);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    if (gone) {
        // What the kernel does for a removed device: the transfers in flight are reaped as
        // shut down, then every request fails with ENODEV.
        if ((request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) && !done.empty()) {
            Reap(client, arg);
        } else {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
        }
        return TRUE;
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        *reinterpret_cast<guint32*>(d->data) =
            USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
            USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        umockdev_ioctl_client_complete(client, 0, 0);
        g_object_unref(d);
        return TRUE;
    }
    case USBDEVFS_CLAIMINTERFACE:
        ++record.claims;
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_GETDRIVER: // no kernel driver holds the interface
    case USBDEVFS_IOCTL:     // so there is none to detach
        umockdev_ioctl_client_complete(client, -1, ENODATA);
        return TRUE;
    case USBDEVFS_SUBMITURB:
        Submit(client, arg);
        return TRUE;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        Reap(client, arg);
        return TRUE;
    case USBDEVFS_DISCARDURB:
        Discard(client, arg);
        return TRUE;
    default:
        std::fprintf(stderr, "emulated bridge: unhandled usbdevfs request 0x%lx\n", request);
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
}

void EmulatedBridge::Chip::Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    Urb u;
    u.urb = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    usbdevfs_urb* urb = UrbOf(u.urb);
    u.buffer = umockdev_ioctl_data_resolve(u.urb, offsetof(usbdevfs_urb, buffer),
                                           static_cast<gsize>(urb->buffer_length), nullptr);
    if (!u.buffer) {
        g_object_unref(u.urb);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
        usbdevfs_ctrltransfer setup{};
        const uint8_t* s = u.buffer->data;
        setup.bRequestType = s[0];
        setup.bRequest = s[1];
        setup.wValue = static_cast<uint16_t>(s[2] | s[3] << 8);
        setup.wIndex = static_cast<uint16_t>(s[4] | s[5] << 8);
        setup.wLength = static_cast<uint16_t>(s[6] | s[7] << 8);
        const int n = Control(setup, u.buffer->data + 8);
        umockdev_ioctl_client_complete(client, 0, 0);
        if (n < 0) {
            Finish(u, -EPIPE, 0);
        } else {
            Finish(u, 0, n);
        }
        return;
    }
    if (urb->type != USBDEVFS_URB_TYPE_BULK) {
        g_object_unref(u.buffer);
        g_object_unref(u.urb);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    if (urb->endpoint & 0x80) {
        record.inTransferBytes = urb->buffer_length;
        pendingIn.push_back(u);
        return;
    }
    uint32_t written = 0;
    unit.Write(u.buffer->data, static_cast<uint32_t>(urb->buffer_length), written);
    record.bytesOut += written;
    Finish(u, 0, urb->buffer_length);
}

void EmulatedBridge::Chip::Finish(const Urb& u, int status, int actual) {
    usbdevfs_urb* urb = UrbOf(u.urb);
    urb->status = status;
    urb->actual_length = actual;
    done.push_back(u);
}

bool EmulatedBridge::Chip::FillIn(const Urb& u) {
    if (holdIn || gone) {
        return false;
    }
    const int length = UrbOf(u.urb)->buffer_length;
    const int fullPackets = length / kPacketBytes;
    const int tail = length % kPacketBytes;
    const int capacity = fullPackets * (kPacketBytes - kStatusBytes) +
                         (tail > kStatusBytes ? tail - kStatusBytes : 0);
    if (capacity <= 0) {
        return false;
    }
    uint32_t queued = 0;
    unit.GetQueueStatus(queued);
    const int64_t now = clock.NowNs();
    const int64_t latencyNs =
        int64_t{record.latencyMs < 0 ? kDefaultLatencyMs : record.latencyMs} * 1000000;
    if (static_cast<int>(queued) < capacity && now - lastInNs < latencyNs) {
        return false; // the chip waits for a full transfer or its latency timer
    }
    lastInNs = now;
    const int take = std::min<int>(static_cast<int>(queued), capacity);
    payload.resize(static_cast<size_t>(take));
    uint32_t got = 0;
    if (take > 0) {
        unit.Read(payload.data(), static_cast<uint32_t>(take), got);
    }
    uint8_t* out = u.buffer->data;
    int pos = 0;
    size_t from = 0;
    int packets = 0;
    do { // every packet, even one without data, starts with the two status bytes
        out[pos++] = kModemStatus;
        out[pos++] = kLineStatus;
        const size_t n = std::min<size_t>(got - from, kPacketBytes - kStatusBytes);
        if (n > 0) { // an empty payload has no buffer to copy from
            std::memcpy(out + pos, payload.data() + from, n);
        }
        pos += static_cast<int>(n);
        from += n;
        ++packets;
    } while (from < got);
    record.mostPacketsIn = std::max(record.mostPacketsIn, packets);
    Finish(u, 0, pos);
    return true;
}

void EmulatedBridge::Chip::Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    if (done.empty() && !pendingIn.empty() && FillIn(pendingIn.front())) {
        pendingIn.pop_front();
    }
    if (done.empty()) {
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return;
    }
    Urb u = done.front();
    done.pop_front();
    UMockdevIoctlData* ptr = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
    umockdev_ioctl_data_set_ptr(ptr, 0, u.urb);
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(ptr);
    g_object_unref(u.buffer);
    g_object_unref(u.urb);
}

void EmulatedBridge::Chip::Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    const gulong addr = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
    for (auto it = pendingIn.begin(); it != pendingIn.end(); ++it) {
        if (it->urb->client_addr == addr) {
            ++record.discards;
            Finish(*it, -ENOENT, 0);
            pendingIn.erase(it);
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        }
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}

int EmulatedBridge::Chip::StringDescriptor(uint8_t index, uint8_t* data, int capacity) {
    uint8_t d[2 + 2 * 64];
    int len = 2;
    if (index == 0) {
        d[len++] = 0x09; // US English
        d[len++] = 0x04;
    } else {
        const std::string text = index == 1 ? kManufacturer : index == 2 ? kProduct : serial;
        if (index > 3) {
            return -1;
        }
        for (char c : text.substr(0, 63)) {
            d[len++] = static_cast<uint8_t>(c);
            d[len++] = 0;
        }
    }
    d[0] = static_cast<uint8_t>(len);
    d[1] = 0x03;
    const int n = std::min(len, capacity);
    std::memcpy(data, d, static_cast<size_t>(n));
    return n;
}

int EmulatedBridge::Chip::Control(const usbdevfs_ctrltransfer& s, uint8_t* data) {
    const int capacity = s.wLength;
    if (s.bRequestType == 0x80 && s.bRequest == 0x06) { // GET_DESCRIPTOR
        const uint8_t type = s.wValue >> 8;
        if (type == 0x03) {
            return StringDescriptor(static_cast<uint8_t>(s.wValue & 0xff), data, capacity);
        }
        return -1; // device and configuration descriptors come from sysfs
    }
    if (s.bRequestType == 0x40) { // vendor request, host to chip
        switch (s.bRequest) {
        case kSioReset:
            if (s.wValue == kResetSio) {
                ++record.resets;
            } else if (s.wValue == kFlushChipToHost) {
                ++record.rxPurges;
                unit.Purge(FtDriver::PurgeRx);
            } else if (s.wValue == kFlushHostToChip) {
                unit.Purge(FtDriver::PurgeTx);
            }
            return 0;
        case kSioSetLatency:
            record.latencyMs = s.wValue & 0xff;
            return 0;
        default: // baud rate, data format, flow control, modem lines, bit mode
            return 0;
        }
    }
    if (s.bRequestType == 0xc0) { // vendor request, chip to host
        if (s.bRequest == kSioPollModemStatus && capacity >= 2) {
            data[0] = kModemStatus;
            data[1] = kLineStatus;
            return 2;
        }
        if (s.bRequest == kSioGetLatency && capacity >= 1) {
            data[0] =
                static_cast<uint8_t>(record.latencyMs < 0 ? kDefaultLatencyMs : record.latencyMs);
            return 1;
        }
    }
    return -1;
}

EmulatedBridge::EmulatedBridge(double clockSpeed) : clock_(clockSpeed) {
    testbed_ = umockdev_testbed_new();
}

EmulatedBridge::~EmulatedBridge() {
    for (auto& chip : chips_) {
        if (!chip->gone) {
            umockdev_testbed_detach_ioctl(testbed_, chip->devnode.c_str(), nullptr);
        }
        g_object_unref(chip->handler);
        std::lock_guard<std::mutex> lock(chip->m);
        for (auto* list : {&chip->pendingIn, &chip->done}) {
            for (const Chip::Urb& u : *list) {
                g_object_unref(u.buffer);
                g_object_unref(u.urb);
            }
            list->clear();
        }
    }
    g_object_unref(testbed_);
}

int EmulatedBridge::Plug(const std::string& serial, SimConfig config) {
    config.latencyMs = 0;             // the bridge below holds the bytes, not the simulator
    config.rxBufferBytes = 64u << 20; // the chip's FIFO stalls the unit instead of losing bytes
    auto chip = std::make_unique<Chip>(serial, config, clock_);
    const int unit = static_cast<int>(chips_.size());
    chip->bus = unit + 1;
    chip->address = nextAddress_++;
    char devnode[64];
    std::snprintf(devnode, sizeof devnode, "/dev/bus/usb/%03d/%03d", chip->bus, chip->address);
    chip->devnode = devnode;
    chip->handler = umockdev_ioctl_base_new();
    g_signal_connect(chip->handler, "handle-ioctl", G_CALLBACK(OnIoctl), chip.get());
    // The node is emulated before the device appears, so that an open right after it works.
    umockdev_testbed_attach_ioctl(testbed_, devnode, chip->handler, nullptr);
    char text[1024];
    std::snprintf(text, sizeof text,
                  "P: /devices/usb%d\n"
                  "N: bus/usb/%03d/%03d\n"
                  "E: SUBSYSTEM=usb\n"
                  "E: DEVTYPE=usb_device\n"
                  "E: DRIVER=usb\n"
                  "E: BUSNUM=%03d\n"
                  "E: DEVNUM=%03d\n"
                  "E: DEVNAME=%s\n"
                  "A: busnum=%d\\n\n"
                  "A: devnum=%d\\n\n"
                  "A: bConfigurationValue=1\\n\n"
                  "A: speed=480\\n\n"
                  "A: serial=%s\\n\n"
                  "H: descriptors=%s\n",
                  chip->bus, chip->bus, chip->address, chip->bus, chip->address, devnode, chip->bus,
                  chip->address, serial.c_str(), kDescriptorsHex);
    umockdev_testbed_add_from_string(testbed_, text, nullptr);
    char syspath[64];
    std::snprintf(syspath, sizeof syspath, "/sys/devices/usb%d", chip->bus);
    chip->syspath = syspath;
    chips_.push_back(std::move(chip));
    return unit;
}

void EmulatedBridge::Unplug(int unit) {
    Chip& chip = *chips_.at(static_cast<size_t>(unit));
    {
        std::lock_guard<std::mutex> lock(chip.m);
        chip.gone = true;
        for (const Chip::Urb& u : chip.pendingIn) {
            chip.Finish(u, -ESHUTDOWN, 0);
        }
        chip.pendingIn.clear();
    }
    umockdev_testbed_uevent(testbed_, chip.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, chip.syspath.c_str());
}

void EmulatedBridge::HoldIn(int unit, bool hold) {
    Chip& chip = *chips_.at(static_cast<size_t>(unit));
    std::lock_guard<std::mutex> lock(chip.m);
    chip.holdIn = hold;
}

void EmulatedBridge::RestrictNode(int unit) {
    const Chip& chip = *chips_.at(static_cast<size_t>(unit));
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    const std::string node = std::string(root) + chip.devnode;
    // The preload library connects to the emulation socket even when the node's open fails.
    const std::string socket = std::string(root) + "/ioctl" + chip.devnode;
    g_free(root);
    ::chmod(node.c_str(), 0600);
    ::chmod(socket.c_str(), 0777);
}

void EmulatedBridge::OpenTestbedToAll() {
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    ::chmod(root, 0777); // the preload library of a child makes its event socket there
    g_free(root);
}

BridgeRecord EmulatedBridge::Record(int unit) {
    Chip& chip = *chips_.at(static_cast<size_t>(unit));
    std::lock_guard<std::mutex> lock(chip.m);
    return chip.record;
}

int EmulatedBridge::Bus(int unit) const {
    return chips_.at(static_cast<size_t>(unit))->bus;
}

int EmulatedBridge::Address(int unit) const {
    return chips_.at(static_cast<size_t>(unit))->address;
}

bool EmulatedBridge::Streaming(int unit) {
    Chip& chip = *chips_.at(static_cast<size_t>(unit));
    std::lock_guard<std::mutex> lock(chip.m);
    return chip.unit.IsStreaming();
}

int32_t EmulatedBridge::RateIndex(int unit) {
    Chip& chip = *chips_.at(static_cast<size_t>(unit));
    std::lock_guard<std::mutex> lock(chip.m);
    return chip.unit.RateIndex();
}

uint64_t EmulatedBridge::SamplesSent(int unit) {
    Chip& chip = *chips_.at(static_cast<size_t>(unit));
    std::lock_guard<std::mutex> lock(chip.m);
    return chip.unit.SamplesSent();
}
