// How often each code of a block occurs, for a histogram of a converter's noise: counts per
// code over the block's range, grouped when the range is wider than the plot, the codes of the
// range that never occur, and the counts a normal distribution would give each column.
#pragma once

#include <cstdint>
#include <vector>

class CodeHistogram {
public:
    // Counts n codes into at most maxColumns columns (1 or more) of equal width in codes,
    // covering the lowest to the highest code. False, changing nothing, for no codes or no
    // column.
    bool Count(const int32_t* codes, int32_t n, int32_t maxColumns);

    int64_t Lowest() const { return lowest_; }
    int64_t Highest() const { return highest_; }
    int32_t Columns() const { return columns_; }
    int64_t CodesPerColumn() const { return codesPerColumn_; }
    // Codes lowest + c * CodesPerColumn() .. that + CodesPerColumn() - 1 (the last column may
    // reach past the highest code).
    int32_t ColumnCount(int32_t column) const { return counts_[column]; }
    int32_t LargestCount() const { return largest_; }
    // The codes from the lowest to the highest that no sample has.
    int64_t MissingCodes() const { return missing_; }
    // The samples a normal distribution of this mean and sigma (in codes) would put in a column,
    // each code standing for the interval of half a code either side.
    double NormalCount(int32_t column, double mean, double sigma) const;

private:
    void CountMissing(const int32_t* codes, int32_t n);

    int32_t samples_ = 0;
    int64_t lowest_ = 0;
    int64_t highest_ = 0;
    int32_t columns_ = 0;
    int64_t codesPerColumn_ = 1;
    int32_t largest_ = 0;
    int64_t missing_ = 0;
    std::vector<int32_t> counts_;
    // One bit a code of the range, for ranges up to kSeenCodes; wider ones (never from the
    // 24-bit unit) are sorted in `sorted_` instead.
    static constexpr int64_t kSeenCodes = int64_t{1} << 24;
    std::vector<uint64_t> seen_;
    std::vector<int32_t> sorted_;
};
