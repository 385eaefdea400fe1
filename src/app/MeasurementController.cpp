#include "app/MeasurementController.h"

#include <algorithm>

#include "adunit/Adc.h"
#include "adunit/FtDriver.h"
#include "common/RateTables.h"

namespace {
int PollInterval(int32_t groupSamples, int32_t spsSel, bool sinc3) {
    const double groupMs = groupSamples * static_cast<double>(SamplePeriod(spsSel, sinc3));
    return std::clamp(static_cast<int>(groupMs), 1, TMeasurementController::kMaxPollIntervalMs);
}
} // namespace

TMeasurementController::TMeasurementController(QObject* parent) : QObject(parent) {}

TMeasurementController::~TMeasurementController() {
    ReleaseUnit();
}

void TMeasurementController::CreateUnit(std::unique_ptr<FtDriver> driver,
                                        IMonotonicClock* stallClock) {
    auto timer = std::make_unique<QtOneShotTimer>();
    auto unit = std::make_unique<TADC>(std::move(driver), *timer, eventPump_, &unitClock_);
    auto acquisition = std::make_unique<TAcquisition>(*unit);
    acquisition->WatchStall(stallClock ? stallClock : &unitClock_);
    unitTimer_ = std::move(timer);
    unit_ = std::move(unit);
    acquisition_ = std::move(acquisition);
}

void TMeasurementController::ReleaseUnit() {
    acquisition_.reset();
    if (unit_) {
        unit_->CloseUnit();
        unit_.reset();
    }
    unitTimer_.reset();
    measuring_ = false;
}

// --- Start -------------------------------------------------------------------------------------

AcqStatus TMeasurementController::PrepareUnit(const ADUnitSetting& setting) {
    if (!acquisition_) {
        return AcqStatus::NotFound;
    }
    stopRequested_ = false;
    initializing_ = true;
    const AcqStatus status = acquisition_->Prepare(setting, [this] { return stopRequested_; });
    initializing_ = false;
    return status;
}

void TMeasurementController::RequestStop() {
    if (initializing_) {
        stopRequested_ = true;
    }
}

AcqStatus TMeasurementController::Start(const ADUnitSetting& setting, int32_t count,
                                        int32_t* codes) {
    receivedCount_ = 0;
    if (!acquisition_) {
        return AcqStatus::NotFound;
    }
    const AcqStatus started = acquisition_->Start(setting, count, codes);
    chunkSize_ = acquisition_->ChunkSize();
    pollIntervalMs_ = PollInterval(chunkSize_, setting.spsSel, setting.sinc3);
    measuring_ = started == AcqStatus::Ok;
    return started;
}

// --- Idle step ---------------------------------------------------------------------------------

void TMeasurementController::PollAcquisition() {
    for (int i = 0; i < kGroupsPerPass && TakeReadGroup(); ++i) {
    }
}

bool TMeasurementController::TakeReadGroup() {
    if (!measuring_ || !acquisition_ || receivedCount_ >= acquisition_->Count()) {
        return false;
    }
    switch (acquisition_->Step()) {
    case AcqStep::Waiting:
        return false;
    case AcqStep::ReadError:
    case AcqStep::Stalled:
        measuring_ = false;
        emit failed();
        return false;
    case AcqStep::Progress:
        receivedCount_ = acquisition_->Received();
        emit progress(receivedCount_, acquisition_->LastCode());
        return true;
    case AcqStep::Complete:
        receivedCount_ = acquisition_->Received();
        emit finished();
        return false;
    }
    return false;
}

// --- Stop --------------------------------------------------------------------------------------

void TMeasurementController::Stop() {
    if (acquisition_) {
        acquisition_->Stop();
    }
    measuring_ = false;
    emit stopped();
}

void TMeasurementController::StopAcquisition() {
    if (unit_) {
        unit_->StopAcquisition();
    }
    measuring_ = false;
}
