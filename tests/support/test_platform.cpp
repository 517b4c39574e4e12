#include "test_platform.h"

#include <system_error>

namespace fs = std::filesystem;

namespace talvek_test {

bool MakeFileLink(const fs::path& target, const fs::path& link) {
    std::error_code failed;
    fs::create_symlink(target, link, failed);
    return !failed;
}

}  // namespace talvek_test

#if defined(_WIN32)

#define PSAPI_VERSION 2  // GetProcessMemoryInfo from kernel32, no library of its own
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cwchar>

#include "sim/windows_arguments.h"

namespace talvek_test {

namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty()) return L"";
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring out(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), size);
    return out;
}

std::wstring CommandLine(const fs::path& program, const std::vector<std::string>& args) {
    using sim::platform::QuotedArgument;
    std::wstring line = QuotedArgument(program.wstring());
    for (const std::string& a : args) line += L" " + QuotedArgument(Widen(a));
    return line;
}

HANDLE Inheritable(const wchar_t* file, DWORD access, DWORD creation) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(file, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, creation,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// This process's environment with the variables given set: a block of "NAME=value" strings.
std::wstring Environment(const std::vector<std::pair<std::string, std::string>>& set) {
    std::wstring block;
    wchar_t* own = GetEnvironmentStringsW();
    for (const wchar_t* entry = own; entry && *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        bool replaced = false;
        for (const auto& [name, value] : set)
            replaced = replaced || (text.size() > name.size() && text[name.size()] == L'=' &&
                                    _wcsnicmp(text.c_str(), Widen(name).c_str(), name.size()) == 0);
        if (!replaced) block += text + L'\0';
    }
    if (own) FreeEnvironmentStringsW(own);
    for (const auto& [name, value] : set) block += Widen(name) + L"=" + Widen(value) + L'\0';
    return block + L'\0';
}

// Starts the program with the given standard handles; its process handle, or null.
HANDLE Start(const fs::path& program, const std::vector<std::string>& args, const fs::path& cwd, HANDLE in, HANDLE out,
             HANDLE err, const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    std::wstring line = CommandLine(program, args);
    std::wstring block = Environment(environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                        DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT, block.data(), cwd.c_str(), &startup, &child))
        return nullptr;
    CloseHandle(child.hThread);
    return child.hProcess;
}

}  // namespace

int ProcessId() { return static_cast<int>(GetCurrentProcessId()); }

void LinkOrCopy(const fs::path& target, const fs::path& link) {
    fs::copy(target, link, fs::copy_options::recursive);
}

ProgramResult RunProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& cwd,
                         const fs::path& out, const fs::path& err, const RunOptions& options) {
    ProgramResult result;
    HANDLE in = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE o = Inheritable(out.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE e = Inheritable(err.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    if (in != INVALID_HANDLE_VALUE && o != INVALID_HANDLE_VALUE && e != INVALID_HANDLE_VALUE) {
        if (HANDLE child = Start(program, args, cwd, in, o, e, options.environment)) {
            DWORD code = 0;
            if (WaitForSingleObject(child, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(child, &code))
                result.status = static_cast<int>(code);
            PROCESS_MEMORY_COUNTERS memory{};
            if (options.measured && GetProcessMemoryInfo(child, &memory, sizeof memory))
                result.maxResidentKb = static_cast<long>(memory.PeakWorkingSetSize / 1024);
            CloseHandle(child);
        }
    }
    for (HANDLE h : {in, o, e})
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return result;
}

int StartProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& cwd) {
    HANDLE none = Inheritable(L"NUL", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    HANDLE child = none == INVALID_HANDLE_VALUE ? nullptr : Start(program, args, cwd, none, none, none);
    if (none != INVALID_HANDLE_VALUE) CloseHandle(none);
    if (!child) return -1;
    const int pid = static_cast<int>(GetProcessId(child));
    CloseHandle(child);
    return pid;
}

long SizeBeingWritten(int pid, const fs::path& folder) {
    // What the process writes lies beside its target as ".NAME.new-PID-N" until it is whole.
    const std::string mark = ".new-" + std::to_string(pid) + "-";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        std::error_code sizeError;
        const auto size = fs::file_size(entry.path(), sizeError);
        if (name.find(mark) != std::string::npos && !sizeError) return static_cast<long>(size);
    }
    return -1;
}

void KillProgram(int pid) {
    constexpr UINT KILLED = 137;  // the exit code given, as a shell reports a kill
    HANDLE child = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!child) return;
    TerminateProcess(child, KILLED);
    WaitForSingleObject(child, INFINITE);
    CloseHandle(child);
}

LibraryExports ExportsOf(const fs::path& library) {
    LibraryExports exports;
    // Mapped only to read its headers: nothing of it runs.
    HMODULE module = LoadLibraryExW(library.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!module) return exports;
    const auto* base = reinterpret_cast<const std::uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    exports.read = true;
    if (entry.Size > 0) {
        const auto* table = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
        const auto* names = reinterpret_cast<const DWORD*>(base + table->AddressOfNames);
        const auto* ordinals = reinterpret_cast<const WORD*>(base + table->AddressOfNameOrdinals);
        const auto* functions = reinterpret_cast<const DWORD*>(base + table->AddressOfFunctions);
        const auto& sections = IMAGE_FIRST_SECTION(nt);
        for (DWORD i = 0; i < table->NumberOfNames; ++i) {
            const std::string name = reinterpret_cast<const char*>(base + names[i]);
            const DWORD address = functions[ordinals[i]];
            // A function lies in a section of code; anything else is data.
            bool code = false;
            for (WORD s = 0; s < nt->FileHeader.NumberOfSections; ++s)
                if (address >= sections[s].VirtualAddress &&
                    address < sections[s].VirtualAddress + sections[s].Misc.VirtualSize)
                    code = (sections[s].Characteristics & IMAGE_SCN_CNT_CODE) != 0;
            if (code) exports.functions.insert(name);
            else exports.others.push_back("D " + name);
        }
    }
    FreeLibrary(module);
    return exports;
}

}  // namespace talvek_test

#else

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace talvek_test {

namespace {
constexpr int EXEC_FAILED = 127;   // a child's status when its program cannot be started, as a shell's
constexpr mode_t OUTPUT_MODE = 0644;

// argv for the program, made before a fork.
std::vector<std::string> Words(const fs::path& program, const std::vector<std::string>& args) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), args.begin(), args.end());
    return words;
}
std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return argv;
}

void Redirect(const char* file, int flags, int fd) {
    const int opened = ::open(file, flags, OUTPUT_MODE);
    if (opened >= 0) ::dup2(opened, fd);
}
}  // namespace

int ProcessId() { return static_cast<int>(::getpid()); }

void LinkOrCopy(const fs::path& target, const fs::path& link) {
    if (fs::is_directory(target)) fs::create_directory_symlink(target, link);
    else fs::create_symlink(target, link);
}

ProgramResult RunProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& cwd,
                         const fs::path& out, const fs::path& err, const RunOptions& options) {
    std::vector<std::string> words = Words(program, args);
    std::vector<char*> argv = Pointers(words);
    const std::string dir = cwd.string(), outFile = out.string(), errFile = err.string();
    std::string asanOptions;
    if (options.measured) {
        // Measured, a build under the address sanitizer frees memory at once, so that what it
        // holds back for its checks does not count as the program's.
        const char* given = std::getenv("ASAN_OPTIONS");
        asanOptions = std::string(given ? given : "") + ":quarantine_size_mb=0";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(EXEC_FAILED);
        Redirect("/dev/null", O_RDONLY, STDIN_FILENO);
        Redirect(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, STDOUT_FILENO);
        Redirect(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO);
        if (options.fileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        // The default action, as a program started from a shell has it.
        std::signal(SIGXFSZ, SIG_DFL);
        if (options.measured) ::setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
        for (const auto& [name, value] : options.environment) ::setenv(name.c_str(), value.c_str(), 1);
        ::execv(argv[0], argv.data());
        ::_exit(EXEC_FAILED);
    }
    ProgramResult result;
    int raw = -1;
    rusage usage{};
    if (child > 0 && ::wait4(child, &raw, 0, &usage) == child) {
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.maxResidentKb = usage.ru_maxrss;
    }
    return result;
}

int StartProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& cwd) {
    std::vector<std::string> words = Words(program, args);
    std::vector<char*> argv = Pointers(words);
    const std::string dir = cwd.string();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(EXEC_FAILED);
        Redirect("/dev/null", O_RDONLY, STDIN_FILENO);
        Redirect("/dev/null", O_WRONLY, STDOUT_FILENO);
        Redirect("/dev/null", O_WRONLY, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(EXEC_FAILED);
    }
    return child;
}

long SizeBeingWritten(int pid, const fs::path& folder) {
    // The files the process has open, as the system lists them.
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        std::error_code linkError;
        const std::string target = fs::read_symlink(fd.path(), linkError).string();
        struct stat st {};
        if (!linkError && target.rfind(folder.string() + "/", 0) == 0 && ::stat(fd.path().c_str(), &st) == 0 &&
            S_ISREG(st.st_mode))
            return static_cast<long>(st.st_size);
    }
    return -1;
}

void KillProgram(int pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

LibraryExports ExportsOf(const fs::path& library) {
    LibraryExports exports;
    const std::string cmd = "nm -D --defined-only '" + library.string() + "'";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return exports;
    char line[512];
    while (std::fgets(line, sizeof line, p)) {
        char addr[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", addr, type, name) != 3) continue;
        if (std::string(type) == "T") exports.functions.insert(name);
        else exports.others.push_back(std::string(type) + " " + name);
    }
    exports.read = ::pclose(p) == 0;
    return exports;
}

}  // namespace talvek_test

#endif
