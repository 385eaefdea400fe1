#include "files/TextFileOut.h"

#include "files/FileWriter.h"

bool TextFileOut::Commit(const std::string& fileName, std::string* error) const {
    return WriteFileBytes(fileName, text_, IfExists::Replace, error);
}
