#include "sim/platform.h"

#include <stdexcept>

namespace fs = std::filesystem;

namespace sim::platform {

fs::path PathFromUtf8(std::string_view text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

namespace {
constexpr int NAME_ATTEMPTS = 100;  // names tried for a new file or folder before giving up

// A name in the folder for a new file until it takes the target's place.
fs::path TemporaryName(const fs::path& target, int attempt) {
    return target.parent_path() /
           PathFromUtf8("." + Utf8(target.filename()) + ".new-" + std::to_string(ProcessId()) + "-" +
                        std::to_string(attempt));
}
}  // namespace

NewFile::~NewFile() { Discard(); }

}  // namespace sim::platform

#if defined(_WIN32)

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <random>

#include "sim/windows_arguments.h"

namespace sim::platform {

namespace {

std::string Narrow(const wchar_t* text, int length) {
    if (length == 0) return "";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return "";
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return L"";
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (size <= 0) return L"";
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), size);
    return out;
}

SystemError LastError() { return SystemError{static_cast<int>(GetLastError())}; }

// The program's file in a folder of the search path, empty when none: the current folder is not
// searched, so that a file in the folder a run works in is never taken for the program.
fs::path FindProgram(const std::string& program) {
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0) return {};
    std::wstring path(size, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), size));
    const fs::path name = PathFromUtf8(program + ".exe");
    size_t from = 0;
    while (from <= path.size()) {
        size_t to = path.find(L';', from);
        if (to == std::wstring::npos) to = path.size();
        std::wstring folder = path.substr(from, to - from);
        if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') folder = folder.substr(1, folder.size() - 2);
        from = to + 1;
        if (folder.empty()) continue;
        std::error_code ignored;
        const fs::path candidate = fs::path(folder) / name;
        if (fs::is_regular_file(candidate, ignored)) return candidate;
    }
    return {};
}

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> out;
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) out.push_back(Narrow(wide[i], static_cast<int>(wcslen(wide[i]))));
        LocalFree(wide);
    }
    if (count != argc) out.assign(argv, argv + argc);  // not the command line this program was started with
    return out;
}

void PrepareProcess() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

Library OpenLibrary(const fs::path& file, std::string& error) {
    // A library that cannot be loaded is an error to report, not a dialog box to answer.
    DWORD previous = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
    // Its own folder is searched first for the libraries it needs.
    HMODULE library = LoadLibraryExW(fs::absolute(file).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const SystemError failure = LastError();
    SetThreadErrorMode(previous, nullptr);
    if (!library) error = Describe(failure);
    return reinterpret_cast<Library>(library);
}

void* LibrarySymbol(Library library, const char* name) {
    if (!library) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(Library library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

int ProcessId() { return static_cast<int>(GetCurrentProcessId()); }

std::string Describe(SystemError error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error.code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = text ? Narrow(text, static_cast<int>(length)) : "";
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.' || out.back() == ' '))
        out.pop_back();
    return out.empty() ? "system error " + std::to_string(error.code) : out;
}

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, const fs::path& folder,
               const fs::path& log) {
    const fs::path file = FindProgram(program);
    if (file.empty()) return -1;
    std::wstring commandLine = QuotedArgument(file.wstring());
    for (const std::string& a : arguments) commandLine += L" " + QuotedArgument(Widen(a));
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE output = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    int status = -1;
    // The program inherits these two handles and no other (such as the outputs being written).
    HANDLE inherited[] = {input, output};
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> attributes(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    const bool made = InitializeProcThreadAttributeList(list, 1, 0, &size);
    const bool listed = made && UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                                          sizeof inherited, nullptr, nullptr);
    if (listed && output != INVALID_HANDLE_VALUE && input != INVALID_HANDLE_VALUE) {
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = input;
        startup.StartupInfo.hStdOutput = output;
        startup.StartupInfo.hStdError = output;
        startup.lpAttributeList = list;
        PROCESS_INFORMATION child{};
        // No console of its own: a console host started for it would hold the folder it runs in
        // for a moment after it ends, and the folder could not be removed ("sharing violation").
        if (CreateProcessW(file.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                           DETACHED_PROCESS | EXTENDED_STARTUPINFO_PRESENT, nullptr, folder.c_str(),
                           &startup.StartupInfo, &child)) {
            DWORD code = 0;
            if (WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(child.hProcess, &code))
                status = static_cast<int>(code);
            CloseHandle(child.hThread);
            CloseHandle(child.hProcess);
        }
    }
    if (made) DeleteProcThreadAttributeList(list);
    // Closed before the caller reads or removes the log.
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    return status;
}

fs::path MakePrivateFolder(const std::string& prefix) {
    // The user's temporary folder is the user's own; a name no folder has yet makes it ours.
    const fs::path base = fs::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        const fs::path folder =
            base / PathFromUtf8(prefix + "-" + std::to_string(ProcessId()) + "-" + std::to_string(random()));
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    throw std::runtime_error("cannot make a folder of its own in " + Utf8(base));
}

std::FILE* OpenTemporaryFile() {
    std::random_device random;
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) return nullptr;
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        const fs::path name = base / PathFromUtf8("talvek-" + std::to_string(ProcessId()) + "-" + std::to_string(random()) + ".tmp");
        HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return nullptr;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
        if (fd < 0) {
            CloseHandle(h);
            return nullptr;
        }
        std::FILE* file = _fdopen(fd, "w+b");
        if (!file) _close(fd);
        return file;
    }
    return nullptr;
}

SystemError NewFile::OpenInPlace(const fs::path& file) {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError();
    handle_ = h;
    return {};
}

SystemError NewFile::CreateBeside(const fs::path& target) {
    target_ = target;
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        const fs::path name = TemporaryName(target, attempt);
        HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const SystemError error = LastError();
            if (error.code == ERROR_FILE_EXISTS || error.code == ERROR_ALREADY_EXISTS) continue;
            return error;
        }
        handle_ = h;
        name_ = name;
        // Removed by the system when the handle closes, however the process ends, until Keep.
        FILE_DISPOSITION_INFO remove{TRUE};
        if (!SetFileInformationByHandle(h, FileDispositionInfo, &remove, sizeof remove)) {
            const SystemError error = LastError();
            Discard();
            return error;
        }
        return {};
    }
    return SystemError{ERROR_FILE_EXISTS};
}

SystemError NewFile::Write(const char* data, std::size_t size) {
    constexpr std::size_t MAX_CHUNK = 1u << 30;  // [bytes] that one WriteFile call takes
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size < MAX_CHUNK ? size : MAX_CHUNK);
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(handle_), data, chunk, &written, nullptr)) return LastError();
        data += written;
        size -= written;
    }
    return {};
}

SystemError NewFile::Sync() {
    if (!FlushFileBuffers(static_cast<HANDLE>(handle_))) return LastError();
    return {};
}

SystemError NewFile::Keep() {
    FILE_DISPOSITION_INFO keep{FALSE};
    if (!SetFileInformationByHandle(static_cast<HANDLE>(handle_), FileDispositionInfo, &keep, sizeof keep))
        return LastError();
    return {};
}

SystemError NewFile::Close() {
    if (!handle_) return {};
    const BOOL closed = CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    if (!closed) return LastError();
    return {};
}

SystemError NewFile::Replace(const fs::path& target) {
    if (!MoveFileExW(name_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return LastError();
    name_.clear();  // it is the target now
    return {};
}

void NewFile::Discard() {
    // A file not yet kept goes with its handle.
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    if (!name_.empty()) DeleteFileW(name_.c_str());
    name_.clear();
}

}  // namespace sim::platform

#else

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace sim::platform {

namespace {
constexpr mode_t NEW_FILE_MODE = 0666;  // before the umask, as any new file
constexpr mode_t LOG_FILE_MODE = 0600;  // a program's log in a private folder
constexpr int EXEC_FAILED = 127;        // a child's status when its program cannot be started, as a shell's

SystemError LastError() { return SystemError{errno}; }
}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void PrepareProcess() { std::signal(SIGXFSZ, SIG_IGN); }

Library OpenLibrary(const fs::path& file, std::string& error) {
    Library library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        error = reason ? reason : "unknown error";
    }
    return library;
}

void* LibrarySymbol(Library library, const char* name) { return library ? dlsym(library, name) : nullptr; }

void CloseLibrary(Library library) {
    if (library) dlclose(library);
}

int ProcessId() { return static_cast<int>(::getpid()); }

std::string Describe(SystemError error) { return std::strerror(error.code); }

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, const fs::path& folder,
               const fs::path& log) {
    // Everything the child needs is made before the fork.
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string dir = folder.string(), logFile = log.string();
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(EXEC_FAILED);
        const int out = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, LOG_FILE_MODE);
        const int none = ::open("/dev/null", O_RDONLY);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        if (none >= 0) ::dup2(none, STDIN_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(EXEC_FAILED);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path MakePrivateFolder(const std::string& prefix) {
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder of its own in " + pattern);
    return pattern;
}

std::FILE* OpenTemporaryFile() { return std::tmpfile(); }

SystemError NewFile::OpenInPlace(const fs::path& file) {
    fd_ = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) return LastError();
    return {};
}

SystemError NewFile::CreateBeside(const fs::path& target) {
    target_ = target;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
#if defined(O_TMPFILE)
    // Unnamed until Keep: a process that ends before then leaves nothing behind in the folder.
    fd_ = ::open(target.parent_path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, NEW_FILE_MODE);
    if (fd_ < 0) {
        const int error = errno;
        // File systems without unnamed files get a named one, removed if the run fails.
        if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL) return SystemError{error};
    } else {
        unnamed_ = true;
    }
#endif
    for (int attempt = 0; fd_ < 0 && attempt < NAME_ATTEMPTS; ++attempt) {
        name_ = TemporaryName(target, attempt);
        fd_ = ::open(name_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, NEW_FILE_MODE);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const SystemError failed = LastError();
        name_.clear();
        return failed;
    }
    // The new file keeps the permissions of the one it replaces.
    if (exists) (void)::fchmod(fd_, old.st_mode & 07777);
    return {};
}

SystemError NewFile::Write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return LastError();
        data += n;
        size -= static_cast<size_t>(n);
    }
    return {};
}

SystemError NewFile::Sync() {
    if (::fsync(fd_) != 0) return LastError();
    return {};
}

SystemError NewFile::Keep() {
    if (!unnamed_) return {};
#if defined(O_TMPFILE)
    // The unnamed file takes a name beside the target.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        const fs::path name = TemporaryName(target_, attempt);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            name_ = name;
            unnamed_ = false;
            return {};
        }
        if (errno != EEXIST) break;
    }
#endif
    return LastError();
}

SystemError NewFile::Close() {
    if (fd_ < 0) return {};
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) return LastError();
    return {};
}

SystemError NewFile::Replace(const fs::path& target) {
    if (::rename(name_.c_str(), target.c_str()) != 0) return LastError();
    name_.clear();  // it is the target now
    return {};
}

void NewFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!name_.empty()) ::unlink(name_.c_str());
    name_.clear();
}

}  // namespace sim::platform

#endif
