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
// Shortest text that reads back as the same double.
std::string FormatDouble(double d);
// Fixed notation with the given decimals.
std::string FormatFixed(double d, int decimals);

}  // namespace sim
