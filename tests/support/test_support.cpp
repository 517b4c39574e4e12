#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace talvek_test {

fs::path BuildRoot() { return TALVEK_TEST_BUILD_ROOT; }
fs::path FixtureModules() { return TALVEK_TEST_FIXTURE_MODULES; }
fs::path SimBinary() { return TALVEK_TEST_SIM_BINARY; }
fs::path TestData() { return TALVEK_TEST_DATA; }

namespace {
std::atomic<int> g_counter{0};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
}  // namespace

TempRoot::TempRoot() {
    path_ = fs::temp_directory_path() /
            ("talvek-root-" + std::to_string(::getpid()) + "-" + std::to_string(g_counter++));
    fs::remove_all(path_);
    fs::create_directories(path_ / "Modules");
    fs::create_directories(path_ / "Scenarios");
    for (const char* sub : {"Config", "Meshes"}) {
        if (fs::exists(BuildRoot() / sub)) fs::copy(BuildRoot() / sub, path_ / sub, fs::copy_options::recursive);
        else fs::create_directories(path_ / sub);
    }
    for (const auto& entry : fs::directory_iterator(BuildRoot() / "Modules"))
        fs::create_symlink(entry.path(), path_ / "Modules" / entry.path().filename());
}

TempRoot::~TempRoot() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path TempRoot::Write(const std::string& relative, const std::string& text) const {
    const fs::path p = path_ / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p;
}

void TempRoot::AddFixtureModule(const std::string& fixture, const std::string& name) const {
    const fs::path target = path_ / "Modules" / (name + ".so");
    fs::remove(target);
    fs::create_symlink(FixtureModules() / (fixture + ".so"), target);
}

void TempRoot::RemoveModule(const std::string& name) const { fs::remove(path_ / "Modules" / (name + ".so")); }

ScratchDir::ScratchDir(const std::string& prefix) {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "-" + info->name() : "none";
    for (char& c : name)
        if (c == '/') c = '-';
    path_ = fs::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(path_);
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void ScratchDir::Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
}

std::string ScratchDir::Read(const std::string& name) const { return ReadFile(path_ / name); }

ScopedCwd::ScopedCwd(const fs::path& dir) : previous_(fs::current_path()) { fs::current_path(dir); }
ScopedCwd::~ScopedCwd() { fs::current_path(previous_); }

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool LegacyEntryPoints() {
    const char* mode = std::getenv("TALVEK_TEST_ENTRY_POINTS");
    return mode && std::string(mode) == "legacy";
}

namespace {

// exec: the shell becomes talvek-sim, which then has the child's process id.
std::string SimCommand(const std::vector<std::string>& args, const fs::path& cwd, bool exec = false) {
    std::string cmd = "cd " + Quote(cwd.string()) + " && " + (exec ? "exec " : "") + Quote(SimBinary().string());
    for (const auto& a : args) cmd += " " + Quote(a);
    if (LegacyEntryPoints() && !args.empty() && args.front() == "run") cmd += " --entry-points legacy";
    return cmd;
}

// Runs talvek-sim in a child of this process with the given file size limit (none when
// negative) and the default action for SIGXFSZ, as a program started from a shell has it.
// Measured, a build under the address sanitizer frees memory at once, so that what it holds
// back for its checks does not count as the program's.
ProcessResult RunSimInChild(const std::vector<std::string>& args, const fs::path& cwd, long fileSizeLimit,
                            bool measured) {
    const fs::path base = fs::temp_directory_path() /
                          ("talvek-run-" + std::to_string(::getpid()) + "-" + std::to_string(g_counter++));
    const std::string cmd = SimCommand(args, cwd, true) + " >" + Quote(base.string() + ".out") + " 2>" +
                            Quote(base.string() + ".err") + " </dev/null";
    const pid_t child = ::fork();
    if (child == 0) {
        if (fileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::signal(SIGXFSZ, SIG_DFL);
        if (measured) {
            const char* given = std::getenv("ASAN_OPTIONS");
            const std::string options = std::string(given ? given : "") + ":quarantine_size_mb=0";
            ::setenv("ASAN_OPTIONS", options.c_str(), 1);
        }
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int raw = -1;
    rusage usage{};
    if (child > 0) ::wait4(child, &raw, 0, &usage);
    ProcessResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.maxResidentKb = usage.ru_maxrss;
    r.out = ReadFile(base.string() + ".out");
    r.err = ReadFile(base.string() + ".err");
    fs::remove(base.string() + ".out");
    fs::remove(base.string() + ".err");
    return r;
}

}  // namespace

ProcessResult RunSim(const std::vector<std::string>& args, const fs::path& cwd) {
    const fs::path base = fs::temp_directory_path() /
                          ("talvek-run-" + std::to_string(::getpid()) + "-" + std::to_string(g_counter++));
    const std::string cmd = SimCommand(args, cwd) + " >" + Quote(base.string() + ".out") + " 2>" +
                            Quote(base.string() + ".err") + " </dev/null";
    const int raw = std::system(cmd.c_str());
    ProcessResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFile(base.string() + ".out");
    r.err = ReadFile(base.string() + ".err");
    fs::remove(base.string() + ".out");
    fs::remove(base.string() + ".err");
    return r;
}

ProcessResult RunSimLimited(const std::vector<std::string>& args, const fs::path& cwd, long fileSizeLimit) {
    return RunSimInChild(args, cwd, fileSizeLimit, false);
}

ProcessResult RunSimMeasured(const std::vector<std::string>& args, const fs::path& cwd) {
    return RunSimInChild(args, cwd, -1, true);
}

int StartSim(const std::vector<std::string>& args, const fs::path& cwd) {
    const std::string cmd = SimCommand(args, cwd, true) + " >/dev/null 2>&1 </dev/null";
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return child;
}

std::string DescentOverGround(double elevation) {
    std::string descent = ReadFile(BuildRoot() / "Scenarios" / "Talvek-descent.scn");
    const std::string rpos = "RPOS ";
    const size_t at = descent.find(rpos);
    if (at == std::string::npos) ADD_FAILURE() << "the descent scenario has no RPOS line";
    if (at == std::string::npos) return descent;
    std::istringstream in(descent.substr(at + rpos.size()));
    double x = 0, y = 0, z = 0;
    in >> x >> y >> z;
    const double scale = 1 + elevation / std::sqrt(x * x + y * y + z * z);
    std::ostringstream moved;
    moved.precision(12);
    moved << rpos << x * scale << " " << y * scale << " " << z * scale;
    descent.replace(at, descent.find('\n', at) - at, moved.str());
    return descent;
}

}  // namespace talvek_test
