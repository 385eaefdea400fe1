// JSON text for every --json output of tavrin-cli: one escaping rule, so that every output
// parses whatever bytes a file name or a unit's reply holds.
#pragma once

#include <string>
#include <string_view>

// `text` as a JSON string literal with its quotes. Valid UTF-8 is copied (quote, backslash and
// control characters escaped); every byte that does not belong to a valid UTF-8 sequence
// becomes U+FFFD.
std::string JsonString(std::string_view text);

// Whether `text` is valid UTF-8 throughout.
bool IsUtf8(std::string_view text);

// The member `"key": "..."` for a file name; when the name is not valid UTF-8 a second member
// `"key_hex": "..."` follows with its raw bytes in lower-case hexadecimal, so that the file can
// still be named exactly. `separator` goes between key and value (": " or ":").
std::string JsonNameMembers(const char* key, std::string_view name, const char* separator);
