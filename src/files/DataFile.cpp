// Measurement data files ("D:" section) and spectrum export files ("FFT:" section).
#include <charconv>
#include <cstring>
#include <sys/stat.h>

#include "common/GeneralFormat.h"
#include "common/SjisText.h"
#include "common/SpectrumAveraging.h"
#include "files/ValueParse.h"
#include "files/ZF_File.h"

namespace {

bool Reject(FileError* detail, int line, std::string reason) {
    if (detail != nullptr) {
        detail->line = line;
        detail->reason = std::move(reason);
    }
    return false;
}

// The start of a line in quotes, for the rejection reasons.
std::string Quoted(const std::string& line) {
    std::string s;
    s.reserve(50);
    s.push_back('"');
    s.append(line, 0, 48);
    s.push_back('"');
    return s;
}

bool ValidCount(int32_t n) {
    return n >= kMinDataCount && n <= kMaxDataCount;
}

// Appends "key" + general-format value + CR LF.
void KeyGeneral(TextFileOut& file, std::string_view key, double value) {
    char buf[kGeneralFormatMax];
    file.Text().append(key);
    file.Text().append(buf, FormatGeneral(value, buf));
    file.Text().append("\r\n", 2);
}

} // namespace

ZF_File::ZF_File(IConfirmation* confirmation)
    : confirmation_(confirmation), scratchCodes_(std::make_unique<int32_t[]>(MaxSamples)),
      scratchVolts_(std::make_unique<float[]>(MaxSamples)) {}

ZF_File::~ZF_File() = default;

bool ZF_File::WriteDataSection(TextFileOut& file, const SampleBlock& block) {
    if (block.codes == nullptr || block.volts == nullptr || block.count < 0 ||
        block.count > MaxSamples) {
        return false;
    }
    file.Line("D:");
    file.KeyInt("ad_dnum:", block.count);
    KeyGeneral(file, "deltaF:", block.deltaF);
    std::string& text = file.Text();
    text.reserve(text.size() + static_cast<std::size_t>(block.count) * 28 + 8);
    char line[16 + kGeneralFormatMax + 2];
    for (int32_t i = 0; i < block.count; ++i) {
        char* p = std::to_chars(line, line + 16, block.codes[i]).ptr;
        *p++ = ',';
        p += FormatGeneral(block.volts[i], p);
        *p++ = '\r';
        *p++ = '\n';
        text.append(line, static_cast<std::size_t>(p - line));
    }
    file.Line("END:");
    return true;
}

bool ZF_File::WriteFFTSection(TextFileOut& file, const SampleBlock& block) {
    if (block.spectrum == nullptr || block.count < 0 || block.count > MaxSamples) {
        return false;
    }
    const int32_t rows = block.count / 2 - 1;
    file.Line("FFT:");
    file.KeyInt("fftnum:", rows < 0 ? 0 : rows);
    KeyGeneral(file, "deltaF:", block.deltaF);
    std::string& text = file.Text();
    char line[2 * kGeneralFormatMax + 8];
    const double step = block.deltaF;
    for (int32_t k = 1; k <= rows; ++k) {
        // Each frequency comes from k and the step directly, so no error accumulates.
        char* p = line + FormatFixed3(k * step, line);
        std::memcpy(p, "Hz, ", 4);
        p += 4;
        p += FormatGeneral(block.spectrum[k], p);
        *p++ = '\r';
        *p++ = '\n';
        text.append(line, static_cast<std::size_t>(p - line));
    }
    file.Line("END:");
    return true;
}

bool ZF_File::MayReplace(const std::string& nativeName) {
    struct stat st {};
    // Only a regular file can be replaced; anything else makes the write fail without a question.
    if (confirmation_ == nullptr || ::stat(nativeName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return true;
    }
    return confirmation_->AskYesNo(OverwriteQuestion(nativeName));
}

std::string ZF_File::OverwriteQuestion(const std::string& nativeName) {
    return "ファイル：" + nativeName + "があります。\n" + "上書きしますか";
}

bool ZF_File::WriteBlockFile(const std::string& header, const ADUnitSetting& ad,
                             const SampleBlock& block, const GraphSetting& graph,
                             const MeasureSetting& measure, bool fft, FileError* detail) {
    if (detail != nullptr) {
        detail->declined = false; // callers may reuse one record for several writes
    }
    if (measure.DataFilePath.empty() || header.empty()) {
        return Reject(detail, 0, "no file name or header");
    }
    // A file the reader would reject is not written: it would lose the measurement silently.
    if (!ValidCount(block.count) ||
        (fft ? block.spectrum == nullptr : (block.codes == nullptr || block.volts == nullptr))) {
        return Reject(detail, 0, "no block of 1024 to 262144 samples to write");
    }
    const std::string& nativeName = measure.DataFilePath;
    // A relative name would land in whatever folder the program was started from, and a
    // Windows name ("C:\data\a1.DTA") would become a file of that literal name there.
    if (nativeName.front() != '/') {
        return Reject(detail, 0, "cannot write " + nativeName + ": not an absolute path");
    }
    // The name goes into the file's "DataFileName:" line; a line break would split the section.
    if (nativeName.find_first_of("\r\n") != std::string::npos) {
        return Reject(detail, 0, "cannot write a file whose name holds a line break");
    }
    if (!MayReplace(nativeName)) {
        if (detail != nullptr) {
            detail->declined = true;
        }
        return true;
    }
    out_.Clear();
    out_.Line(header);
    // An averaged spectrum says how it was made, in a comment line readers pass over.
    if (fft && block.averaging.Averaged()) {
        out_.Line(AveragingComment(block.averaging));
    }
    WriteADSection(out_, ad);
    std::string error;
    bool ok = WriteMeasureSection(out_, measure);
    if (!ok) {
        error = kMeasureLineError;
    } else {
        WriteGraphSection(out_, graph);
        if (fft) {
            WriteFFTSection(out_, block);
        } else {
            WriteDataSection(out_, block);
        }
        ok = out_.Commit(nativeName, &error);
    }
    if (out_.Text().capacity() > 16u * 1024 * 1024) {
        out_ = TextFileOut(); // do not hold on to an unusually large buffer
    }
    return ok || Reject(detail, 0, error);
}

bool ZF_File::WriteDataFile(const std::string& header, const ADUnitSetting& ad,
                            const SampleBlock& block, const GraphSetting& graph,
                            const MeasureSetting& measure, FileError* detail) {
    return WriteBlockFile(header, ad, block, graph, measure, false, detail);
}

bool ZF_File::WriteFFTFile(const std::string& header, const ADUnitSetting& ad,
                           const SampleBlock& block, const GraphSetting& graph,
                           const MeasureSetting& measure, FileError* detail) {
    return WriteBlockFile(header, ad, block, graph, measure, true, detail);
}

bool ZF_File::ReadDataSection(TextFileIn& file, SampleBlock& block, FileError* detail) {
    if (block.codes == nullptr || block.volts == nullptr) {
        return Reject(detail, 0, "no block to read into");
    }
    std::string line;
    if (!file.ReadLine(line)) {
        return Reject(detail, file.LineNumber(), "file ends before \"D:\"");
    }
    if (line != "D:") {
        return Reject(detail, file.LineNumber(), "\"D:\" does not follow \"GEND:\"");
    }
    if (!file.ReadLine(line)) {
        return Reject(detail, file.LineNumber(), "file ends before the sample count");
    }
    int32_t count = block.count;
    if (line.compare(0, 8, "ad_dnum:") == 0) {
        if (!ParseInt32(std::string_view(line).substr(8), count) || !ValidCount(count)) {
            return Reject(detail, file.LineNumber(),
                          Quoted(line) + " is not a count from 1024 to 262144");
        }
    } else if (!ValidCount(count)) {
        // Without a count line the count comes from the block passed in, which may be empty.
        return Reject(detail, file.LineNumber(), "no \"ad_dnum:\" line and no valid count");
    }
    if (!file.ReadLine(line)) {
        return Reject(detail, file.LineNumber(), "file ends before the frequency step");
    }
    float deltaF = block.deltaF;
    if (line.compare(0, 7, "deltaF:") == 0) {
        if (!ParseFloat(std::string_view(line).substr(7), deltaF) || !(deltaF > 0.0f)) {
            return Reject(detail, file.LineNumber(),
                          Quoted(line) + " is not a step greater than 0");
        }
    }
    for (int32_t i = 0; i < count; ++i) {
        if (!file.ReadLine(line)) {
            return Reject(detail, file.LineNumber(),
                          "file ends after " + std::to_string(i) + " of " + std::to_string(count) +
                              " samples");
        }
        const std::string_view text(line);
        const auto comma = text.find(',');
        int32_t code = 0;
        float volts = 0.0f;
        if (comma == std::string_view::npos || !ParseInt32(text.substr(0, comma), code) ||
            !ParseFloat(text.substr(comma + 1), volts)) {
            return Reject(detail, file.LineNumber(),
                          "sample line " + Quoted(line) + " is not \"code,volts\"");
        }
        // Any integer that fits 32 bits is a code: stored files may carry codes the converter
        // never sends, and everything downstream computes with them in 64 bits or in double.
        block.codes[i] = code;
        block.volts[i] = volts;
    }
    block.count = count;
    block.deltaF = deltaF;
    return true;
}

bool ZF_File::ReadDataFile(const std::string& fileName, const std::string& header,
                           SampleBlock& block, GraphSetting& graph, MeasureSetting& measure,
                           ADUnitSetting& ad, FileError* detail) {
    if (fileName.empty() || header.empty()) {
        return Reject(detail, 0, "no file name or header");
    }
    if (block.codes == nullptr || block.volts == nullptr) {
        return Reject(detail, 0, "no block to read into");
    }
    TextFileIn file;
    if (!file.Open(fileName)) {
        return Reject(detail, 0, "cannot open the file");
    }
    std::string line;
    if (!file.ReadLine(line)) {
        return Reject(detail, 0, "the file is empty");
    }
    if (line != header) {
        return Reject(detail, file.LineNumber(), "header is not \"" + header + "\"");
    }
    GraphSetting g = graph;
    MeasureSetting m = measure;
    ADUnitSetting a = ad;
    SampleBlock scratch = block;
    scratch.codes = scratchCodes_.get();
    scratch.volts = scratchVolts_.get();
    if (!ReadADSection(file, a, detail) || !ReadMeasureSection(file, m, detail) ||
        !ReadGraphSection(file, g, detail) || !ReadDataSection(file, scratch, detail)) {
        return false;
    }
    const auto n = static_cast<std::size_t>(scratch.count);
    std::memcpy(block.codes, scratch.codes, n * sizeof(int32_t));
    std::memcpy(block.volts, scratch.volts, n * sizeof(float));
    block.count = scratch.count;
    block.deltaF = scratch.deltaF;
    graph = g;
    measure = std::move(m);
    ad = a;
    return true;
}
