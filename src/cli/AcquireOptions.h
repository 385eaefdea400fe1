// The command line of tavrin-cli acquire. Options are rows of two tables, one for options with a
// value and one for switches: a new option is one more row.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "common/Settings.h"

struct AcquireOptions {
    std::string output;
    int32_t count = kMaxDataCount;
    std::string rate = "125ksps";
    bool sinc3 = false;
    int32_t channel = 0;
    int32_t repeat = 1;
    bool force = false;
    bool json = false;
    bool simulated = false;
    std::string device; // serial number of the USB bridge; empty: the first
    std::vector<std::string> simArgs;
};

// The usage text of the command (the simulator's options follow it in --help).
const char* AcquireUsage();

// kExitOk when parsed (--help sets `help`), kExitUsage (message and usage on err) otherwise.
int ParseAcquireOptions(const std::vector<std::string>& args, AcquireOptions& o, bool& help,
                        std::ostream& err);

// The rate index whose text (for the chosen filter, or the other one where they differ) is
// `text`; -1 when none.
int32_t RateIndexByText(const std::string& text, bool sinc3);

// OUT.DTA for one block; OUT-001.DTA ... for a series.
std::string OutputName(const std::string& output, int32_t index, int32_t repeat);
