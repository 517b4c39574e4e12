#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_platform.h"

namespace fs = std::filesystem;

namespace talvek_test {

fs::path BuildRoot() { return TALVEK_TEST_BUILD_ROOT; }
fs::path FixtureModules() { return TALVEK_TEST_FIXTURE_MODULES; }
fs::path SimBinary() { return TALVEK_TEST_SIM_BINARY; }
fs::path TestData() { return TALVEK_TEST_DATA; }
fs::path Docs() { return TALVEK_TEST_DOCS; }

namespace {
std::atomic<int> g_counter{0};
}  // namespace

TempRoot::TempRoot() {
    path_ = fs::temp_directory_path() /
            ("talvek-root-" + std::to_string(ProcessId()) + "-" + std::to_string(g_counter++));
    fs::remove_all(path_);
    fs::create_directories(path_ / "Modules");
    fs::create_directories(path_ / "Scenarios");
    for (const char* sub : {"Config", "Meshes"}) {
        if (fs::exists(BuildRoot() / sub)) fs::copy(BuildRoot() / sub, path_ / sub, fs::copy_options::recursive);
        else fs::create_directories(path_ / sub);
    }
    for (const auto& entry : fs::directory_iterator(BuildRoot() / "Modules"))
        LinkOrCopy(entry.path(), path_ / "Modules" / entry.path().filename());
}

TempRoot::~TempRoot() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path Utf8Path(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

fs::path TempRoot::Write(const std::string& relative, const std::string& text) const {
    const fs::path p = path_ / Utf8Path(relative);
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p;
}

void TempRoot::AddFixtureModule(const std::string& fixture, const std::string& name) const {
    const fs::path target = path_ / "Modules" / (name + LIBRARY_SUFFIX);
    fs::remove(target);
    LinkOrCopy(FixtureModules() / (fixture + LIBRARY_SUFFIX), target);
}

void TempRoot::RemoveModule(const std::string& name) const { fs::remove(path_ / "Modules" / (name + LIBRARY_SUFFIX)); }

ScratchDir::ScratchDir(const std::string& prefix) {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "-" + info->name() : "none";
    for (char& c : name)
        if (c == '/') c = '-';
    path_ = fs::temp_directory_path() / (prefix + "-" + std::to_string(ProcessId()) + "-" + name);
    fs::remove_all(path_);
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void ScratchDir::Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / Utf8Path(name), std::ios::binary) << text;
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

std::vector<std::string> SimArguments(const std::vector<std::string>& args) {
    std::vector<std::string> all = args;
    if (LegacyEntryPoints() && !args.empty() && args.front() == "run") {
        all.push_back("--entry-points");
        all.push_back("legacy");
    }
    return all;
}

ProcessResult RunSimWith(const std::vector<std::string>& args, const fs::path& cwd, const RunOptions& options) {
    const fs::path base = fs::temp_directory_path() /
                          ("talvek-run-" + std::to_string(ProcessId()) + "-" + std::to_string(g_counter++));
    const fs::path out = fs::path(base).concat(".out"), err = fs::path(base).concat(".err");
    const ProgramResult run = RunProgram(SimBinary(), SimArguments(args), cwd, out, err, options);
    ProcessResult r;
    r.status = run.status;
    r.maxResidentKb = run.maxResidentKb;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    fs::remove(out);
    fs::remove(err);
    return r;
}

}  // namespace

ProcessResult RunSim(const std::vector<std::string>& args, const fs::path& cwd) { return RunSimWith(args, cwd, {}); }

ProcessResult RunSimLimited(const std::vector<std::string>& args, const fs::path& cwd, long fileSizeLimit) {
    RunOptions options;
    options.fileSizeLimit = fileSizeLimit;
    return RunSimWith(args, cwd, options);
}

ProcessResult RunSimMeasured(const std::vector<std::string>& args, const fs::path& cwd) {
    RunOptions options;
    options.measured = true;
    return RunSimWith(args, cwd, options);
}

ProcessResult RunSimWithEnvironment(const std::vector<std::string>& args, const fs::path& cwd,
                                    const std::vector<std::pair<std::string, std::string>>& environment) {
    RunOptions options;
    options.environment = environment;
    return RunSimWith(args, cwd, options);
}

int StartSim(const std::vector<std::string>& args, const fs::path& cwd) {
    return StartProgram(SimBinary(), SimArguments(args), cwd);
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
