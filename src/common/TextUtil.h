// Small text helpers shared by the windows and the file handler. Paths may use "/" or "\".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The text after the last path separator; empty when there is none or it is the last character.
std::string FileNamePart(std::string_view path);

// The text before the first "." of the file name (directories with dots in their names are
// left alone); the whole text when the file name has no dot.
std::string TextBeforeFirstDot(std::string_view text);

// The text with every CR and LF removed, wherever it stands.
std::string RemoveLineBreaks(std::string_view text);

// Display form of a path of at most maxChars characters (UTF-8 in and out, counted in
// characters): directory names after the first one give way to "..." step by step; with
// fewer than two separators the 4th to 10th characters do. Both "/" and "\\" separate.
// maxChars 0 or a path that already fits: unchanged.
std::string ShortenPath(std::string_view path, size_t maxChars);

// The name of block `index` of a series of `total` blocks (0: of unknown length) written under
// `path`: "OUT.DTA" becomes "OUT-001.DTA", the number at least three digits wide and as wide as
// the total.
std::string SeriesFileName(const std::string& path, int64_t index, int64_t total);
