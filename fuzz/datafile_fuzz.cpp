#include <cstdlib>
#include <vector>

#include "FuzzInput.h"
#include "analysis/SampleConversion.h"
#include "files/ZF_File.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ZF_File zf;
    // Exactly the capacity the block contract promises, so ASan sees any write beyond it.
    static std::vector<int32_t> codes(kMaxDataCount);
    static std::vector<float> volts(kMaxDataCount);
    if (!WriteFuzzFile(data, size)) {
        return 0;
    }
    SampleBlock block;
    block.codes = codes.data();
    block.volts = volts.data();
    block.count = size % 2 ? 0 : 1024; // with and without a count to fall back on
    block.deltaF = 1.0f;
    codes[0] = -7;
    GraphSetting g;
    MeasureSetting m;
    ADUnitSetting a;
    FileError e;
    if (zf.ReadDataFile(FuzzFileName(), "DataFile:Tavrin", block, g, m, a, &e)) {
        if (block.count < 1024 || block.count > 262144 || !(block.deltaF > 0.0f)) {
            std::abort();
        }
        // Any 32-bit code converts and sums without overflow (UBSan watches).
        ConvertBlock(block, 0.008f);
        int32_t lo = codes[0];
        int32_t hi = codes[0];
        for (int32_t i = 1; i < block.count; ++i) {
            lo = codes[i] < lo ? codes[i] : lo;
            hi = codes[i] > hi ? codes[i] : hi;
        }
        const int32_t mean = CodeMean(block);
        if (mean < lo || mean > hi || !(CodeStdDev(block) >= 0.0f)) {
            std::abort();
        }
    } else if (codes[0] != -7 || block.count != (size % 2 ? 0 : 1024) || e.reason.empty()) {
        std::abort(); // a rejected file must leave the block alone
    }
    return 0;
}
