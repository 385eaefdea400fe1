#include "adunit/sim/SimulatedUnit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "adunit/RateTables.h"

SimulatedUnit::SimulatedUnit(const SimConfig& config, IMonotonicClock& clock)
    : config_(config), clock_(clock) {}

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
        replyHead_ = replyTail_ = 0;
        if (streaming_) {
            // Samples already on their way are lost; the converter goes on.
            const uint64_t due = DueSamples();
            if (due > sent_) {
                totalSent_ += due - sent_;
            }
            sent_ = std::max(sent_, due);
            partialUsed_ = 0;
            generator_[channel_].SeekTo(sent_);
        }
    }
    if (mask & PurgeTx) {
        lineLength_ = 0;
        lineOverflow_ = false;
    }
    return kStatusOk;
}

uint64_t SimulatedUnit::DueSamples() {
    if (!streaming_) {
        return sent_;
    }
    uint64_t limit = count_;
    if (config_.stallAfter >= 0) {
        limit = std::min<uint64_t>(limit, static_cast<uint64_t>(config_.stallAfter));
    }
    const int64_t elapsed = clock_.NowNs() - startNs_;
    if (elapsed <= 0) {
        return std::min(sent_, limit);
    }
    const auto due = static_cast<uint64_t>(static_cast<double>(elapsed) / periodNs_);
    return std::max(sent_, std::min(due, limit));
}

uint32_t SimulatedUnit::GetQueueStatus(uint32_t& queuedBytes) {
    if (!open_ || Gone()) {
        return kStatusNotOpen;
    }
    const uint64_t streamBytes = (DueSamples() - sent_) * 3 - partialUsed_;
    const uint64_t total = (replyTail_ - replyHead_) + streamBytes;
    queuedBytes = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
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
    uint32_t done = 0;
    const size_t replyBytes = std::min<size_t>(replyTail_ - replyHead_, count);
    std::memcpy(dst, reply_.data() + replyHead_, replyBytes);
    replyHead_ += replyBytes;
    if (replyHead_ == replyTail_) {
        replyHead_ = replyTail_ = 0;
    }
    done += static_cast<uint32_t>(replyBytes);

    const uint64_t due = DueSamples();
    // The rest of a sample that an earlier read split.
    if (partialUsed_ > 0 && done < count) {
        while (partialUsed_ < 3 && done < count) {
            dst[done++] = partial_[partialUsed_++];
        }
        if (partialUsed_ == 3) {
            partialUsed_ = 0;
            ++sent_;
            ++totalSent_;
        }
    }
    while (done < count && sent_ < due && partialUsed_ == 0) {
        const int32_t code = NextCode();
        partial_ = {static_cast<uint8_t>(code >> 16), static_cast<uint8_t>(code >> 8),
                    static_cast<uint8_t>(code)};
        const uint32_t take = std::min<uint32_t>(3, count - done);
        std::memcpy(dst + done, partial_.data(), take);
        done += take;
        if (take == 3) {
            ++sent_;
            ++totalSent_;
        } else {
            partialUsed_ = take;
        }
    }
    if (streaming_ && sent_ >= count_) {
        streaming_ = false;
    }
    bytesRead = done;
    return kStatusOk;
}

uint32_t SimulatedUnit::Write(const uint8_t* src, uint32_t count, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (!open_ || Gone()) {
        return kStatusNotOpen;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const char c = static_cast<char>(src[i]);
        if (c == '\r') {
            HandleLine();
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
    replyHead_ = replyTail_ = 0;
    return kStatusOk;
}

void SimulatedUnit::Reply(const char* text) {
    const size_t n = std::strlen(text);
    if (replyTail_ + n + 1 > reply_.size()) {
        return; // the host does not read its replies; the unit's buffer is full
    }
    std::memcpy(reply_.data() + replyTail_, text, n);
    replyTail_ += n;
    reply_[replyTail_++] = '\r';
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

void SimulatedUnit::HandleLine() {
    if (config_.silent) {
        return;
    }
    line_[lineLength_] = '\0';
    const char* cmd = line_.data();
    const size_t len = lineLength_;

    // Any command ends a running acquisition; "AX" is the one meant for it.
    if (streaming_) {
        streaming_ = false;
        count_ = sent_ + (partialUsed_ > 0 ? 1 : 0);
    }
    const std::string& ng = config_.ngCommand;
    const bool refused =
        !ng.empty() &&
        (ng == cmd || (ng.size() == 2 && ng[1] == '*' && len >= 1 && cmd[0] == ng[0]));
    if (lineOverflow_ || refused) {
        Reply("NG");
        return;
    }
    if (std::strcmp(cmd, "?") == 0) {
        Reply("OK");
    } else if (std::strcmp(cmd, "S3") == 0 || std::strcmp(cmd, "S5") == 0) {
        sinc3_ = cmd[1] == '3';
        Reply("OK");
    } else if (len == 2 && cmd[0] == 'F' && RateIndexOf(cmd[1]) >= 0) {
        rateIndex_ = RateIndexOf(cmd[1]);
        Reply("OK");
    } else if (std::strcmp(cmd, "U?") == 0) {
        Reply(config_.modelName.c_str());
    } else if (std::strcmp(cmd, "V?") == 0) {
        Reply(config_.version.c_str());
    } else if (std::strcmp(cmd, "AX") == 0) {
        // Stopped above; no answer.
    } else if (len == 7 && cmd[0] == 'A' && (cmd[1] == '0' || cmd[1] == '1')) {
        uint32_t n = 0;
        for (size_t i = 2; i < 7; ++i) {
            const int d = HexDigit(cmd[i]);
            if (d < 0) {
                Reply("NG");
                return;
            }
            n = n * 16 + static_cast<uint32_t>(d);
        }
        StartStream(cmd[1] - '0', n);
    } else {
        Reply("NG");
    }
}

void SimulatedUnit::StartStream(int channel, uint32_t count) {
    channel_ = channel;
    count_ = count;
    sent_ = 0;
    partialUsed_ = 0;
    // The table holds single-precision milliseconds (0.008 is 8000.0004 ns); the unit's own
    // clock runs at whole nanoseconds.
    periodNs_ = std::round(static_cast<double>(SamplePeriod(rateIndex_, sinc3_)) * 1.0e6);
    startNs_ = clock_.NowNs();
    generator_[channel].Setup(config_.channel[channel], periodNs_ * 1.0e-9, sinc3_,
                              config_.filterResponse);
    for (int32_t i = 0; i < config_.strayBytes; ++i) {
        if (replyTail_ < reply_.size()) {
            reply_[replyTail_++] = static_cast<uint8_t>(0xA5 ^ i);
        }
    }
    streaming_ = count > 0;
}
