// What the commands that start from a stored measurement or write a file share: the document
// of one command, loading a data file into it the way the program's data-load command does, and
// the checks of an output file.
#pragma once

#include <ostream>
#include <string>

#include "common/UiServices.h"
#include "document/MeasurementDocument.h"

// Writes the spectrum engine's warnings as messages of the command (the engine warns only on
// an empty block).
class StreamWarning : public IWarning {
public:
    StreamWarning(const std::string& command, std::ostream& err) : command_(command), err_(err) {}
    void ShowWarning(const std::string& caption, const std::string& text) override;

private:
    std::string command_;
    std::ostream& err_;
};

// The document of one command: ZF_File without an overwrite question (the commands settle
// existing files themselves) and myFFT with its warnings on err.
struct CommandDocument {
    CommandDocument(const std::string& command, std::ostream& err);
    StreamWarning warning; // outlives the document's myFFT
    MeasurementDocument document;
};

// Loads the file into the document's measured block, which starts empty, as the window's
// data-load command does (volts and step recomputed from the codes and the A section), and names
// the measurement by the file's absolute path. On failure `why` says why, in English, starting
// with the file name.
bool LoadMeasuredData(const std::string& path, MeasurementDocument& document, std::string& why);

// The absolute form of a path (the path itself when it cannot be made absolute).
std::string AbsolutePath(const std::string& path);

// True when both paths name one existing file (also through a link).
bool SameFile(const std::string& a, const std::string& b);

// Without --force an existing `path` is refused with "tavrin-cli COMMAND: SHOWN exists (use
// --force to replace it)"; true when refused.
bool RefuseExisting(const std::string& command, const std::string& shown, const std::string& path,
                    bool force, std::ostream& err);
