#include "adunit/Acquisition.h"

#include <algorithm>
#include <string_view>

#include "common/RateTables.h"
#include "common/SampleBlock.h"

TAcquisition::TAcquisition(TADC& unit) : unit_(unit) {}

AcqStatus TAcquisition::Prepare(const ADUnitSetting& setting,
                                const std::function<bool()>& abandoned) {
    // Nothing has been started when a stop arrives here: closing leaves the unit idle, and the
    // next start opens it afresh.
    auto abandon = [&] {
        if (!abandoned || !abandoned()) {
            return false;
        }
        unit_.CloseUnit();
        return true;
    };
    model_.fill('\0');
    version_.fill('\0');
    rateText_ = "";
    if (!unit_.OpenUnit()) {
        unit_.CloseUnit();
        return AcqStatus::NotFound;
    }
    if (abandon()) {
        return AcqStatus::Abandoned;
    }
    if (!unit_.CheckUnit()) {
        unit_.CloseUnit();
        return AcqStatus::NoResponse;
    }
    // From here on a failure leaves the unit open.
    if (abandon()) {
        return AcqStatus::Abandoned;
    }
    if (!(setting.sinc3 ? unit_.SelectSinc3() : unit_.SelectSinc5())) {
        return AcqStatus::FilterRefused;
    }
    if (abandon()) {
        return AcqStatus::Abandoned;
    }
    if (!unit_.SetRate(setting.spsSel)) {
        return AcqStatus::RateRefused;
    }
    if (abandon()) {
        return AcqStatus::Abandoned;
    }
    std::array<char, kIdentityCapacity> model{};
    if (!unit_.ReadModelName(model.data(), model.size())) {
        return AcqStatus::ModelRefused;
    }
    if (abandon()) {
        return AcqStatus::Abandoned;
    }
    model_ = model;
    if (std::string_view(model.data()) != DeviceName()) {
        return AcqStatus::WrongModel;
    }
    std::array<char, kIdentityCapacity> version{};
    if (!unit_.ReadVersion(version.data(), version.size())) {
        return AcqStatus::VersionRefused;
    }
    if (abandon()) {
        return AcqStatus::Abandoned;
    }
    version_ = version;
    rateText_ = ::RateText(setting.spsSel, setting.sinc3);
    return AcqStatus::Ok;
}

AcqStatus TAcquisition::Start(const ADUnitSetting& setting, int32_t count, int32_t* codes) {
    running_ = false;
    codes_ = codes;
    count_ = count;
    received_ = 0;
    readFailureStatus_ = 0;
    chunk_ = std::min(ChunkTable(setting.spsSel), count);
    if (codes == nullptr || count < 1 || count > MaxSamples ||
        !unit_.StartAcquisition(setting.ch_sel, count)) {
        unit_.StopAcquisition();
        unit_.CloseUnit();
        return AcqStatus::StartFailed;
    }
    running_ = true;
    // Four read groups late plus a second for the bridge and the host: the unit has stopped.
    const double groupMs =
        chunk_ * static_cast<double>(SamplePeriod(setting.spsSel, setting.sinc3));
    stallLimitNs_ = static_cast<int64_t>(1.0e9 + 4.0 * groupMs * 1.0e6);
    if (clock_) {
        lastArrivalNs_ = clock_->NowNs();
    }
    return AcqStatus::Ok;
}

void TAcquisition::WatchStall(IMonotonicClock* clock) {
    clock_ = clock;
    if (clock_) {
        lastArrivalNs_ = clock_->NowNs();
    }
}

AcqStep TAcquisition::Step() {
    if (!running_ || received_ >= count_) {
        return received_ >= count_ && count_ > 0 ? AcqStep::Complete : AcqStep::Waiting;
    }
    // The last read asks only for the samples still missing: a count that is not a multiple of
    // the read group (5000 at 1024 a group) would otherwise wait for samples never sent.
    const int32_t wanted = std::min(chunk_, count_ - received_);
    int32_t got = 0;
    if (!unit_.ReadSamples(codes_ + received_, got, wanted)) {
        readFailureStatus_ = unit_.LastStatus();
        unit_.StopAcquisition();
        running_ = false;
        return AcqStep::ReadError;
    }
    if (got <= 0) {
        if (clock_ && clock_->NowNs() - lastArrivalNs_ >= stallLimitNs_) {
            unit_.StopAcquisition();
            running_ = false;
            return AcqStep::Stalled;
        }
        return AcqStep::Waiting;
    }
    received_ += got;
    if (clock_) {
        lastArrivalNs_ = clock_->NowNs();
    }
    if (received_ < count_) {
        return AcqStep::Progress;
    }
    running_ = false;
    return AcqStep::Complete;
}

bool TAcquisition::Stop() {
    running_ = false;
    if (!unit_.StopAcquisition()) {
        unit_.CloseUnit();
        return false;
    }
    return true;
}

bool TAcquisition::ClipFree(const int32_t* codes, int32_t count) {
    if (codes == nullptr) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (codes[i] == 0 || codes[i] == 0xFFFFFF) {
            return false;
        }
    }
    return true;
}
