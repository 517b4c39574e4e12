// What the tests ask of the operating system beyond the standard library: processes, links and
// a library's exports. One implementation for POSIX systems and one for Windows
// (test_platform.cpp); no test names a system header.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace talvek_test {

#if defined(_WIN32)
inline constexpr const char* LIBRARY_SUFFIX = ".dll";
#else
inline constexpr const char* LIBRARY_SUFFIX = ".so";
#endif

// Whether this system has what a test needs: a test that needs what it lacks is skipped, saying so.
#if defined(_WIN32)
inline constexpr bool HAS_FILE_SIZE_LIMIT = false;  // no per-process file size limit (RLIMIT_FSIZE)
inline constexpr bool HAS_DEVICE_FILES = false;     // no /dev/null, /dev/full
inline constexpr bool HAS_PROCESS_FILES = false;    // no /proc/PID/fd to see what a process has open
inline constexpr bool HAS_POSIX_SHELL = false;      // no shell to run the tools' scripts
inline constexpr bool HAS_CASE_KEEPING_FOLDERS = false;  // a folder holds one file per name, whatever its case
#else
inline constexpr bool HAS_FILE_SIZE_LIMIT = true;
inline constexpr bool HAS_DEVICE_FILES = true;
inline constexpr bool HAS_PROCESS_FILES = true;
inline constexpr bool HAS_POSIX_SHELL = true;
inline constexpr bool HAS_CASE_KEEPING_FOLDERS = true;
#endif

// Why a test of files whose names differ only in case is skipped where a folder cannot hold them.
inline constexpr const char* NO_CASE_KEEPING_FOLDERS =
    "a Windows folder holds one file per name whatever its case: two files differing only in case cannot be made";

int ProcessId();

// A symbolic link at `link` to `target`; where the system gives no links without privileges
// (Windows), a copy. The tests use it to share the build's modules and meshes, never to test links.
void LinkOrCopy(const std::filesystem::path& target, const std::filesystem::path& link);
// A symbolic link to a file, for the tests of links themselves; false where none can be made.
bool MakeFileLink(const std::filesystem::path& target, const std::filesystem::path& link);

struct RunOptions {
    long fileSizeLimit = -1;  // [bytes] any file the program writes may reach; none when negative
    bool measured = false;    // its peak memory is wanted
    std::vector<std::pair<std::string, std::string>> environment;  // variables set for it, name and value
};

struct ProgramResult {
    int status = -1;  // -1 when it did not end by itself (a signal)
    long maxResidentKb = 0;  // its peak memory, when measured; 0 when the system gives none
};

// Runs the program with the arguments in the folder, its standard input empty and its output
// and errors written to the two files; waits for it.
ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& cwd, const std::filesystem::path& out,
                         const std::filesystem::path& err, const RunOptions& options = {});

// Starts the program in the background, its output discarded; returns its process id, or -1.
int StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::filesystem::path& cwd);
// The size of the new file that the process is writing in the folder (for talvek-sim, one that
// is to take an output's place), -1 when it has none.
long SizeBeingWritten(int pid, const std::filesystem::path& folder);
// Ends a program started so at once, as a kill from outside would, and waits for it.
void KillProgram(int pid);

// The names a shared library exports: its functions, and every other defined symbol as "TYPE name".
struct LibraryExports {
    std::set<std::string> functions;
    std::vector<std::string> others;
    bool read = false;  // false when the library could not be read
};
LibraryExports ExportsOf(const std::filesystem::path& library);

}  // namespace talvek_test
