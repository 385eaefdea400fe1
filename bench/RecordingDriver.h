// A driver between the window and the simulated unit that passes every call through and keeps
// what the continuous soak wants to know of the stream: when each acquisition command went out,
// when the block's last byte reached the host, whether the unit had sent the whole block before
// the next command, the overrun reports of the receive queue and the CPU time spent inside the
// unit's calls. Only running sums are kept, so that a long run does not grow on their account.
#pragma once

#include <cstdint>
#include <memory>

#include "adunit/FtDriver.h"
#include "adunit/MonotonicClock.h"
#include "adunit/sim/SimulatedUnit.h"

class RecordingDriver final : public FtDriver {
public:
    // Sum, mean and largest of a series of durations in nanoseconds.
    struct Spread {
        int64_t n = 0;
        double sumNs = 0;
        int64_t maxNs = 0;
        void Add(int64_t ns);
        double MeanMs() const { return n ? sumNs / static_cast<double>(n) * 1e-6 : 0.0; }
        double MaxMs() const { return static_cast<double>(maxNs) * 1e-6; }
    };

    // `blockNs`: how long the unit takes to send a block of `count` samples, the last one
    // leaving it `blockNs` after the acquisition command.
    RecordingDriver(std::unique_ptr<SimulatedUnit> unit, IMonotonicClock& clock, int32_t count,
                    int64_t blockNs);

    uint32_t OpenByIndex(int index) override;
    uint32_t SetUSBParameters(uint32_t inTransferSize, uint32_t outTransferSize) override;
    uint32_t Purge(uint32_t mask) override;
    uint32_t GetQueueStatus(uint32_t& queuedBytes) override;
    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) override;
    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) override;
    uint32_t Close() override;

    // Acquisition commands sent, and of those followed by another one, the ones whose block
    // the unit had not wholly sent and the host not wholly read by then.
    int64_t Starts() const { return starts_; }
    int64_t CutShort() const { return cutShort_; }
    int64_t FirstStartNs() const { return firstStartNs_; }
    // Samples the unit sent over all acquisitions (the current one as far as it has got).
    uint64_t SamplesSent() const;
    // Queue queries and reads that failed: overrun reports of the receive queue (I/O error)
    // and any other failure.
    int64_t OverrunReports() const { return overruns_; }
    int64_t OtherFailures() const { return otherFailures_; }
    // Between a block and the next: the unit idle from its last sample to the next command,
    // split into the delivery of the block's last bytes to the host and the host's own part
    // (last read to next command: the finish work and the start).
    const Spread& UnitIdle() const { return unitIdle_; }
    const Spread& Delivery() const { return delivery_; }
    const Spread& HostPart() const { return hostPart_; }
    // Thread CPU time spent inside the simulated unit's calls (includes the clock reads that
    // measure it).
    double UnitCpuMs() const { return unitCpuMs_; }

private:
    template <typename Call> uint32_t Timed(Call&& call);
    void NoteStatus(uint32_t status);
    // An acquisition command goes out now: closes the figures of the block before it.
    void NoteStart(int64_t now);
    // The write carries an acquisition command line ("A0"/"A1" and five hex digits).
    bool CarriesStart(const uint8_t* src, uint32_t count);

    std::unique_ptr<SimulatedUnit> unit_;
    IMonotonicClock& clock_;
    const int64_t blockBytes_;
    const int64_t blockNs_;
    char line_[16] = {};
    uint32_t lineLength_ = 0;

    int64_t starts_ = 0;
    int64_t cutShort_ = 0;
    int64_t firstStartNs_ = -1;
    int64_t startNs_ = 0;
    int64_t bytesRead_ = 0; // of the current acquisition
    int64_t lastByteNs_ = -1;
    uint64_t sentBefore_ = 0; // by the acquisitions before the current one
    int64_t overruns_ = 0;
    int64_t otherFailures_ = 0;
    Spread unitIdle_, delivery_, hostPart_;
    double unitCpuMs_ = 0;
};
