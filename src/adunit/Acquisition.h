// One acquisition on the TORVEX24 as the start button and the headless `acquire` command both
// run it: unit preparation (open, check, filter, rate, model, version), the acquisition command,
// non-blocking reads of one read group at a time until the block is complete (the last read asks
// only for the samples still missing), the stop and the clipping check. It reports what happened
// and shows nothing; the waits for the unit's replies run inside the transport, on its injected
// timer, event pump and clock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "adunit/Adc.h"
#include "adunit/MonotonicClock.h"
#include "common/Settings.h"

// Outcome of the preparation and of the acquisition command.
enum class AcqStatus {
    Ok,
    NotFound,       // the unit cannot be opened; it is closed
    NoResponse,     // the unit does not answer the check; it is closed
    FilterRefused,  // the filter command failed; the unit stays open
    RateRefused,    // the rate command failed; the unit stays open
    ModelRefused,   // the model query failed; the unit stays open
    WrongModel,     // the unit is not a TORVEX24; it stays open
    VersionRefused, // the version query failed; the unit stays open
    Abandoned,      // a stop arrived while a step waited; the unit is closed
    StartFailed,    // the acquisition command could not be sent; the unit is closed
};

// Outcome of one read step.
enum class AcqStep {
    Waiting,   // the next group has not arrived completely
    Progress,  // a group arrived; the block is not complete yet
    Complete,  // the block is complete (the unit is not stopped yet)
    ReadError, // the read failed; the unit was told to stop
    Stalled,   // nothing arrived for the stall limit; the unit was told to stop
};

class TAcquisition {
public:
    static constexpr size_t kIdentityCapacity = 16; // every accepted reply and its NUL

    explicit TAcquisition(TADC& unit);

    // Prepares the unit for `setting` (filter, rate). `abandoned` is asked after every step
    // that waited for the unit (events are serviced during the waits, so a stop may come in
    // there); when it says yes the unit is closed and the preparation ends with Abandoned.
    AcqStatus Prepare(const ADUnitSetting& setting, const std::function<bool()>& abandoned = {});
    // The replies of the last preparation (the model also when it was the wrong one) and the
    // rate text of its setting once the preparation succeeded.
    const char* ModelName() const { return model_.data(); }
    const char* Version() const { return version_.data(); }
    const char* RateText() const { return rateText_; }

    // Sends the acquisition command for `count` samples (1..MaxSamples) on the setting's
    // channel; the samples go to codes[0..count-1]. On failure the unit is stopped and closed.
    AcqStatus Start(const ADUnitSetting& setting, int32_t count, int32_t* codes);
    // One non-blocking read: the next read group, or the rest of the block when less is missing.
    AcqStep Step();
    // Ends the acquisition on the unit ("AX"); a unit that cannot take the command is closed.
    // Returns whether the command was sent.
    bool Stop();

    // A unit that sends nothing for StallLimitNs (measured on `clock`) ends the acquisition
    // with Stalled. Without a clock the acquisition waits for as long as it takes.
    void WatchStall(IMonotonicClock* clock);
    // The stall limit of the acquisition last started: a second for the bridge and the host
    // plus four read groups' time; 0 when no stall is watched.
    int64_t StallLimitNs() const { return clock_ ? stallLimitNs_ : 0; }

    bool Running() const { return running_; }
    int32_t Received() const { return received_; }
    int32_t Count() const { return count_; }
    int32_t ChunkSize() const { return chunk_; }
    // Driver status of the read that failed (ReadError); 0 otherwise.
    uint32_t ReadFailureStatus() const { return readFailureStatus_; }
    // The most recent sample received (0 before the first).
    int32_t LastCode() const { return received_ > 0 ? codes_[received_ - 1] : 0; }

    // False when any code is 0 or 16777215: the input left the converter's range.
    static bool ClipFree(const int32_t* codes, int32_t count);

private:
    TADC& unit_;
    std::array<char, kIdentityCapacity> model_{};
    std::array<char, kIdentityCapacity> version_{};
    const char* rateText_ = "";

    int32_t* codes_ = nullptr;
    int32_t count_ = 0;
    int32_t received_ = 0;
    int32_t chunk_ = 0;
    bool running_ = false;
    uint32_t readFailureStatus_ = 0;

    IMonotonicClock* clock_ = nullptr;
    int64_t stallLimitNs_ = 0;
    int64_t lastArrivalNs_ = 0;
};
