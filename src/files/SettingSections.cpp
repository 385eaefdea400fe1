// The A, F and G sections shared by settings, data and export files, and the settings file.
#include <string_view>

#include "common/SjisText.h"
#include "files/SettingRules.h"
#include "files/ValueParse.h"
#include "files/ZF_File.h"

namespace {

constexpr int kStartSearchLines = 20;
constexpr int kMaxKeyLines = 100;
// The one line read whole: it holds a path, and Linux paths outgrow the 254 bytes of a line.
constexpr std::string_view kDataFileNameKey = "DataFileName:";
constexpr int32_t kMaxIndexFreqS = 15; // the settings dialog offers up to 10 kHz (index 15)

bool Reject(FileError* detail, const TextFileIn& file, std::string reason) {
    if (detail != nullptr) {
        detail->line = file.LineNumber();
        detail->reason = std::move(reason);
    }
    return false;
}

bool Reject(FileError* detail, int line, std::string reason) {
    if (detail != nullptr) {
        detail->line = line;
        detail->reason = std::move(reason);
    }
    return false;
}

// Splits a key line at its first colon: the key keeps the colon.
bool SplitKey(std::string_view line, std::string_view& key, std::string_view& value) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    key = line.substr(0, colon + 1);
    value = line.substr(colon + 1);
    return true;
}

bool FindSectionStart(TextFileIn& file, std::string_view start, std::string& line,
                      FileError* detail) {
    for (int i = 0; i < kStartSearchLines; ++i) {
        if (!file.ReadLine(line)) {
            return Reject(detail, file.LineNumber(),
                          "file ends before section \"" + std::string(start) + "\"");
        }
        if (line == start) {
            return true;
        }
    }
    return Reject(detail, file, "section \"" + std::string(start) + "\" not found within 20 lines");
}

bool IntInRange(std::string_view value, int32_t lo, int32_t hi, int32_t& out) {
    int32_t v = 0;
    if (!ParseInt32(value, v) || v < lo || v > hi) {
        return false;
    }
    out = v;
    return true;
}

bool ExactBool(std::string_view value, bool& out) {
    if (value == "1") {
        out = true;
        return true;
    }
    if (value == "0") {
        out = false;
        return true;
    }
    return false;
}

std::string Quote(std::string_view key, std::string_view value) {
    std::string s = "\"";
    s.append(key);
    s.append(value.substr(0, 40));
    s.append(value.size() > 40 ? "...\"" : "\"");
    return s;
}

struct BoolKey {
    const char* key;
    bool GraphSetting::*field;
};
constexpr BoolKey kGraphBools[] = {
    {"fWaveGraph:", &GraphSetting::fWaveGraph},
    {"fSig_Volt:", &GraphSetting::fSig_Volt},
    {"fWinFuncAdjust:", &GraphSetting::fWinFuncAdjust},
    {"fDCCut_FFT:", &GraphSetting::fDCCut_FFT},
    {"fDCCut_SigGraph:", &GraphSetting::fDCCut_SigGraph},
    {"fLogGraph:", &GraphSetting::fLogGraph},
    {"fAbsoGraph:", &GraphSetting::fAbsoGraph},
};

struct IntKey {
    const char* key;
    int32_t GraphSetting::*field;
    int32_t lo;
    int32_t hi;
};
constexpr int32_t kAny = 0; // lo == hi == kAny: any integer
constexpr IntKey kGraphInts[] = {
    {"index_FreqS:", &GraphSetting::index_FreqS, 0, kMaxIndexFreqS},
    {"index_FreqE:", &GraphSetting::index_FreqE, 6, 19}, // and FreqRangeHolds at "GEND:"
    {"index_dB_max:", &GraphSetting::index_dB_max, kAny, kAny},
    {"index_dB_min:", &GraphSetting::index_dB_min, kAny, kAny},
    {"whichWindowFunc:", &GraphSetting::whichWindowFunc, 0, 3},
    {"PenColorGraph:", &GraphSetting::PenColorGraph, kAny, kAny},
    {"PenColorMainAxis:", &GraphSetting::PenColorMainAxis, kAny, kAny},
    {"PenColorSubAxis:", &GraphSetting::PenColorSubAxis, kAny, kAny},
    {"PenColorRefGraph:", &GraphSetting::PenColorRefGraph, kAny, kAny},
    {"DataCountSel:", &GraphSetting::DataCountSel, 0, 8},
    {"DataCountMax:", &GraphSetting::DataCountMax, kMinDataCount, kMaxDataCount},
};

// One key line of the G section, judged on its own; unknown keys are passed over.
bool ReadGraphKey(std::string_view key, std::string_view value, GraphSetting& graph,
                  FileError* detail, const TextFileIn& file) {
    for (const auto& b : kGraphBools) {
        if (key == b.key) {
            return ExactBool(value, graph.*b.field) ||
                   Reject(detail, file, Quote(key, value) + " is not 0 or 1");
        }
    }
    for (const auto& k : kGraphInts) {
        if (key != k.key) {
            continue;
        }
        int32_t v = 0;
        if (!ParseInt32(value, v)) {
            return Reject(detail, file, Quote(key, value) + " is not an integer");
        }
        if (!(k.lo == kAny && k.hi == kAny) && (v < k.lo || v > k.hi)) {
            return Reject(detail, file,
                          Quote(key, value) + " is not from " + std::to_string(k.lo) + " to " +
                              std::to_string(k.hi));
        }
        graph.*k.field = v;
        return true;
    }
    return true;
}

} // namespace

const char* const ZF_File::kMeasureLineError =
    "the measurement's file name or start time holds a line break or is too long for its line";

bool ZF_File::WriteADSection(TextFileOut& file, const ADUnitSetting& ad) {
    file.Line("A:");
    file.KeyInt("spsSel:", ad.spsSel);
    file.KeyBool("sinc3:", ad.sinc3);
    file.KeyInt("ch_sel:", ad.ch_sel);
    file.Line("AEND:");
    return true;
}

bool ZF_File::WriteMeasureSection(TextFileOut& file, const MeasureSetting& measure) {
    // A line break inside a text would end its line early and let the rest read as other keys;
    // so would a line too long for the reader to deliver whole.
    const std::string name = std::string(kDataFileNameKey) + measure.DataFileName;
    const std::string start = "StartDateTime:" + measure.StartDateTime;
    for (const std::string* line : {&name, &start}) {
        if (line->find_first_of("\r\n") != std::string::npos ||
            !TextFileIn::DeliversWhole(*line, kDataFileNameKey)) {
            return false;
        }
    }
    file.Line("F:");
    file.KeyBool("fSaveDataFile:", measure.fSaveDataFile);
    file.Line(name);
    file.Line(start);
    file.Line("FEND:");
    return true;
}

bool ZF_File::WriteGraphSection(TextFileOut& file, const GraphSetting& graph) {
    file.Line("G:");
    for (const auto& b : kGraphBools) {
        file.KeyBool(b.key, graph.*b.field);
    }
    for (const auto& k : kGraphInts) {
        file.KeyInt(k.key, graph.*k.field);
    }
    file.Line("GEND:");
    return true;
}

bool ZF_File::ReadADSection(TextFileIn& file, ADUnitSetting& ad, FileError* detail) {
    std::string line;
    if (!FindSectionStart(file, "A:", line, detail)) {
        return false;
    }
    std::string_view key, value;
    for (int n = 0; n < kMaxKeyLines; ++n) {
        if (!file.ReadLine(line)) {
            return Reject(detail, file, "file ends inside section \"A:\"");
        }
        if (!SplitKey(line, key, value)) {
            continue;
        }
        if (key == "AEND:") {
            return true;
        }
        if (key == "spsSel:") {
            if (!IntInRange(value, 0, 16, ad.spsSel)) {
                return Reject(detail, file, Quote(key, value) + " is not an integer 0..16");
            }
        } else if (key == "sinc3:") {
            double v = 0.0;
            if (!ParseDouble(value, v)) {
                return Reject(detail, file, Quote(key, value) + " is not a number");
            }
            ad.sinc3 = v == 1.0;
        } else if (key == "ch_sel:") {
            if (!IntInRange(value, 0, 1, ad.ch_sel)) {
                return Reject(detail, file, Quote(key, value) + " is not 0 or 1");
            }
        }
    }
    return true; // 100 key lines without "AEND:" count as a complete section
}

bool ZF_File::ReadMeasureSection(TextFileIn& file, MeasureSetting& measure, FileError* detail) {
    std::string line;
    if (!FindSectionStart(file, "F:", line, detail)) {
        return false;
    }
    std::string_view key, value;
    for (int n = 0; n < kMaxKeyLines; ++n) {
        if (!file.ReadLine(line, kDataFileNameKey)) {
            return Reject(detail, file, "file ends inside section \"F:\"");
        }
        if (!SplitKey(line, key, value)) {
            continue;
        }
        if (key == "FEND:") {
            return true;
        }
        if (key == "fSaveDataFile:") {
            if (!ExactBool(value, measure.fSaveDataFile)) {
                return Reject(detail, file, Quote(key, value) + " is not 0 or 1");
            }
        } else if (key == "DataFileName:") {
            measure.DataFileName.assign(value);
            measure.DataFilePath = SjisToUtf8(value);
        } else if (key == "StartDateTime:") {
            measure.StartDateTime.assign(value);
        }
    }
    return true; // 100 key lines without "FEND:" count as a complete section
}

bool ZF_File::ReadGraphSection(TextFileIn& file, GraphSetting& graph, FileError* detail) {
    std::string line;
    if (!FindSectionStart(file, "G:", line, detail)) {
        return false;
    }
    int freqELine = 0; // where the range rule's complaint points: the last "index_FreqE:"
    std::string_view key, value;
    for (int n = 0; n < kMaxKeyLines; ++n) {
        if (!file.ReadLine(line)) {
            return Reject(detail, file, "file ends inside section \"G:\"");
        }
        if (!SplitKey(line, key, value)) {
            continue;
        }
        if (key == "GEND:") {
            // Fields that depend on each other are judged on what the whole section leaves.
            std::string why;
            if (!FreqRangeHolds(graph, &why)) {
                return Reject(detail, freqELine > 0 ? freqELine : file.LineNumber(), why);
            }
            return true;
        }
        if (!ReadGraphKey(key, value, graph, detail, file)) {
            return false;
        }
        if (key == "index_FreqE:") {
            freqELine = file.LineNumber();
        }
    }
    return Reject(detail, file, "section \"G:\" has no \"GEND:\" within 100 lines");
}

bool ZF_File::WriteSettingFile(const std::string& fileName, const std::string& header,
                               const GraphSetting& graph, const MeasureSetting& measure,
                               const ADUnitSetting& ad, FileError* detail) {
    if (fileName.empty() || header.empty()) {
        return Reject(detail, 0, "no file name or header");
    }
    TextFileOut out;
    out.Reserve(1024);
    out.Line(header);
    WriteADSection(out, ad);
    if (!WriteMeasureSection(out, measure)) {
        return Reject(detail, 0, kMeasureLineError);
    }
    WriteGraphSection(out, graph);
    std::string error;
    if (!out.Commit(fileName, &error)) {
        return Reject(detail, 0, error);
    }
    return true;
}

bool ZF_File::ReadSettingFile(const std::string& fileName, const std::string& header,
                              GraphSetting& graph, MeasureSetting& measure, ADUnitSetting& ad,
                              FileError* detail) {
    return ReadSettings(fileName, header, false, graph, measure, ad, detail);
}

bool ZF_File::ReadSettingFileToOpen(const std::string& fileName, GraphSetting& graph,
                                    MeasureSetting& measure, ADUnitSetting& ad, FileError* detail) {
    return ReadSettings(fileName, kSettingHeader, true, graph, measure, ad, detail);
}

bool ZF_File::ReadSettings(const std::string& fileName, const std::string& header, bool levelRule,
                           GraphSetting& graph, MeasureSetting& measure, ADUnitSetting& ad,
                           FileError* detail) {
    if (fileName.empty() || header.empty()) {
        return Reject(detail, 0, "no file name or header");
    }
    TextFileIn file;
    if (!file.Open(fileName)) {
        return Reject(detail, 0, "cannot open the file");
    }
    GraphSetting g = graph;
    MeasureSetting m = measure;
    ADUnitSetting a = ad;
    std::string line;
    if (!file.ReadLine(line)) {
        return Reject(detail, 0, "the file is empty");
    }
    if (line != header) {
        return Reject(detail, file, "header is not \"" + header + "\"");
    }
    if (!ReadADSection(file, a, detail) || !ReadMeasureSection(file, m, detail) ||
        !ReadGraphSection(file, g, detail)) {
        return false;
    }
    std::string why;
    if (levelRule && !CheckdBRange(g, &why)) {
        return Reject(detail, file, why); // the "GEND:" line: the section as a whole
    }
    graph = g;
    measure = std::move(m);
    ad = a;
    return true;
}
