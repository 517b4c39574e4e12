// Text helpers of the headless host's readers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Blanks and tabs (and a carriage return) removed at both ends.
std::string Trim(std::string_view s);
std::vector<std::string> SplitWords(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
std::string Lower(std::string_view s);
// Whole-string conversions: false unless the entire word is a finite number.
bool ParseDouble(std::string_view word, double& out);
bool ParseLong(std::string_view word, long& out);
// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values beyond U+10FFFF).
bool IsUtf8(std::string_view s);
// The text with control characters as \xNN, so that it can be shown on one line of a terminal.
std::string Printable(std::string_view text);
// What keeps a path from being opened on the file systems the host runs on ("" when nothing
// does): a name within it over 255 bytes, or over 4095 bytes in all.
std::string PathLengthProblem(std::string_view path);
constexpr size_t MAX_PATH_NAME = 255;
constexpr size_t MAX_PATH_TOTAL = 4095;
// Shortest text that reads back as the same double.
std::string FormatDouble(double d);
// Fixed notation with the given decimals, as printf's %.*f, but a value that rounds to zero
// has no sign.
std::string FormatFixed(double d, int decimals);
void AppendFixed(std::string& out, double d, int decimals);

}  // namespace sim
