// Temporary directories and whole-file helpers for the file handler's tests.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    const std::filesystem::path& Dir() const { return dir_; }

private:
    std::filesystem::path dir_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Joins lines with CR LF after each.
std::string CrLf(std::initializer_list<std::string> lines);
// The exact bytes of a settings file holding every default.
std::string DefaultSettingFileBytes();
