// What the simulated TORVEX24 carries at its inputs and which faults it shows.
#pragma once

#include <cstdint>
#include <string>

#include "adunit/sim/SignalModel.h"

struct SimConfig {
    ChannelSignal channel[2];
    // Apply the digital filter's response to the tones (a 1 kHz tone vanishes at 5 sps as it
    // would on the real unit). Off gives the plain sampled waveform.
    bool filterResponse = true;

    // The USB FIFO bridge: bytes reach the host's receive queue in packets of 62 payload bytes,
    // or when the latency timer expires with fewer waiting (0: every byte goes at once).
    double latencyMs = 16.0;
    // The receive queue the host driver keeps; bytes beyond it are lost and the next queue
    // query or read fails once, as an overrun report.
    uint32_t rxBufferBytes = 131072;

    std::string modelName = "TORVEX24";
    std::string version = "Ver2.10";

    // Faults.
    bool absent = false;      // the device cannot be opened
    bool silent = false;      // the unit takes commands but never answers or streams
    std::string ngCommand;    // this command line is answered "NG"; "F*" matches every "F" + rate
    int64_t stallAfter = -1;  // each acquisition stops streaming after this many samples
    int64_t vanishAfter = -1; // the device is gone (every call fails) after this many samples
    int32_t strayBytes = 0;   // bytes sent in front of the first sample of each acquisition
    int64_t clipAt = -1;      // this sample of each acquisition reads 16777215 (input overload)
};

// The bench picture of `tavrin-sim` without options: CH0 a 1 kHz tone of 1 V peak with its
// second harmonic at -100 dBc and its third at -110 dBc, a little 50 Hz hum and a few
// microvolts of noise; CH1 a shorted input with noise only.
SimConfig DefaultSimConfig();

// Parses the simulator's options into `config` (which starts from DefaultSimConfig). Any signal
// option for a channel first clears that channel's default picture. Returns false with a message
// in `error`; for --help and --version it returns true with `exitNow` set and the text to
// print in `error`.
bool ParseSimOptions(int argc, char** argv, SimConfig& config, std::string& error, bool& exitNow);

const char* SimOptionsHelp();
