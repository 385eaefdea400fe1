// tavrin-cli check: which of the program's readers a file is for follows from its header.
#include <vector>

#include "cli/Cli.h"
#include "cli/DataLoad.h"
#include "common/SjisText.h"
#include "files/ZF_File.h"

namespace {

constexpr const char* kCheckUsage =
    "Usage: tavrin-cli check FILE...\n"
    "Reads each file with Tavrin's own reader, chosen by its header: \"Tavrinini\" for a\n"
    "settings file (which must also keep the level range the settings-load command demands),\n"
    "\"DataFile:Tavrin\" for a measurement data file. Prints one line per file:\n"
    "  FILE: OK (settings file|data file, N samples)\n"
    "  FILE: rejected: line L: REASON\n"
    "Exit status: 0 when every file was accepted, 1 otherwise, 2 for usage errors.\n";

// The first line as the readers see it (comments skipped); empty when there is none.
std::string FirstLine(const std::string& fileName, bool& opened) {
    TextFileIn in;
    opened = in.Open(fileName);
    std::string line;
    if (opened && !in.ReadLine(line)) {
        line.clear();
    }
    return line;
}

std::string Where(const FileError& e) {
    return e.line > 0 ? "line " + std::to_string(e.line) + ": " : std::string();
}

} // namespace

int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> files;
    bool endOfOptions = false;
    for (const auto& a : args) {
        if (!endOfOptions && (a == "--help" || a == "-h")) {
            out << kCheckUsage;
            return kExitOk;
        }
        if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            err << "tavrin-cli check: unknown option '" << a << "'\n" << kCheckUsage;
            return kExitUsage;
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        err << "tavrin-cli check: no file given\n" << kCheckUsage;
        return kExitUsage;
    }

    // Each file is judged by the operation the window's command runs on it.
    CommandDocument checked("check", err);
    MeasurementDocument& document = checked.document;
    int rejected = 0;
    for (const auto& name : files) {
        bool opened = false;
        const std::string header = FirstLine(name, opened);
        FileError e;
        std::string kind;
        bool ok = false;
        if (!opened) {
            e.reason = "cannot open the file";
        } else if (header == ZF_File::kSettingHeader) {
            ok = document.OpenSettingFile(name, &e);
            kind = "settings file";
        } else if (header == ZF_File::kDataHeader) {
            // Without a count line the reader takes the count of the block it reads into.
            document.ClearBlock(BlockRole::Measured);
            ok = document.LoadDataFile(name, BlockRole::Measured, &e);
            kind = "data file, " + std::to_string(document.curBlock.count) + " samples";
        } else if (header == ZF_File::kFFTHeader) {
            e.reason = "a spectrum export file; Tavrin writes these but never reads them";
        } else {
            e.line = 1;
            e.reason = "header is neither \"Tavrinini\" nor \"DataFile:Tavrin\"";
        }
        if (ok) {
            out << name << ": OK (" << kind << ")\n";
        } else {
            ++rejected;
            // Reasons may quote the file's own Shift-JIS bytes.
            out << name << ": rejected: " << Where(e) << SjisToUtf8(e.reason) << "\n";
        }
    }
    return rejected == 0 ? kExitOk : kExitFailed;
}
