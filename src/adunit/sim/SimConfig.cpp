#include "adunit/sim/SimConfig.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/TavrinVersion.h"

SimConfig DefaultSimConfig() {
    SimConfig c;
    ChannelSignal& ch0 = c.channel[0];
    ch0.tones.push_back({1000.0, 1.0, 0.0});
    ch0.tones.push_back({2000.0, 1.0e-5, 30.0});    // -100 dBc
    ch0.tones.push_back({3000.0, 3.1623e-6, 75.0}); // -110 dBc
    ch0.tones.push_back({50.0, 2.0e-6, 10.0});      // mains hum
    ch0.noiseRmsV = 3.0e-6;
    c.channel[1].noiseRmsV = 2.0e-6; // shorted input
    return c;
}

const char* SimOptionsHelp() {
    return "Simulated TORVEX24 options (without any, CH0 carries a 1 kHz 1 V tone with\n"
           "harmonics at -100/-110 dBc, 50 Hz hum and 3 uV noise; CH1 is a shorted input):\n"
           "  --chN-dc VOLTS            DC offset of channel N (0 or 1)\n"
           "  --chN-tone HZ:VPEAK[:DEG] add a tone (repeatable)\n"
           "  --chN-harmonic H:DBC[:DEG] add harmonic H of the channel's first tone at DBC\n"
           "                            (e.g. 2:-100; repeatable, after that tone)\n"
           "  --chN-noise VRMS          white noise RMS\n"
           "  --chN-ramp                counter signal: sample n is code 0x100000 + n\n"
           "    (any --chN-* option replaces that channel's default picture)\n"
           "  --no-filter-response      tones are not shaped by the digital filter\n"
           "  --latency MS              latency timer of the USB bridge (default 16; 0..255)\n"
           "  --rx-buffer BYTES         receive queue of the host driver (default 131072);\n"
           "                            a reader that falls behind loses samples, reported as\n"
           "                            a read failure\n"
           "  --model NAME              model name answered to \"U?\"\n"
           "  --unit-version TEXT       version line answered to \"V?\"\n"
           "Faults:\n"
           "  --absent                  the unit cannot be opened\n"
           "  --silent                  the unit never answers nor streams\n"
           "  --ng COMMAND              answer \"NG\" to COMMAND (\"F*\": every rate command)\n"
           "  --stall-after N           each acquisition stops after N samples\n"
           "  --vanish-after N          the device disappears after N samples (reads fail)\n"
           "  --stray-bytes N           N stray bytes before the first sample\n"
           "  --clip-at N               sample N of each acquisition reads 16777215\n"
           "  --help                    this text\n"
           "  --version                 print the program's version\n";
}

namespace {

bool ParseDouble(const char* text, double& out) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

bool ParseCount(const char* text, int64_t& out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || v < 0) {
        return false;
    }
    out = v;
    return true;
}

bool ParseTone(const char* text, SimTone& tone) {
    char buf[128];
    if (std::strlen(text) >= sizeof buf) {
        return false;
    }
    std::strcpy(buf, text);
    double values[3] = {0.0, 0.0, 0.0};
    int n = 0;
    char* save = nullptr;
    for (char* part = strtok_r(buf, ":", &save); part; part = strtok_r(nullptr, ":", &save)) {
        if (n == 3 || !ParseDouble(part, values[n])) {
            return false;
        }
        ++n;
    }
    if (n < 2 || values[0] < 0.0) {
        return false;
    }
    tone = {values[0], values[1], values[2]};
    return true;
}

// "H:DBC[:DEG]": a tone at H times the fundamental's frequency, DBC below its amplitude.
bool ParseHarmonic(const char* text, const SimTone& fundamental, SimTone& tone) {
    SimTone spec;
    if (!ParseTone(text, spec)) {
        return false;
    }
    const double order = spec.frequencyHz;
    if (order < 2.0 || order != std::floor(order) || order > 1000.0) {
        return false;
    }
    tone = {fundamental.frequencyHz * order,
            fundamental.amplitudeV * std::pow(10.0, spec.amplitudeV / 20.0), spec.phaseDeg};
    return true;
}

} // namespace

bool ParseSimOptions(int argc, char** argv, SimConfig& config, std::string& error, bool& exitNow) {
    exitNow = false;
    bool touched[2] = {false, false};
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&]() {
            if (!value) {
                error = "option " + opt + " needs a value";
                return false;
            }
            ++i;
            return true;
        };
        auto bad = [&]() {
            error = "bad value for " + opt + ": " + value;
            return false;
        };

        if (opt == "--help" || opt == "-h") {
            exitNow = true;
            error = SimOptionsHelp();
            return true;
        }
        if (opt == "--version") {
            exitNow = true;
            error = "tavrin-sim " TAVRIN_VERSION "\n";
            return true;
        }
        if (opt.size() > 5 && opt.compare(0, 4, "--ch") == 0 && (opt[4] == '0' || opt[4] == '1') &&
            opt[5] == '-') {
            const int ch = opt[4] - '0';
            const std::string what = opt.substr(6);
            ChannelSignal& sig = config.channel[ch];
            if (!touched[ch]) {
                sig = ChannelSignal{};
                touched[ch] = true;
            }
            if (what == "ramp") {
                sig.ramp = true;
                continue;
            }
            if (what != "dc" && what != "tone" && what != "noise" && what != "harmonic") {
                error = "unknown option " + opt;
                return false;
            }
            if (!needValue()) {
                return false;
            }
            if (what == "dc") {
                if (!ParseDouble(value, sig.dcVolts)) {
                    return bad();
                }
            } else if (what == "noise") {
                if (!ParseDouble(value, sig.noiseRmsV) || sig.noiseRmsV < 0.0) {
                    return bad();
                }
            } else if (what == "harmonic") {
                SimTone tone;
                if (sig.tones.empty()) {
                    error = opt + " needs a --ch" + opt.substr(4, 1) + "-tone before it";
                    return false;
                }
                if (!ParseHarmonic(value, sig.tones.front(), tone)) {
                    return bad();
                }
                sig.tones.push_back(tone);
            } else {
                SimTone tone;
                if (!ParseTone(value, tone)) {
                    return bad();
                }
                sig.tones.push_back(tone);
            }
            continue;
        }
        if (opt == "--no-filter-response") {
            config.filterResponse = false;
        } else if (opt == "--absent") {
            config.absent = true;
        } else if (opt == "--silent") {
            config.silent = true;
        } else if (opt == "--model" || opt == "--unit-version" || opt == "--ng") {
            if (!needValue()) {
                return false;
            }
            // Replies travel as one line of at most 15 characters.
            if (std::strlen(value) > 15 || std::strchr(value, '\r')) {
                return bad();
            }
            (opt == "--model"          ? config.modelName
             : opt == "--unit-version" ? config.version
                                       : config.ngCommand) = value;
        } else if (opt == "--latency") {
            if (!needValue()) {
                return false;
            }
            if (!ParseDouble(value, config.latencyMs) || config.latencyMs < 0.0 ||
                config.latencyMs > 255.0) {
                return bad();
            }
        } else if (opt == "--rx-buffer") {
            if (!needValue()) {
                return false;
            }
            int64_t n = 0;
            if (!ParseCount(value, n) || n < 64 || n > (int64_t{64} << 20)) {
                return bad();
            }
            config.rxBufferBytes = static_cast<uint32_t>(n);
        } else if (opt == "--stall-after" || opt == "--vanish-after" || opt == "--clip-at" ||
                   opt == "--stray-bytes") {
            if (!needValue()) {
                return false;
            }
            int64_t n = 0;
            if (!ParseCount(value, n)) {
                return bad();
            }
            if (opt == "--stall-after") {
                config.stallAfter = n;
            } else if (opt == "--vanish-after") {
                config.vanishAfter = n;
            } else if (opt == "--clip-at") {
                config.clipAt = n;
            } else {
                if (n > 1000) {
                    return bad();
                }
                config.strayBytes = static_cast<int32_t>(n);
            }
        } else {
            error = "unknown option " + opt + " (see --help)";
            return false;
        }
    }
    return true;
}
