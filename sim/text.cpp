#include "sim/text.h"

#include <algorithm>
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
    words.reserve(8);  // a mesh's vertex line has eight; one allocation instead of four
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
    // from_chars rounds exactly as strtod does; a word it does not take whole (a sign '+', hex,
    // out of range) goes to strtod, so that both accept and read the same words.
    double fast = 0;
    const auto parsed = std::from_chars(word.data(), word.data() + word.size(), fast);
    if (parsed.ec == std::errc() && parsed.ptr == word.data() + word.size()) {
        if (!std::isfinite(fast)) return false;
        out = fast;
        return true;
    }
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

bool IsUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t extra;
        unsigned long code;
        if (c < 0x80) { ++i; continue; }
        if (c >= 0xC2 && c <= 0xDF) { extra = 1; code = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { extra = 2; code = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { extra = 3; code = c & 0x07; }
        else return false;
        if (i + extra >= s.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            code = (code << 6) | (b & 0x3F);
        }
        static constexpr unsigned long SMALLEST[4] = {0, 0x80, 0x800, 0x10000};
        if (code < SMALLEST[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

std::string Printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (const auto u = static_cast<unsigned char>(c); u < 0x20 || u == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string PathLengthProblem(std::string_view path) {
    if (path.size() > MAX_PATH_TOTAL)
        return "the path has " + std::to_string(path.size()) + " bytes (at most 4095, and 255 for each name in it)";
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        if (end - start > MAX_PATH_NAME)
            return "a name in the path has " + std::to_string(end - start) + " bytes (at most 255 for each name)";
        start = end + 1;
    }
    return "";
}

std::string FormatDouble(double d) {
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, result.ptr);
}

void AppendFixed(std::string& out, double d, int decimals) {
    char buf[512];
    // to_chars rounds exactly, as printf's %.*f does, at a fraction of its cost; printf stays
    // for what to_chars does not write the same way (nan, inf) or does not fit.
    const auto result = std::isfinite(d) && decimals >= 0
                            ? std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, decimals)
                            : std::to_chars_result{nullptr, std::errc::value_too_large};
    const char* end = result.ptr;
    if (result.ec != std::errc()) {
        const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, d);
        end = buf + std::min<size_t>(static_cast<size_t>(std::max(n, 0)), sizeof buf - 1);
    }
    const char* begin = buf;
    // A value that rounds to zero is written without a sign.
    if (*begin == '-' && std::all_of(begin + 1, end, [](char c) { return c == '0' || c == '.'; })) ++begin;
    out.append(begin, end);
}

std::string FormatFixed(double d, int decimals) {
    std::string out;
    AppendFixed(out, d, decimals);
    return out;
}

}  // namespace sim
