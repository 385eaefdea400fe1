#include "RecordingDriver.h"

#include <algorithm>

#include "SoakKit.h"

void RecordingDriver::Spread::Add(int64_t ns) {
    ++n;
    sumNs += static_cast<double>(ns);
    maxNs = std::max(maxNs, ns);
}

RecordingDriver::RecordingDriver(std::unique_ptr<SimulatedUnit> unit, IMonotonicClock& clock,
                                 int32_t count, int64_t blockNs)
    : unit_(std::move(unit)), clock_(clock), blockBytes_(int64_t{3} * count), blockNs_(blockNs) {}

template <typename Call> uint32_t RecordingDriver::Timed(Call&& call) {
    const double c0 = soak::ThreadCpuMs();
    const uint32_t status = call();
    unitCpuMs_ += soak::ThreadCpuMs() - c0;
    return status;
}

void RecordingDriver::NoteStatus(uint32_t status) {
    if (status == kStatusIoError) {
        ++overruns_;
    } else if (status != kStatusOk) {
        ++otherFailures_;
    }
}

uint32_t RecordingDriver::OpenByIndex(int index) {
    return Timed([&] { return unit_->OpenByIndex(index); });
}

uint32_t RecordingDriver::SetUSBParameters(uint32_t inTransferSize, uint32_t outTransferSize) {
    return Timed([&] { return unit_->SetUSBParameters(inTransferSize, outTransferSize); });
}

uint32_t RecordingDriver::Purge(uint32_t mask) {
    return Timed([&] { return unit_->Purge(mask); });
}

uint32_t RecordingDriver::GetQueueStatus(uint32_t& queuedBytes) {
    const uint32_t status = Timed([&] { return unit_->GetQueueStatus(queuedBytes); });
    NoteStatus(status);
    return status;
}

uint32_t RecordingDriver::Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) {
    const int64_t now = clock_.NowNs();
    const uint32_t status = Timed([&] { return unit_->Read(dst, count, bytesRead); });
    NoteStatus(status);
    if (status == kStatusOk && starts_ > 0 && bytesRead_ < blockBytes_) {
        bytesRead_ += bytesRead;
        if (bytesRead_ >= blockBytes_) {
            lastByteNs_ = now;
        }
    }
    return status;
}

bool RecordingDriver::CarriesStart(const uint8_t* src, uint32_t count) {
    bool start = false;
    for (uint32_t i = 0; i < count; ++i) {
        const char c = static_cast<char>(src[i]);
        if (c != '\r') {
            if (lineLength_ < sizeof line_ - 1) {
                line_[lineLength_] = c;
            }
            ++lineLength_;
            continue;
        }
        const bool hex = std::all_of(line_ + 2, line_ + 7, [](char d) {
            return (d >= '0' && d <= '9') || (d >= 'A' && d <= 'F');
        });
        start = start || (lineLength_ == 7 && line_[0] == 'A' &&
                          (line_[1] == '0' || line_[1] == '1') && hex);
        lineLength_ = 0;
    }
    return start;
}

void RecordingDriver::NoteStart(int64_t now) {
    if (starts_ == 0) {
        firstStartNs_ = now;
    } else {
        const uint64_t sent = unit_->SamplesSent();
        sentBefore_ += sent;
        if (bytesRead_ < blockBytes_ || sent != static_cast<uint64_t>(blockBytes_ / 3)) {
            ++cutShort_;
        } else {
            const int64_t lastSampleNs = startNs_ + blockNs_;
            unitIdle_.Add(now - lastSampleNs);
            delivery_.Add(lastByteNs_ - lastSampleNs);
            hostPart_.Add(now - lastByteNs_);
        }
    }
    ++starts_;
    startNs_ = now;
    bytesRead_ = 0;
    lastByteNs_ = -1;
}

uint32_t RecordingDriver::Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) {
    // Taken before the unit sees the command: it starts counting the new block at once.
    const int64_t now = clock_.NowNs();
    if (CarriesStart(src, count)) {
        NoteStart(now);
    }
    return Timed([&] { return unit_->Write(src, count, bytesWritten); });
}

uint32_t RecordingDriver::Close() {
    return Timed([&] { return unit_->Close(); });
}

uint64_t RecordingDriver::SamplesSent() const {
    return sentBefore_ + (starts_ > 0 ? unit_->SamplesSent() : 0);
}
