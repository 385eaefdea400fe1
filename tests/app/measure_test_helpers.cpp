#include "app/measure_test_helpers.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>

#include "adunit/Adc.h"
#include "app/StatusPanels.h"

uint32_t ScriptedUnit::OpenByIndex(int) {
    if (open) {
        return 4;
    }
    open = true;
    return 0;
}

uint32_t ScriptedUnit::Purge(uint32_t) {
    if (!open) {
        return 3;
    }
    rx_.clear();
    return 0;
}

uint32_t ScriptedUnit::GetQueueStatus(uint32_t& queued) {
    queued = open ? static_cast<uint32_t>(rx_.size()) : 0;
    return open ? 0 : 3;
}

uint32_t ScriptedUnit::Read(uint8_t* dst, uint32_t count, uint32_t& got) {
    got = 0;
    if (!open) {
        return 3;
    }
    got = std::min<uint32_t>(count, static_cast<uint32_t>(rx_.size()));
    std::copy_n(rx_.begin(), got, dst);
    rx_.erase(rx_.begin(), rx_.begin() + got);
    return 0;
}

uint32_t ScriptedUnit::Write(const uint8_t* src, uint32_t count, uint32_t& written) {
    written = 0;
    if (!open) {
        return 3;
    }
    const std::string text(reinterpret_cast<const char*>(src), count);
    if (failStartCommand && text.size() > 1 && text[0] == 'A' && text[1] != 'X') {
        return 4;
    }
    for (char c : text) {
        if (c == '\r') {
            Handle(line_);
            line_.clear();
        } else {
            line_ += c;
        }
    }
    written = count;
    return 0;
}

uint32_t ScriptedUnit::Close() {
    open = false;
    rx_.clear();
    return 0;
}

void ScriptedUnit::Handle(const std::string& line) {
    lines.push_back(line);
    auto reply = [this](const std::string& r) {
        rx_.insert(rx_.end(), r.begin(), r.end());
        rx_.push_back('\r');
    };
    if (line == "U?") {
        reply("TORVEX24");
    } else if (line == "V?") {
        reply("Ver9.99");
    } else if (line == "AX") {
    } else if (line.size() == 7 && line[0] == 'A') {
        for (int32_t code : codes) {
            rx_.push_back(static_cast<uint8_t>(code >> 16));
            rx_.push_back(static_cast<uint8_t>(code >> 8));
            rx_.push_back(static_cast<uint8_t>(code));
        }
    } else {
        reply("OK");
    }
    if (onLine) {
        onLine(line);
    }
}

namespace {
// The rig's clock moves only between idle steps, so the bridge's latency timer would hold every
// reply during the preparation; and a step takes one read group however far the clock moved, so
// the receive queue must hold a whole block.
SimConfig RigConfig(SimConfig config) {
    config.latencyMs = 0.0;
    config.rxBufferBytes = 4u << 20;
    return config;
}
} // namespace

MeasureRig::MeasureRig(const SimConfig& config) {
    Build(std::make_unique<SimulatedUnit>(RigConfig(config), clock));
}

MeasureRig::MeasureRig(std::unique_ptr<ScriptedUnit> scripted) {
    Build(std::move(scripted));
}

MeasureRig::~MeasureRig() {
    form.reset();
}

void MeasureRig::Build(std::unique_ptr<FtDriver> first) {
    FormMainOptions o;
    o.baseDir = dir.path();
    o.presenter = &presenter;
    o.fileDialogs = &files;
    o.stallClock = &clock;
    auto holder = std::make_shared<std::unique_ptr<FtDriver>>(std::move(first));
    o.driverFactory = [this, holder]() -> std::unique_ptr<FtDriver> {
        auto d = std::make_unique<SwitchableDriver>(std::move(*holder));
        driver = d.get();
        return d;
    };
    form = std::make_unique<TFormMain>(o);
    EXPECT_TRUE(ProcessEventsUntil([&] { return !form->FirstIdlePending() && form->isVisible(); }));
    form->Document().graphSetting.DataCountMax = 1024;
    form->Document().graphSetting.DataCountSel = 0;
    form->Document().unitSetting = ADUnitSetting{};
}

SimulatedUnit& MeasureRig::UseSim(const SimConfig& config) {
    form->Measurement().ADUnit()->CloseUnit();
    auto sim = std::make_unique<SimulatedUnit>(RigConfig(config), clock);
    SimulatedUnit& ref = *sim;
    driver->inner = std::move(sim);
    return ref;
}

ScriptedUnit& MeasureRig::UseScripted(std::unique_ptr<ScriptedUnit> scripted) {
    form->Measurement().ADUnit()->CloseUnit();
    ScriptedUnit& ref = *scripted;
    driver->inner = std::move(scripted);
    return ref;
}

SimulatedUnit* MeasureRig::Sim() const {
    return dynamic_cast<SimulatedUnit*>(driver->inner.get());
}

ScriptedUnit* MeasureRig::Scripted() const {
    return dynamic_cast<ScriptedUnit*>(driver->inner.get());
}

int MeasureRig::RunAcquisition(double stepMs, int maxSteps) {
    int steps = 0;
    while (form->Measuring() && steps < maxSteps) {
        clock.AdvanceMs(stepMs);
        form->IdleHandler();
        ++steps;
    }
    return steps;
}

void MeasureRig::Measure(double stepMs) {
    form->StartMeasurement();
    EXPECT_TRUE(form->Measuring()) << Panel(0).toStdString();
    RunAcquisition(stepMs);
}

QString MeasureRig::Panel(int i) const {
    return Controls(*form).StatusBar1->PanelText(i);
}

bool MeasureRig::MenusEnabled() const {
    bool all = true;
    bool any = false;
    const FormControls c = Controls(*form);
    for (QMenu* m : {c.MenuFile, c.MenuMeasure, c.MenuData, c.MenuSetting, c.MenuHelp, c.MenuRef}) {
        all = all && m->menuAction()->isEnabled();
        any = any || m->menuAction()->isEnabled();
    }
    const bool items =
        c.MenuMeasureStart->isEnabled() && c.PeakBackBtn->isEnabled() && c.PeakFwdBtn->isEnabled();
    EXPECT_EQ(all, any) << "menus switch together";
    EXPECT_EQ(all, items) << "the start item and peak buttons switch with the menus";
    return all;
}
