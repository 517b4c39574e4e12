// One argument of a Windows command line, quoted so that the C run-time's parser of the command
// line reads it back as it was: quoted when it holds blanks or quotes or is empty, a quote escaped
// by a backslash, and the backslashes before a quote (or the closing quote) doubled. Header only
// and standard library only: talvek-sim starts programs with it, and the tests start talvek-sim.
#pragma once

#include <cstddef>
#include <string>

namespace sim::platform {

inline std::wstring QuotedArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') backslashes = backslashes * 2 + 1;
        out.append(backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

}  // namespace sim::platform
