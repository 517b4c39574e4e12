// What talvek-sim asks of the operating system beyond the standard library: loading libraries,
// the process, starting a program, a private folder, and writing a file that replaces another
// whole. One implementation for POSIX systems and one for Windows (platform.cpp); nothing else in
// the host names a system header.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace sim::platform {

// The file name suffix of a shared library, with its dot.
#if defined(_WIN32)
inline constexpr const char* LIBRARY_SUFFIX = ".dll";
#else
inline constexpr const char* LIBRARY_SUFFIX = ".so";
#endif

// Text is UTF-8 throughout the host (arguments, file contents, messages). A path made from a
// narrow string would be read in the system's code page on Windows, so paths go through these.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8(const std::filesystem::path& path);

// The command line's arguments as UTF-8, whatever code page the system gave argv in.
std::vector<std::string> Arguments(int argc, char** argv);

// Sets up the process's standard streams and signals for talvek-sim: output is written as given
// (no line-end translation, the same bytes on every system), and a write past a file size limit
// fails with an error that is reported instead of ending the process.
void PrepareProcess();

// A library loaded at run time; null when none.
using Library = void*;
// Loads the library at that path, its references resolved at once. Null with the system's
// reason in `error` when it cannot be loaded.
Library OpenLibrary(const std::filesystem::path& file, std::string& error);
// The address of an exported function, null when the library has none of that name.
void* LibrarySymbol(Library library, const char* name);
void CloseLibrary(Library library);

int ProcessId();

// A system error: errno on POSIX systems, the system's last-error code on Windows; 0 for none.
struct SystemError {
    int code = 0;
    explicit operator bool() const { return code != 0; }
};
// The system's own text for the error ("No space left on device").
std::string Describe(SystemError error);

// Runs a program found on the search path with the arguments, in the folder, as a program of its
// own and never through a shell, so that no argument is read as a command; its standard input
// is empty and its output and errors go to the log file (made or emptied). Returns its exit
// status, or -1 when it could not be started or did not end by itself.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& folder, const std::filesystem::path& log);

// A new folder in the system's temporary folder, named from the prefix, that only this user
// can read and no other process can have made. Throws std::runtime_error when none can be made.
std::filesystem::path MakePrivateFolder(const std::string& prefix);

// A new file to write and read back, in the temporary folder of this user, that the system
// removes when it is closed or the process ends; null when none can be made. (Windows' own
// tmpfile makes its file in the drive's root folder, where a user may not write.)
std::FILE* OpenTemporaryFile();

// A file being written that takes another's place once it is whole. Made with CreateBeside, it
// lies beside its target unnamed (or, where the system has no unnamed files, under a hidden name
// that the system removes if the process ends before Keep); made with OpenInPlace (a device or
// pipe) it is the target itself. The object closes the file; Discard also removes a new file
// not yet moved into place.
class NewFile {
public:
    NewFile() = default;
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    SystemError OpenInPlace(const std::filesystem::path& file);
    // In the folder of `target`, with the permissions of the file that stands there, if any.
    SystemError CreateBeside(const std::filesystem::path& target);
    // Writes all of it, or fails.
    SystemError Write(const char* data, std::size_t size);
    // On the disk: after a crash the target is the old file or the new one.
    SystemError Sync();
    // Gives the new file the name that Replace moves, and keeps it past the process's end.
    SystemError Keep();
    SystemError Close();
    // Moves the kept, closed file into the target's place, replacing whatever stood there.
    SystemError Replace(const std::filesystem::path& target);
    void Discard();

private:
    std::filesystem::path target_;  // of CreateBeside
    std::filesystem::path name_;    // the new file's name, while it has one of its own
#if defined(_WIN32)
    void* handle_ = nullptr;
#else
    int fd_ = -1;
    bool unnamed_ = false;
#endif
};

}  // namespace sim::platform
