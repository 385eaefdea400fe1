// Conversion between the Shift-JIS (Windows code page 932) bytes of Tavrin's files and the
// UTF-8 text of the desktop and the file system.
#pragma once

#include <string>
#include <string_view>

// Bytes that are not valid Shift-JIS are kept visible as U+FFFD; returns false then.
bool SjisToUtf8(std::string_view sjis, std::string& utf8);
std::string SjisToUtf8(std::string_view sjis);

// Characters without a Shift-JIS form become "?"; returns false then.
bool Utf8ToSjis(std::string_view utf8, std::string& sjis);
std::string Utf8ToSjis(std::string_view utf8);
