#include "adunit/ftdi/D2xxDriver.h"

#include <dlfcn.h>

// The documented D2XX signatures; on Linux DWORD and ULONG are 32-bit and FT_STATUS is a ULONG.
using D2Status = uint32_t;
using D2Handle = void*;
struct D2xxApi {
    D2Status (*Open)(int deviceNumber, D2Handle* handle);
    D2Status (*SetUSBParameters)(D2Handle, uint32_t inTransferSize, uint32_t outTransferSize);
    D2Status (*Purge)(D2Handle, uint32_t mask);
    D2Status (*GetQueueStatus)(D2Handle, uint32_t* rxBytes);
    D2Status (*Read)(D2Handle, void* buffer, uint32_t toRead, uint32_t* returned);
    D2Status (*Write)(D2Handle, void* buffer, uint32_t toWrite, uint32_t* written);
    D2Status (*Close)(D2Handle);
};

namespace {
constexpr D2Status kInvalidHandle = FtDriver::kStatusInvalidHandle;
constexpr D2Status kDeviceNotOpened = FtDriver::kStatusNotOpen;

template <typename F> bool Resolve(void* lib, const char* name, F& fn) {
    fn = reinterpret_cast<F>(dlsym(lib, name));
    return fn != nullptr;
}

const D2xxApi* LoadOnce() {
    void* lib = dlopen("libftd2xx.so", RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        return nullptr;
    }
    static D2xxApi api;
    if (Resolve(lib, "FT_Open", api.Open) &&
        Resolve(lib, "FT_SetUSBParameters", api.SetUSBParameters) &&
        Resolve(lib, "FT_Purge", api.Purge) &&
        Resolve(lib, "FT_GetQueueStatus", api.GetQueueStatus) &&
        Resolve(lib, "FT_Read", api.Read) && Resolve(lib, "FT_Write", api.Write) &&
        Resolve(lib, "FT_Close", api.Close)) {
        return &api; // the library stays loaded for the rest of the run
    }
    dlclose(lib);
    return nullptr;
}
} // namespace

const D2xxApi* D2xxDriver::Load() {
    static const D2xxApi* api = LoadOnce();
    return api;
}

D2xxDriver::~D2xxDriver() {
    if (handle_) {
        api_.Close(handle_);
    }
}

uint32_t D2xxDriver::OpenByIndex(int index) {
    if (handle_) {
        return kDeviceNotOpened;
    }
    D2Handle h = nullptr;
    const D2Status s = api_.Open(index, &h);
    if (s == 0) {
        handle_ = h;
    }
    return s;
}

uint32_t D2xxDriver::SetUSBParameters(uint32_t in, uint32_t out) {
    return handle_ ? api_.SetUSBParameters(handle_, in, out) : kInvalidHandle;
}

uint32_t D2xxDriver::Purge(uint32_t mask) {
    return handle_ ? api_.Purge(handle_, mask) : kInvalidHandle;
}

uint32_t D2xxDriver::GetQueueStatus(uint32_t& queuedBytes) {
    return handle_ ? api_.GetQueueStatus(handle_, &queuedBytes) : kInvalidHandle;
}

uint32_t D2xxDriver::Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) {
    bytesRead = 0;
    return handle_ ? api_.Read(handle_, dst, count, &bytesRead) : kInvalidHandle;
}

uint32_t D2xxDriver::Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) {
    bytesWritten = 0;
    // D2XX takes a non-const buffer but only reads it.
    return handle_ ? api_.Write(handle_, const_cast<uint8_t*>(src), count, &bytesWritten)
                   : kInvalidHandle;
}

uint32_t D2xxDriver::Close() {
    if (!handle_) {
        return kInvalidHandle;
    }
    const D2Status s = api_.Close(handle_);
    handle_ = nullptr;
    return s;
}
