#include "files/SettingRules.h"

namespace {

constexpr int32_t kMinIndexFreqE = 6;
constexpr int32_t kMaxIndexFreqELog = 18;
constexpr int32_t kMaxIndexFreqELinear = 19;
constexpr int32_t kLowestTop = 16;    // -140 dB
constexpr int32_t kRelativeTop = 2;   // 0 dB
constexpr int32_t kHighestBottom = 3; // -10 dB
constexpr int32_t kLowestBottom = 20; // -180 dB

bool Fails(std::string* reason, std::string text) {
    if (reason != nullptr) {
        *reason = std::move(text);
    }
    return false;
}

std::string Field(const char* key, int32_t value) {
    return std::string(key) + ":" + std::to_string(value);
}

} // namespace

bool FreqRangeHolds(const GraphSetting& g, std::string* reason) {
    const int32_t hi = g.fLogGraph ? kMaxIndexFreqELog : kMaxIndexFreqELinear;
    if (g.index_FreqE >= kMinIndexFreqE && g.index_FreqE <= hi && g.index_FreqE > g.index_FreqS) {
        return true;
    }
    return Fails(reason, Field("index_FreqE", g.index_FreqE) + " is not from 6 to " +
                             std::to_string(hi) + " (with " + Field("fLogGraph", g.fLogGraph) +
                             ") and above " + Field("index_FreqS", g.index_FreqS));
}

bool CheckdBRange(const GraphSetting& g, std::string* reason) {
    const std::string range =
        Field("index_dB_max", g.index_dB_max) + " and " + Field("index_dB_min", g.index_dB_min);
    if (g.index_dB_min < kHighestBottom || g.index_dB_min > kLowestBottom) {
        return Fails(reason, Field("index_dB_min", g.index_dB_min) + " is not from 3 to 20");
    }
    if (!g.fAbsoGraph) {
        return g.index_dB_max == kRelativeTop ||
               Fails(reason, range + ": with fAbsoGraph:0 the top must be index_dB_max:2 (0 dB)");
    }
    if (g.index_dB_max > kLowestTop || g.index_dB_max >= g.index_dB_min) {
        return Fails(reason, range + ": with fAbsoGraph:1 index_dB_max must be at most 16 "
                                     "and below index_dB_min");
    }
    return true;
}
