// A main window wired to a simulated or scripted TORVEX24 whose sample clock the test advances
// by hand, so that a measurement runs in a few idle steps without real-time waits.
#pragma once

#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adunit/FtDriver.h"
#include "adunit/MonotonicClock.h"
#include "adunit/adunit_fakes.h"
#include "adunit/sim/SimConfig.h"
#include "adunit/sim/SimulatedUnit.h"
#include "app/Tavrin_main.h"
#include "app/app_test_helpers.h"

class FakeClock : public IMonotonicClock {
public:
    int64_t NowNs() override { return now; }
    void AdvanceMs(double ms) { now += static_cast<int64_t>(ms * 1.0e6); }
    int64_t now = 1'000'000'000;
};

// A unit that answers every command at once and, after "A", queues the given codes in one go.
class ScriptedUnit : public FtDriver {
public:
    uint32_t OpenByIndex(int) override;
    uint32_t SetUSBParameters(uint32_t, uint32_t) override { return open ? 0 : 3; }
    uint32_t Purge(uint32_t) override;
    uint32_t GetQueueStatus(uint32_t& queued) override;
    uint32_t Read(uint8_t* dst, uint32_t count, uint32_t& got) override;
    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& written) override;
    uint32_t Close() override;

    std::vector<int32_t> codes;
    bool failStartCommand = false; // the "A" line cannot be written
    std::function<void(const std::string&)> onLine;
    std::vector<std::string> lines; // every command line received
    bool open = false;

private:
    void Handle(const std::string& line);
    std::string line_;
    std::vector<uint8_t> rx_;
};

// Forwards to an inner driver the test may replace (after closing the unit); keeps every byte
// written to the unit.
class SwitchableDriver : public ForwardingDriver {
public:
    using ForwardingDriver::ForwardingDriver;
    uint32_t Write(const uint8_t* src, uint32_t count, uint32_t& written) override {
        sent.append(reinterpret_cast<const char*>(src), count);
        return ForwardingDriver::Write(src, count, written);
    }
    std::string sent;
};

class MeasureRig {
public:
    // The window starts up (settings file in a temporary directory) with 1024 samples at
    // 125 ksps on CH0 and the given unit.
    explicit MeasureRig(const SimConfig& config = DefaultSimConfig());
    explicit MeasureRig(std::unique_ptr<ScriptedUnit> scripted);
    ~MeasureRig();

    // Replaces the unit behind the transport (the transport's unit is closed first).
    SimulatedUnit& UseSim(const SimConfig& config);
    ScriptedUnit& UseScripted(std::unique_ptr<ScriptedUnit> scripted);
    SimulatedUnit* Sim() const;
    ScriptedUnit* Scripted() const;

    // Idle steps, each after advancing the unit's clock by stepMs, until the acquisition ends
    // or maxSteps have run; returns the steps taken.
    int RunAcquisition(double stepMs = 10.0, int maxSteps = 100000);
    // Start, then run to the end.
    void Measure(double stepMs = 10.0);

    QString Panel(int i) const;
    bool MenusEnabled() const;

    QApplication& app = TestApp();
    QTemporaryDir dir;
    RecordingPresenter presenter;
    ScriptedFileDialogs files;
    FakeClock clock;
    SwitchableDriver* driver = nullptr;
    std::unique_ptr<TFormMain> form;

private:
    void Build(std::unique_ptr<FtDriver> first);
};
