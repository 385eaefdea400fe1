// The settings of one user that the start-up file does not hold (that file keeps exactly its
// own records): the analysis window's place and choices, and what later windows add. A text
// file of "key=value" lines, UTF-8; lines it does not know are kept as they are, so that an
// older program leaves a newer one's settings alone.
#pragma once

#include <map>
#include <string>

class UserSettings {
public:
    // Reads the file; false when it exists but cannot be read (the settings stay empty: the
    // defaults apply, and Save then refuses to replace a file it could not read). A missing
    // file is an empty set of settings.
    bool Load(const std::string& path);
    // Writes every key, sorted, through the program's file writer; false when not written
    // (also after a failed Load, so that a file that was there is never overwritten blind).
    bool Save(const std::string& path) const;

    std::string Text(const std::string& key, const std::string& fallback = {}) const;
    // The value as a whole number in lowest..highest, else the fallback.
    int Number(const std::string& key, int lowest, int highest, int fallback) const;
    void SetText(const std::string& key, const std::string& value);
    void SetNumber(const std::string& key, int value);

private:
    std::map<std::string, std::string> values_;
    bool unreadable_ = false;
};
