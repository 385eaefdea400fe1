// One table of graph-section cases, shared by the tests of every judge of a settings section:
// the settings and data file readers, the settings dialog's level range check, the window's
// settings-load command and `tavrin-cli check`. Each case appends its lines to the G section
// of a default file, so later lines override earlier ones and the order of keys is what is
// being tried.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "files/ZF_File.h"

namespace setting_rules {

struct Case {
    const char* name;
    std::vector<std::string> lines; // appended to the G section, before "GEND:"
    bool reads;                     // accepted by every reader of a G section
    bool opens;                     // accepted by the settings-load command and check
};

inline const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"defaults", {}, true, true},
        // The axis type at the end of the section decides, not the one at index_FreqE's line.
        {"log again after a linear 19",
         {"fLogGraph:0", "index_FreqE:19", "fLogGraph:1"},
         false,
         false},
        {"linear after a logarithmic 19", {"index_FreqE:19", "fLogGraph:0"}, true, true},
        // The start given after the end still has to stay below it.
        {"start after the end, above it", {"index_FreqE:6", "index_FreqS:15"}, false, false},
        {"start after the end, below it", {"index_FreqE:16", "index_FreqS:15"}, true, true},
        {"end equal to the start", {"index_FreqS:6", "index_FreqE:6"}, false, false},
        {"end below 6", {"index_FreqE:5"}, false, false},
        // The level range binds only a settings file that is opened.
        {"relative axis with a top below 0 dB", {"fAbsoGraph:0", "index_dB_max:5"}, true, false},
        {"relative axis, top set before the axis", {"index_dB_max:5", "fAbsoGraph:0"}, true, false},
        {"relative axis at 0 dB", {"fAbsoGraph:0", "index_dB_min:20"}, true, true},
        {"absolute top equal to the bottom", {"index_dB_max:10", "index_dB_min:10"}, true, false},
        {"absolute top below -140 dB", {"index_dB_max:17", "index_dB_min:20"}, true, false},
        {"absolute lowest range", {"index_dB_max:16", "index_dB_min:17"}, true, true},
        {"bottom above -10 dB", {"index_dB_max:0", "index_dB_min:2"}, true, false},
        {"bottom below -180 dB", {"index_dB_min:21"}, true, false},
    };
    return cases;
}

// `bytes` (a file the program wrote) with `lines` inserted before its "GEND:" line.
inline std::string WithGraphLines(std::string bytes, const std::vector<std::string>& lines) {
    std::string extra;
    for (const auto& l : lines) {
        extra += l + "\r\n";
    }
    const auto at = bytes.find("GEND:\r\n");
    return at == std::string::npos ? bytes : bytes.insert(at, extra);
}

// Writes a settings file of default records with the case's lines; returns its path.
inline std::string WriteSettingCase(const std::string& path, const Case& c) {
    TextFileOut text;
    ZF_File zf;
    text.Line(ZF_File::kSettingHeader);
    zf.WriteADSection(text, ADUnitSetting{});
    zf.WriteMeasureSection(text, MeasureSetting{});
    zf.WriteGraphSection(text, GraphSetting{});
    std::ofstream(path, std::ios::binary) << WithGraphLines(text.Text(), c.lines);
    return path;
}

} // namespace setting_rules
