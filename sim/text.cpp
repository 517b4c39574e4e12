#include "text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sim {

std::string Trim(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

std::vector<std::string> SplitWords(std::string_view s) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        if (i > start) words.emplace_back(s.substr(start, i - start));
    }
    return words;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool ParseDouble(std::string_view word, double& out) {
    if (word.empty()) return false;
    std::string text(word);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) return false;
    out = value;
    return true;
}

bool ParseLong(std::string_view word, long& out) {
    if (!word.empty() && word[0] == '+') word.remove_prefix(1);
    const auto result = std::from_chars(word.data(), word.data() + word.size(), out);
    return !word.empty() && result.ec == std::errc() && result.ptr == word.data() + word.size();
}

std::string FormatDouble(double d) {
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, result.ptr);
}

std::string FormatFixed(double d, int decimals) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, d);
    // A value that rounds to zero is written without a sign.
    if (buf[0] == '-' && std::strspn(buf + 1, "0.") == std::strlen(buf + 1)) return buf + 1;
    return buf;
}

}  // namespace sim
