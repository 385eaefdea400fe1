#include "cli/DataLoad.h"

#include <filesystem>
#include <system_error>

#include "common/RateTables.h"
#include "common/SjisText.h"
#include "files/FileWriter.h"

void StreamWarning::ShowWarning(const std::string& caption, const std::string& text) {
    err_ << "tavrin-cli " << command_ << ": warning from " << caption << ": " << text << "\n";
}

CommandDocument::CommandDocument(const std::string& command, std::ostream& err)
    : warning(command, err) {
    document.CreateFileHandler(nullptr);
    document.CreateFFT(&warning);
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

bool RefuseExisting(const std::string& command, const std::string& shown, const std::string& path,
                    bool force, std::ostream& err) {
    if (force || !NameTaken(path)) {
        return false;
    }
    err << "tavrin-cli " << command << ": " << shown << " exists (use --force to replace it)\n";
    return true;
}

bool LoadMeasuredData(const std::string& path, MeasurementDocument& document, std::string& why) {
    // Without a count line the reader takes the count of the block it reads into.
    document.ClearBlock(BlockRole::Measured);
    FileError e;
    if (!document.LoadDataFile(path, BlockRole::Measured, &e)) {
        why = path + " rejected: " +
              (e.line > 0 ? "line " + std::to_string(e.line) + ": " : std::string()) +
              SjisToUtf8(e.reason);
        return false;
    }
    SetDataFilePath(document.measureSetting, AbsolutePath(path));
    return true;
}
