#include "cli/DataLoad.h"

#include <filesystem>
#include <system_error>

#include "common/RateTables.h"
#include "analysis/MyFFT.h"
#include "analysis/SampleConversion.h"
#include "common/SjisText.h"
#include "files/ZF_File.h"

namespace {

class StreamWarning : public IWarning {
public:
    StreamWarning(const std::string& command, std::ostream& err) : command_(command), err_(err) {}
    void ShowWarning(const std::string& caption, const std::string& text) override {
        err_ << "tavrin-cli " << command_ << ": warning from " << caption << ": " << text << "\n";
    }

private:
    std::string command_;
    std::ostream& err_;
};

} // namespace

LoadedData::LoadedData() : codes(MaxSamples), volts(MaxSamples), spectrum(MaxSpectrum) {
    block.codes = codes.data();
    block.volts = volts.data();
    block.spectrum = spectrum.data();
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.string();
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

bool LoadMeasuredData(const std::string& path, LoadedData& d, std::string& why) {
    ZF_File zf;
    FileError e;
    if (!zf.ReadDataFile(path, ZF_File::kDataHeader, d.block, d.graph, d.measure, d.ad, &e)) {
        why = path + " rejected: " +
              (e.line > 0 ? "line " + std::to_string(e.line) + ": " : std::string()) +
              SjisToUtf8(e.reason);
        return false;
    }
    d.block.spsSel = d.ad.spsSel;
    d.block.sinc3 = d.ad.sinc3;
    SetDataFilePath(d.measure, AbsolutePath(path));
    if (!ConvertBlock(d.block, SamplePeriod(d.ad.spsSel, d.ad.sinc3))) {
        why = "cannot convert the samples of " + path;
        return false;
    }
    return true;
}

bool ComputeLoadedSpectrum(LoadedData& d, const std::string& command, std::ostream& err) {
    StreamWarning warning(command, err);
    TmyFFT fft(d.graph, &warning);
    return fft.ComputeSpectrum(d.block);
}
