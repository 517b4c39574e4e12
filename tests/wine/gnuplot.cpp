// gnuplot for the Windows build's tests under Wine, which Debian packages no gnuplot for: Wine
// starts the build machine's own. This stand-in is found as gnuplot.exe on the search path and
// hands on its arguments and folder. Wine gives no handle to wait on for a program of the build
// machine, so gnuplot is told to leave a mark in the folder once it has run the script and
// closed the picture, and the stand-in waits for the mark: 0 then, 1 when it never comes (the
// script failed; gnuplot's messages go to the build machine's terminal, not to the caller).
#include <windows.h>

#include <string>

int main() {
    // The command line after the program's own name, as the caller quoted it.
    const std::wstring line = GetCommandLineW();
    size_t rest = 0;
    if (!line.empty() && line[0] == L'"') rest = line.find(L'"', 1);
    else rest = line.find_first_of(L" \t");
    rest = rest == std::wstring::npos ? line.size() : rest + (line[0] == L'"' ? 1 : 0);
    const wchar_t* MARK = L".gnuplot-stand-in-done";
    DeleteFileW(MARK);
    std::wstring command = L"gnuplot" + line.substr(rest) + L" -e \"set output; set print '" + MARK +
                           L"'; print 'done'; unset print\"";
    std::wstring program = L"" TALVEK_BUILD_GNUPLOT;
    for (wchar_t& c : program)
        if (c == L'/') c = L'\\';

    constexpr int NOT_STARTED = 127;  // as a shell reports a program it cannot start
    constexpr int FAILED = 1;
    constexpr DWORD PATIENCE = 120000;  // [ms] for gnuplot to run the script
    constexpr DWORD POLL = 20;          // [ms] between looks for the mark
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
        return NOT_STARTED;
    if (child.hThread) CloseHandle(child.hThread);
    if (child.hProcess) CloseHandle(child.hProcess);
    for (DWORD waited = 0; waited < PATIENCE; waited += POLL) {
        // The mark is whole once it holds its line.
        WIN32_FILE_ATTRIBUTE_DATA mark{};
        if (GetFileAttributesExW(MARK, GetFileExInfoStandard, &mark) && mark.nFileSizeLow > 0) {
            DeleteFileW(MARK);
            return 0;
        }
        Sleep(POLL);
    }
    return FAILED;
}
