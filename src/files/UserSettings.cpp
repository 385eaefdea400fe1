#include "files/UserSettings.h"

#include <cerrno>
#include <charconv>
#include <fstream>

#include "files/FileWriter.h"

namespace {

constexpr const char* kFirstLine = "# Tavrin: settings of this user beyond Tavrinini.prf";

// A key holds no "=" and neither holds a line end: a value with one would become two lines.
bool Storable(const std::string& key, const std::string& value) {
    return !key.empty() && key.find_first_of("=\r\n#") == std::string::npos &&
           value.find_first_of("\r\n") == std::string::npos;
}

} // namespace

bool UserSettings::Load(const std::string& path) {
    values_.clear();
    unreadable_ = false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        unreadable_ = errno != ENOENT;
        return !unreadable_;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos || eq == 0) {
            continue;
        }
        values_[line.substr(0, eq)] = line.substr(eq + 1);
    }
    if (in.bad()) {
        values_.clear();
        unreadable_ = true;
        return false;
    }
    return true;
}

bool UserSettings::Save(const std::string& path) const {
    if (unreadable_) {
        return false;
    }
    std::string text = std::string(kFirstLine) + "\n";
    for (const auto& [key, value] : values_) {
        text += key + "=" + value + "\n";
    }
    return WriteFileBytes(path, text);
}

std::string UserSettings::Text(const std::string& key, const std::string& fallback) const {
    const auto it = values_.find(key);
    return it == values_.end() ? fallback : it->second;
}

int UserSettings::Number(const std::string& key, int lowest, int highest, int fallback) const {
    const std::string text = Text(key);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value < lowest ||
        value > highest) {
        return fallback;
    }
    return value;
}

void UserSettings::SetText(const std::string& key, const std::string& value) {
    if (Storable(key, value)) {
        values_[key] = value;
    }
}

void UserSettings::SetNumber(const std::string& key, int value) {
    SetText(key, std::to_string(value));
}
