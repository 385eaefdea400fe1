#include "adunit/sim/SimConfig.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
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

// Outcome of one option: how many arguments after it were its value, or a failure (the
// message in `error`).
constexpr int kFailed = -1;

int NeedValue(const std::string& opt, const char* value, std::string& error) {
    if (!value) {
        error = "option " + opt + " needs a value";
        return kFailed;
    }
    return 1;
}

int Bad(const std::string& opt, const char* value, std::string& error) {
    error = "bad value for " + opt + ": " + value;
    return kFailed;
}

struct FlagOption {
    const char* name;
    bool SimConfig::*field;
    bool value;
};
constexpr FlagOption kFlagOptions[] = {
    {"--no-filter-response", &SimConfig::filterResponse, false},
    {"--absent", &SimConfig::absent, true},
    {"--silent", &SimConfig::silent, true},
};

// Replies travel as one line of at most 15 characters.
struct TextOption {
    const char* name;
    std::string SimConfig::*field;
};
const TextOption kTextOptions[] = {
    {"--model", &SimConfig::modelName},
    {"--unit-version", &SimConfig::version},
    {"--ng", &SimConfig::ngCommand},
};

constexpr int64_t kUnlimited = INT64_MAX;
struct CountOption {
    const char* name;
    int64_t lo;
    int64_t hi;
    void (*set)(SimConfig&, int64_t);
};
const CountOption kCountOptions[] = {
    {"--rx-buffer", 64, int64_t{64} << 20,
     [](SimConfig& c, int64_t n) { c.rxBufferBytes = static_cast<uint32_t>(n); }},
    {"--stall-after", 0, kUnlimited, [](SimConfig& c, int64_t n) { c.stallAfter = n; }},
    {"--vanish-after", 0, kUnlimited, [](SimConfig& c, int64_t n) { c.vanishAfter = n; }},
    {"--clip-at", 0, kUnlimited, [](SimConfig& c, int64_t n) { c.clipAt = n; }},
    {"--stray-bytes", 0, 1000,
     [](SimConfig& c, int64_t n) { c.strayBytes = static_cast<int32_t>(n); }},
};

// The options about the unit and its faults (everything but --chN-*).
int UnitOption(const std::string& opt, const char* value, SimConfig& config, std::string& error) {
    for (const FlagOption& f : kFlagOptions) {
        if (opt == f.name) {
            config.*f.field = f.value;
            return 0;
        }
    }
    for (const TextOption& t : kTextOptions) {
        if (opt == t.name) {
            if (NeedValue(opt, value, error) == kFailed) {
                return kFailed;
            }
            if (std::strlen(value) > 15 || std::strchr(value, '\r')) {
                return Bad(opt, value, error);
            }
            config.*t.field = value;
            return 1;
        }
    }
    for (const CountOption& c : kCountOptions) {
        if (opt == c.name) {
            if (NeedValue(opt, value, error) == kFailed) {
                return kFailed;
            }
            int64_t n = 0;
            if (!ParseCount(value, n) || n < c.lo || n > c.hi) {
                return Bad(opt, value, error);
            }
            c.set(config, n);
            return 1;
        }
    }
    if (opt == "--latency") {
        if (NeedValue(opt, value, error) == kFailed) {
            return kFailed;
        }
        if (!ParseDouble(value, config.latencyMs) || config.latencyMs < 0.0 ||
            config.latencyMs > 255.0) {
            return Bad(opt, value, error);
        }
        return 1;
    }
    error = "unknown option " + opt + " (see --help)";
    return kFailed;
}

// A signal option's value for one channel; false when the value is bad.
struct ChannelOption {
    const char* what;
    bool takesValue;
    bool (*apply)(ChannelSignal&, const char* value);
};
const ChannelOption kChannelOptions[] = {
    {"ramp", false, [](ChannelSignal& sig, const char*) { return sig.ramp = true; }},
    {"dc", true, [](ChannelSignal& sig, const char* v) { return ParseDouble(v, sig.dcVolts); }},
    {"noise", true,
     [](ChannelSignal& sig, const char* v) {
         return ParseDouble(v, sig.noiseRmsV) && sig.noiseRmsV >= 0.0;
     }},
    {"tone", true,
     [](ChannelSignal& sig, const char* v) {
         SimTone tone;
         if (!ParseTone(v, tone)) {
             return false;
         }
         sig.tones.push_back(tone);
         return true;
     }},
    {"harmonic", true,
     [](ChannelSignal& sig, const char* v) {
         SimTone tone;
         if (!ParseHarmonic(v, sig.tones.front(), tone)) {
             return false;
         }
         sig.tones.push_back(tone);
         return true;
     }},
};

bool IsChannelOption(const std::string& opt) {
    return opt.size() > 5 && opt.compare(0, 4, "--ch") == 0 && (opt[4] == '0' || opt[4] == '1') &&
           opt[5] == '-';
}

// --chN-WHAT: the first one for a channel clears its default picture.
int ChannelSignalOption(const std::string& opt, const char* value, SimConfig& config,
                        bool (&touched)[2], std::string& error) {
    const int ch = opt[4] - '0';
    const std::string what = opt.substr(6);
    ChannelSignal& sig = config.channel[ch];
    if (!touched[ch]) {
        sig = ChannelSignal{};
        touched[ch] = true;
    }
    for (const ChannelOption& c : kChannelOptions) {
        if (what != c.what) {
            continue;
        }
        if (c.takesValue && NeedValue(opt, value, error) == kFailed) {
            return kFailed;
        }
        if (what == "harmonic" && sig.tones.empty()) {
            error = opt + " needs a --ch" + opt.substr(4, 1) + "-tone before it";
            return kFailed;
        }
        if (!c.apply(sig, value)) {
            return Bad(opt, value, error);
        }
        return c.takesValue ? 1 : 0;
    }
    error = "unknown option " + opt;
    return kFailed;
}

} // namespace

bool ParseSimOptions(int argc, char** argv, SimConfig& config, std::string& error, bool& exitNow) {
    exitNow = false;
    bool touched[2] = {false, false};
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
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
        const int used = IsChannelOption(opt)
                             ? ChannelSignalOption(opt, value, config, touched, error)
                             : UnitOption(opt, value, config, error);
        if (used == kFailed) {
            return false;
        }
        i += used;
    }
    return true;
}
