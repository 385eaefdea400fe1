// Small text helpers shared by the windows and the file handler. Paths may use "/" or "\".
#pragma once

#include <string>
#include <string_view>

// The text after the last path separator; empty when there is none or it is the last character.
std::string FileNamePart(std::string_view path);

// The text before the first "." of the file name (directories with dots in their names are
// left alone); the whole text when the file name has no dot.
std::string TextBeforeFirstDot(std::string_view text);

// The text with every CR and LF removed, wherever it stands.
std::string RemoveLineBreaks(std::string_view text);
