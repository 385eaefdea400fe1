#include "adunit/sim/SimulatedUnit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/RateTables.h"

SimulatedUnit::SimulatedUnit(const SimConfig& config, IMonotonicClock& clock)
    : config_(config), clock_(clock),
      latencyNs_(static_cast<int64_t>(std::max(0.0, config.latencyMs) * 1.0e6)),
      rx_(std::max<uint32_t>(config.rxBufferBytes, kPacketPayload)) {}

bool SimulatedUnit::Gone() {
    if (!gone_ && config_.vanishAfter >= 0 &&
        totalSent_ >= static_cast<uint64_t>(config_.vanishAfter)) {
        gone_ = true;
    }
    return gone_;
}

uint32_t SimulatedUnit::OpenByIndex(int index) {
    if (config_.absent || index != 0 || Gone()) {
        return kStatusNotFound;
    }
    if (open_) {
        return kStatusIoError; // already opened by someone: D2XX refuses a second open
    }
    open_ = true;
    return kStatusOk;
}

uint32_t SimulatedUnit::SetUSBParameters(uint32_t inTransferSize, uint32_t) {
    if (!open_ || Gone()) {
        return kStatusNotOpen;
    }
    // D2XX accepts multiples of 64 from 64 to 64 kB.
    if (inTransferSize < 64 || inTransferSize > 65536 || inTransferSize % 64 != 0) {
        return kStatusBadArgument;
    }
    return kStatusOk;
}

uint32_t SimulatedUnit::Purge(uint32_t mask) {
    if (!open_ || Gone()) {
        return kStatusNotOpen;
    }
    if (mask & PurgeRx) {
        // Everything on its way is dropped, in the chip and in the host's queue; a running
        // converter goes on with the next sample.
        Advance(clock_.NowNs());
        rx_.Clear();
        packetFill_ = 0;
        overrunPending_ = false;
    }
    if (mask & PurgeTx) {
        lineLength_ = 0;
        lineOverflow_ = false;
    }
    return kStatusOk;
}

uint64_t SimulatedUnit::DueSamples(int64_t now) const {
    if (!streaming_) {
        return sent_;
    }
    uint64_t limit = count_;
    if (config_.stallAfter >= 0) {
        limit = std::min<uint64_t>(limit, static_cast<uint64_t>(config_.stallAfter));
    }
    if (config_.vanishAfter >= 0) {
        const auto left = static_cast<uint64_t>(config_.vanishAfter) -
                          std::min<uint64_t>(totalSent_, config_.vanishAfter);
        limit = std::min(limit, sent_ + left);
    }
    const int64_t elapsed = now - startNs_;
    if (elapsed <= 0) {
        return std::min(sent_, limit);
    }
    const auto due = static_cast<uint64_t>(static_cast<double>(elapsed) / periodNs_);
    return std::max(sent_, std::min(due, limit));
}

void SimulatedUnit::FlushPacket() {
    const size_t taken = rx_.Push(packet_.data(), packetFill_);
    if (taken < packetFill_) {
        lostBytes_ += packetFill_ - taken;
        overrunPending_ = true;
    }
    packetFill_ = 0;
}

void SimulatedUnit::Emit(const uint8_t* bytes, size_t n, int64_t t) {
    for (size_t i = 0; i < n; ++i) {
        if (packetFill_ > 0 && packetSinceNs_ + latencyNs_ <= t) {
            FlushPacket(); // the latency timer expired before this byte came
        }
        if (packetFill_ == 0) {
            packetSinceNs_ = t;
        }
        packet_[packetFill_++] = bytes[i];
        if (packetFill_ == kPacketPayload) {
            FlushPacket();
        }
    }
}

void SimulatedUnit::Advance(int64_t now) {
    if (streaming_) {
        const uint64_t due = DueSamples(now);
        while (sent_ < due) {
            const int32_t code = NextCode();
            const uint8_t bytes[3] = {static_cast<uint8_t>(code >> 16),
                                      static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
            // Sample k leaves the converter one period after the instant it stands for.
            const auto t =
                startNs_ + static_cast<int64_t>(static_cast<double>(sent_ + 1) * periodNs_);
            Emit(bytes, 3, t);
            ++sent_;
            ++totalSent_;
        }
        if (sent_ >= count_) {
            streaming_ = false;
        }
    }
    if (packetFill_ > 0 && packetSinceNs_ + latencyNs_ <= now) {
        FlushPacket();
    }
}

uint32_t SimulatedUnit::TakeOverrun() {
    if (!overrunPending_) {
        return kStatusOk;
    }
    overrunPending_ = false;
    return kStatusIoError;
}

uint32_t SimulatedUnit::GetQueueStatus(uint32_t& queuedBytes) {
    if (!open_ || Gone()) {
        return kStatusNotOpen;
    }
    Advance(clock_.NowNs());
    if (const uint32_t status = TakeOverrun(); status != kStatusOk) {
        return status;
    }
    queuedBytes = static_cast<uint32_t>(rx_.Size());
    return kStatusOk;
}

int32_t SimulatedUnit::NextCode() {
    const uint64_t index = generator_[channel_].Position();
    int32_t code = generator_[channel_].Next();
    if (config_.clipAt >= 0 && index == static_cast<uint64_t>(config_.clipAt)) {
        code = 16777215;
    }
    return code;
}

uint32_t SimulatedUnit::Read(uint8_t* dst, uint32_t count, uint32_t& bytesRead) {
    bytesRead = 0;
    if (!open_ || Gone()) {
        return kStatusNotOpen;
    }
    Advance(clock_.NowNs());
    if (const uint32_t status = TakeOverrun(); status != kStatusOk) {
        return status;
    }
    bytesRead = static_cast<uint32_t>(rx_.Pop(dst, count));
    return kStatusOk;
}

uint32_t SimulatedUnit::Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (!open_ || Gone()) {
        return kStatusNotOpen;
    }
    const int64_t now = clock_.NowNs();
    Advance(now);
    for (uint32_t i = 0; i < count; ++i) {
        const char c = static_cast<char>(src[i]);
        if (c == '\r') {
            HandleLine(now);
            lineLength_ = 0;
            lineOverflow_ = false;
        } else if (c == '\n') {
            continue;
        } else if (lineLength_ < kLineCapacity) {
            line_[lineLength_++] = c;
        } else {
            lineOverflow_ = true;
        }
    }
    bytesWritten = count;
    return kStatusOk;
}

uint32_t SimulatedUnit::Close() {
    if (!open_) {
        return kStatusNotOpen;
    }
    open_ = false;
    rx_.Clear();
    packetFill_ = 0;
    overrunPending_ = false;
    return kStatusOk;
}

void SimulatedUnit::Reply(const char* text, int64_t now) {
    Emit(reinterpret_cast<const uint8_t*>(text), std::strlen(text), now);
    const uint8_t cr = '\r';
    Emit(&cr, 1, now);
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

int RateIndexOf(char c) {
    for (int i = 0; i < kRateCount; ++i) {
        if (RateCharacter(i) == c) {
            return i;
        }
    }
    return -1;
}

} // namespace

void SimulatedUnit::HandleLine(int64_t now) {
    if (config_.silent) {
        return;
    }
    line_[lineLength_] = '\0';
    const char* cmd = line_.data();
    const size_t len = lineLength_;

    // Any command ends a running acquisition; "AX" is the one meant for it. The samples already
    // sent stay on their way (in the bridge and the host's queue) until a purge drops them.
    if (streaming_) {
        streaming_ = false;
        count_ = sent_;
    }
    const std::string& ng = config_.ngCommand;
    const bool refused =
        !ng.empty() &&
        (ng == cmd || (ng.size() == 2 && ng[1] == '*' && len >= 1 && cmd[0] == ng[0]));
    if (lineOverflow_ || refused) {
        Reply("NG", now);
        return;
    }
    if (std::strcmp(cmd, "?") == 0) {
        Reply("OK", now);
    } else if (std::strcmp(cmd, "S3") == 0 || std::strcmp(cmd, "S5") == 0) {
        sinc3_ = cmd[1] == '3';
        Reply("OK", now);
    } else if (len == 2 && cmd[0] == 'F' && RateIndexOf(cmd[1]) >= 0) {
        rateIndex_ = RateIndexOf(cmd[1]);
        Reply("OK", now);
    } else if (std::strcmp(cmd, "U?") == 0) {
        Reply(config_.modelName.c_str(), now);
    } else if (std::strcmp(cmd, "V?") == 0) {
        Reply(config_.version.c_str(), now);
    } else if (std::strcmp(cmd, "AX") == 0) {
        // Stopped above; no answer.
    } else if (len == 7 && cmd[0] == 'A' && (cmd[1] == '0' || cmd[1] == '1')) {
        uint32_t n = 0;
        for (size_t i = 2; i < 7; ++i) {
            const int d = HexDigit(cmd[i]);
            if (d < 0) {
                Reply("NG", now);
                return;
            }
            n = n * 16 + static_cast<uint32_t>(d);
        }
        StartStream(cmd[1] - '0', n, now);
    } else {
        Reply("NG", now);
    }
}

void SimulatedUnit::StartStream(int channel, uint32_t count, int64_t now) {
    channel_ = channel;
    count_ = count;
    sent_ = 0;
    // The table holds single-precision milliseconds (0.008 is 8000.0004 ns); the unit's own
    // clock runs at whole nanoseconds.
    periodNs_ = std::round(static_cast<double>(SamplePeriod(rateIndex_, sinc3_)) * 1.0e6);
    startNs_ = now;
    // The inputs carry running signals: the first acquisition sees each tone at its initial
    // phase, later ones wherever it has got to by their start.
    if (!signalStarted_) {
        signalStarted_ = true;
        signalEpochNs_ = now;
    }
    generator_[channel].Setup(config_.channel[channel], periodNs_ * 1.0e-9, sinc3_,
                              config_.filterResponse,
                              static_cast<double>(startNs_ - signalEpochNs_) * 1.0e-9);
    for (int32_t i = 0; i < config_.strayBytes; ++i) {
        const auto stray = static_cast<uint8_t>(0xA5 ^ i);
        Emit(&stray, 1, now);
    }
    streaming_ = count > 0;
}
