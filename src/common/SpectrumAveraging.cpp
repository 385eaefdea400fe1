#include "common/SpectrumAveraging.h"

std::string AveragingComment(const SpectrumAveraging& averaging) {
    if (!averaging.Averaged()) {
        return {};
    }
    const char* how = averaging.mode == AverageMode::PeakHold ? "peak hold" : "power average";
    return std::string("; ") + how + " of " + std::to_string(averaging.blocks) + " blocks";
}

const char* AverageModeName(AverageMode mode) {
    return mode == AverageMode::PeakHold ? "ピークホールド" : "パワー平均";
}

std::string AveragingSummary(const SpectrumAveraging& averaging) {
    if (!averaging.Averaged()) {
        return {};
    }
    return std::string("平均: ") + AverageModeName(averaging.mode) + " " +
           std::to_string(averaging.blocks) + "回";
}
