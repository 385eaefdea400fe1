// The measuring state of the main window: the AD unit (`ADUnit`) and the acquisition on it, the
// wait of the unit preparation and the stop that may arrive during it, and the idle step that
// takes the read groups as they arrive. It shows nothing; the window hears what happened
// through the signals and decides what the user sees.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

#include "adunit/Acquisition.h"
#include "adunit/MonotonicClock.h"
#include "app/QtUiServices.h"
#include "common/Settings.h"

class FtDriver;
class TADC;

class TMeasurementController : public QObject {
    Q_OBJECT
public:
    // A poll pass takes every whole group that has arrived, up to this many, so that a poll
    // that comes late is caught up.
    static constexpr int kGroupsPerPass = 4;
    // Polling while measuring: once per read group's time (8.2 ms at 125 ksps; each wake-up of
    // the event loop costs), at least this often at the slow rates.
    static constexpr int kMaxPollIntervalMs = 16;

    explicit TMeasurementController(QObject* parent = nullptr);
    ~TMeasurementController() override;

    // Makes the unit on `driver` with its timer, event pump and clock. A unit that stops
    // sending ends the measurement as a read error, measured on `stallClock` (null: the unit's
    // own steady clock), as the headless acquisition gives up on it.
    void CreateUnit(std::unique_ptr<FtDriver> driver, IMonotonicClock* stallClock);
    // Closes the unit and releases it (the window's release order).
    void ReleaseUnit();
    bool HasUnit() const { return acquisition_ != nullptr; }
    // The design's `ADUnit`; null without a driver backend.
    TADC* ADUnit() const { return unit_.get(); }

    // The preparation step of the start (open, check, filter, rate, identity). Events are
    // serviced while it waits for the unit; a RequestStop() arriving then ends it with
    // Abandoned after the current step. Without a unit: NotFound.
    AcqStatus PrepareUnit(const ADUnitSetting& setting);
    bool Initializing() const { return initializing_; }
    // A stop or close came in during PrepareUnit's wait (the transport is inside a command,
    // so nothing is sent then). Ignored when no preparation waits.
    void RequestStop();
    // The last preparation was ended by RequestStop().
    bool StopRequested() const { return stopRequested_; }
    // The replies of the last preparation and the rate text of its setting (with a unit only).
    const char* ModelName() const { return acquisition_->ModelName(); }
    const char* Version() const { return acquisition_->Version(); }
    const char* RateText() const { return acquisition_->RateText(); }

    // Sends the acquisition command for `count` samples into codes[0..count-1]; measuring
    // from then on when it returns Ok (otherwise the unit has been stopped and closed).
    AcqStatus Start(const ADUnitSetting& setting, int32_t count, int32_t* codes);
    // One non-blocking idle step: takes each read group (or the rest of the block, when less
    // is missing) that has wholly arrived, a few at most; emits progress, finished or failed.
    void PollAcquisition();
    // Ends the acquisition on the unit (a unit that cannot take the command is closed); the
    // samples received so far are dropped. Emits stopped.
    void Stop();
    // Tells the unit to stop sending again (result ignored): the block was rejected.
    void StopAcquisition();

    bool Measuring() const { return measuring_; }
    int32_t ReceivedCount() const { return receivedCount_; }
    int32_t ChunkSize() const { return chunkSize_; }
    // The idle timer's interval while measuring, from the read group's time of the last start.
    int PollIntervalMs() const { return pollIntervalMs_; }

signals:
    // A read group arrived; the block is not complete yet.
    void progress(int32_t received, int32_t lastCode);
    // The block is complete (the unit has not been stopped yet).
    void finished();
    // The read failed or the unit stopped sending; the unit was told to stop.
    void failed();
    // Stop() ended the acquisition.
    void stopped();

private:
    // Takes one read group when all of it has arrived; true when one was taken and the block
    // goes on.
    bool TakeReadGroup();

    // Services of the unit; they outlive it.
    QtEventPump eventPump_;
    SteadyClock unitClock_;
    std::unique_ptr<QtOneShotTimer> unitTimer_;
    std::unique_ptr<TADC> unit_; // ADUnit
    // The steps of one acquisition on the unit; exists with it.
    std::unique_ptr<TAcquisition> acquisition_;

    bool measuring_ = false; // fMeasuring
    int32_t receivedCount_ = 0;
    int32_t chunkSize_ = 0;
    int pollIntervalMs_ = 1;
    // PrepareUnit services events while it waits for the unit; a stop or close arriving then is
    // noted here and acted on between the steps, never inside the transport's wait.
    bool initializing_ = false;
    bool stopRequested_ = false;
};
