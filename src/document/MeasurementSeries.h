// A series of blocks from one press of the start button: K blocks whose spectra are combined,
// or block after block until stopped with the last K combined. It counts the blocks, keeps the
// combined spectrum and names the automatic saves; the window drives the unit.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/SpectrumAverage.h"
#include "common/SampleBlock.h"
#include "common/SpectrumAveraging.h"

class MeasurementSeries {
public:
    // A series of `setting` for blocks of `count` samples; false when the memory of its
    // average cannot be had (nothing runs then).
    bool Begin(const SeriesSetting& setting, int32_t count);
    // The series is over (its last block stays the measured one); the average's memory goes.
    void End();
    bool Running() const { return running_; }
    const SeriesSetting& Setting() const { return setting_; }
    // Counts the series begun in this run, so that followers can tell a new one.
    int64_t Id() const { return id_; }

    // Blocks completed, and the number of the block being taken now.
    int64_t Done() const { return done_; }
    int64_t Current() const { return done_ + 1; }
    // All the blocks asked for are in (never for a continuous series).
    bool Complete() const { return !setting_.continuous && done_ >= setting_.count; }

    // The measured block's own spectrum joins the series and is replaced by the combined one.
    void AddBlock(SampleBlock& block);
    // What the status line says of the block being taken: "平均 3/16" or "連続 42"; and of
    // the blocks completed: "平均 16/16", "連続 41".
    std::string RunningText() const;
    std::string DoneText() const;
    // The name of the automatic save of the block last completed, under `path`.
    std::string SaveName(const std::string& path) const;

private:
    std::string Text(int64_t block) const;

    SeriesSetting setting_;
    SpectrumAverage average_;
    bool combining_ = false; // more than one block is combined
    bool running_ = false;
    int64_t done_ = 0;
    int64_t id_ = 0;
};
