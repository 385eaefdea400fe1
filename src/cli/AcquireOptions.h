// The command line of tavrin-cli acquire. Options are rows of two tables, one for options with a
// value and one for switches: a new option is one more row.
#pragma once

#include "common/SpectrumAveraging.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "common/Settings.h"

// The most blocks one average takes.
inline constexpr int32_t kMaxAveragedBlocks = SeriesSetting::kMaxCount;

struct AcquireOptions {
    std::string output;
    int32_t count = kMaxDataCount;
    std::string rate = "125ksps";
    bool sinc3 = false;
    int32_t channel = 0;
    int32_t repeat = 1;
    bool repeatGiven = false;
    int32_t average = 0; // blocks averaged; 0: no --average
    bool peakHold = false;
    std::string fft; // the spectrum export to write; empty: none
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

// A series of blocks prepared once whose spectra are combined (--average or --fft).
inline bool AveragedSeries(const AcquireOptions& o) {
    return o.average > 0 || !o.fft.empty();
}

// OUT.DTA for one block; OUT-001.DTA ... for a series.
std::string OutputName(const std::string& output, int32_t index, int32_t repeat);
