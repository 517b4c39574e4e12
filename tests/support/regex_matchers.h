// Matchers of text by regular expression, the same on every system: GoogleTest's own read POSIX
// expressions on POSIX systems but only a simple subset elsewhere (no brackets, no groups).
// These use std::regex (ECMAScript); '.' does not match a line break.
#pragma once

#include <gmock/gmock.h>

#include <regex>
#include <string>

namespace talvek_test {

// The text holds a match of the expression somewhere.
MATCHER_P(ContainsRegex, pattern, "contains regular expression " + testing::PrintToString(std::string(pattern))) {
    return std::regex_search(std::string(arg), std::regex(std::string(pattern)));
}

// The whole text matches the expression.
MATCHER_P(MatchesRegex, pattern, "matches regular expression " + testing::PrintToString(std::string(pattern))) {
    return std::regex_match(std::string(arg), std::regex(std::string(pattern)));
}

}  // namespace talvek_test
