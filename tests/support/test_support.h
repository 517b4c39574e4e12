// Helpers shared by the tests: a scratch host root, the working folder, and running
// talvek-sim as a process.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace talvek_test {

// The root that the build assembles (add-on data and built modules).
std::filesystem::path BuildRoot();
// Where the build puts the test fixture modules.
std::filesystem::path FixtureModules();
std::filesystem::path SimBinary();
// The folder of the tests' own scenario and script files.
std::filesystem::path TestData();
// The project's docs, whose examples the tests fly.
std::filesystem::path Docs();

// A path from UTF-8 text, as the host reads names written in files (a narrow path would be read
// in the system's code page on Windows).
std::filesystem::path Utf8Path(const std::string& text);

// A host root in a fresh folder: the build root's Config and Meshes copied, its Modules
// linked, so that a test can add or remove files without touching the build.
class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Writes a file under the root (its name UTF-8), creating its folders.
    std::filesystem::path Write(const std::string& relative, const std::string& text) const;
    // Links a fixture module into Modules/ under the given name (without extension).
    void AddFixtureModule(const std::string& fixture, const std::string& name) const;
    void RemoveModule(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Makes a folder the working folder for the scope, as the host does with its root.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::filesystem::path& dir);
    ~ScopedCwd();

private:
    std::filesystem::path previous_;
};

// A fresh folder named after the running test, removed with the object.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    void Write(const std::string& name, const std::string& text) const;
    std::string Read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

struct ProcessResult {
    int status = -1;  // -1 when a signal ended it
    std::string out, err;
    long maxResidentKb = 0;  // its peak memory, from RunSimMeasured and RunSimLimited
};

// Runs talvek-sim with the arguments in the given folder.
// Runs talvek-sim; with LegacyEntryPoints(), a "run" uses the legacy entry points.
ProcessResult RunSim(const std::vector<std::string>& args, const std::filesystem::path& cwd);

// The same, with the size of any file it writes limited to fileSizeLimit bytes (RLIMIT_FSIZE,
// which binds root as well), as a full disk or a quota would stop it.
ProcessResult RunSimLimited(const std::vector<std::string>& args, const std::filesystem::path& cwd, long fileSizeLimit);

// The same, with the peak memory of the process.
ProcessResult RunSimMeasured(const std::vector<std::string>& args, const std::filesystem::path& cwd);

// The same, with these environment variables set for it (name, value).
ProcessResult RunSimWithEnvironment(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                                    const std::vector<std::pair<std::string, std::string>>& environment);

// Starts talvek-sim in the background, its output discarded; returns its process id.
int StartSim(const std::vector<std::string>& args, const std::filesystem::path& cwd);

// True when the suite runs against the eight exported entry points instead of the callbacks
// (environment TALVEK_TEST_ENTRY_POINTS=legacy): every suite that drives the module runs both ways.
bool LegacyEntryPoints();

std::string ReadFile(const std::filesystem::path& path);

// The shipped descent scenario moved to start 14 km over ground at the given elevation [m]
// (its position scaled out from the planet's centre).
std::string DescentOverGround(double elevation);

}  // namespace talvek_test
