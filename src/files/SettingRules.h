// The rules that tie several fields of the graph settings together. They are judged on the
// values a whole section leaves behind, never key by key, so the order of the keys in a file
// cannot change the verdict. The readers, the settings dialog, the window's settings-load
// command and `tavrin-cli check` all ask these functions; none keeps a copy of a rule.
#pragma once

#include <string>

#include "common/Settings.h"

// The frequency range every reader demands of a G section: index_FreqE from 6 to 18 on a
// logarithmic axis (fLogGraph), from 6 to 19 on a linear one, and above index_FreqS.
// On failure *reason (if given) says why, in English.
bool FreqRangeHolds(const GraphSetting& graph, std::string* reason = nullptr);

// The level range a settings file must keep to be opened: on an absolute axis (fAbsoGraph)
// index_dB_max below index_dB_min, index_dB_max at most 16; on a relative axis index_dB_max
// exactly 2 (0 dB); index_dB_min from 3 to 20 on both.
bool CheckdBRange(const GraphSetting& graph, std::string* reason = nullptr);
