// The readers take file names, so each input goes through a real file: that also exercises
// opening and buffered reading.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

inline const std::string& FuzzFileName() {
    // /dev/shm keeps the per-input file off the disk.
    static const std::string name =
        (access("/dev/shm", W_OK) == 0 ? "/dev/shm/tavrin_fuzz_" : "/tmp/tavrin_fuzz_") +
        std::to_string(getpid());
    return name;
}

inline bool WriteFuzzFile(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(FuzzFileName().c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
