// The pixel columns of a spectrum curve's bins, for one frequency axis, bin spacing and bitmap
// width, kept until one of them changes: on the logarithmic axis the logarithm of every bin's
// frequency is the costliest part of drawing a curve, and it is the same for every block of a
// measurement series.
#pragma once

#include <cstdint>
#include <vector>

struct BinAxis {
    bool log = true;
    float deltaF = 0; // Hz per bin, > 0
    int32_t bins = 0; // bins of the block (count / 2)
    int32_t width = 0;
    float fS = 0; // the axis runs from fS to fE Hz
    float fE = 0;
    bool operator==(const BinAxis&) const = default;
};

class BinColumns {
public:
    // Room for capacity bins, reserved here once.
    explicit BinColumns(int32_t capacity);

    // The bins the curve joins on this axis and their columns; false when it joins none
    // (the same axis twice gives the same answer without computing anything).
    //   logarithmic: from one bin below the first at or above fS to the first at or above fE
    //                (not above bins - 1); x(i) = width * (lg(i deltaF) - lg fS) / (lg fE - lg fS)
    //   linear:      from bin 1 to fE / deltaF truncated (not above bins - 1);
    //                x(i) = width * (i deltaF) / fE
    bool Prepare(const BinAxis& axis);
    int32_t First() const { return first_; }
    int32_t Last() const { return last_; }
    // x of bin i at Columns()[i], for First() <= i <= Last().
    const int* Columns() const { return columns_.data(); }

private:
    bool Compute(const BinAxis& axis);
    bool LogRange(const BinAxis& axis);

    std::vector<int> columns_;
    BinAxis axis_;
    bool valid_ = false; // axis_ holds the axis of the columns
    bool joins_ = false;
    int32_t first_ = 0;
    int32_t last_ = 0;
};
