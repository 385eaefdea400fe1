#include "document/MeasurementSeries.h"

#include "common/TextUtil.h"

bool MeasurementSeries::Begin(const SeriesSetting& setting, int32_t count) {
    End();
    setting_ = setting;
    ++id_;
    done_ = 0;
    // A continuous series of single blocks shows each block as it is.
    combining_ = setting.count > 1 || (setting.continuous && setting.mode == AverageMode::PeakHold);
    if (combining_ &&
        !average_.Start(setting.mode, count / 2, setting.continuous ? setting.count : 0)) {
        return false;
    }
    running_ = true;
    return true;
}

void MeasurementSeries::End() {
    running_ = false;
    average_.Release();
}

void MeasurementSeries::AddBlock(SampleBlock& block) {
    ++done_;
    if (!combining_ || block.spectrum == nullptr || block.count / 2 != average_.Bins()) {
        return;
    }
    average_.AddAmplitudes(block.spectrum);
    average_.Amplitudes(block.spectrum);
    block.averaging = average_.Averaging();
    block.averaging.series = id_;
}

std::string MeasurementSeries::Text(int64_t block) const {
    if (setting_.continuous) {
        return "連続 " + std::to_string(block);
    }
    return "平均 " + std::to_string(block) + "/" + std::to_string(setting_.count);
}

std::string MeasurementSeries::RunningText() const {
    return Text(Current());
}

std::string MeasurementSeries::DoneText() const {
    return Text(done_);
}

std::string MeasurementSeries::SaveName(const std::string& path) const {
    return SeriesFileName(path, done_, setting_.continuous ? 0 : setting_.count);
}
