// What talvek-sim writes is whole or not written: each output replaces its file only once it is
// complete, so a full disk, a file size limit or a kill leaves the previous file as it was; an
// output that fails leaves the others to be written; and no output may land on the run's own
// inputs or on another output.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using talvek_test::ReadFile;
using talvek_test::RunSim;
using testing::HasSubstr;

namespace {

constexpr const char* OLD = "the previous file, which must stay whole\n";

class OutputFiles : public testing::Test {
protected:
    void SetUp() override {
        scratch.Write("in.scn", ReadFile(talvek_test::BuildRoot() / "Scenarios" / "Talvek-orbit.scn"));
        scratch.Write("keep.scn", OLD);
        fs::create_directory(dir / "sub");
        links = talvek_test::MakeFileLink("keep.scn", dir / "link.scn");
    }
    void Write(const std::string& name, const std::string& text) const { scratch.Write(name, text); }
    std::string Read(const std::string& name) const { return scratch.Read(name); }
    // The files a test leaves in the folder besides those of SetUp.
    std::set<std::string> FilesAnd(std::set<std::string> names) const {
        names.insert({"in.scn", "keep.scn", "sub"});
        if (links) names.insert("link.scn");
        return names;
    }
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
        return names;
    }

    talvek_test::ScratchDir scratch{"talvek-outputs"};
    const fs::path& dir = scratch.Path();
    bool links = false;  // link.scn, a symbolic link to keep.scn, could be made
};

struct RefusedTarget {
    std::vector<std::string> args;
    std::string script;  // written to s.txt when not empty
    std::string expected;
};

void PrintTo(const RefusedTarget& c, std::ostream* os) {
    for (const auto& a : c.args) *os << '\'' << a << "' ";
}

class RefusedTargets : public OutputFiles, public testing::WithParamInterface<RefusedTarget> {};

}  // namespace

TEST_P(RefusedTargets, AreRefusedBeforeTheFirstFrame) {
    const bool link = GetParam().script.find("link.scn") != std::string::npos ||
                      std::find(GetParam().args.begin(), GetParam().args.end(), "link.scn") != GetParam().args.end();
    if (link && !links) GTEST_SKIP() << "std::filesystem makes no symbolic links on this system";
    if (!GetParam().script.empty()) Write("s.txt", GetParam().script);
    const std::string scenario = Read("in.scn");
    const auto r = RunSim(GetParam().args, dir);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr(GetParam().expected));
    EXPECT_THAT(r.out, testing::Not(HasSubstr("frames,"))) << "no flight was run";
    EXPECT_EQ(Read("keep.scn"), OLD);
    EXPECT_EQ(Read("in.scn"), scenario);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedTargets,
    testing::Values(
        RefusedTarget{{"run", "in.scn", "--frames", "1", "--save", "keep.scn", "--dump", "keep.scn"}, "",
                      "--dump: keep.scn is also the file of --save; give each output a file of its own"},
        RefusedTarget{{"run", "in.scn", "--frames", "1", "--save", "./keep.scn", "--log", "sub/../keep.scn"}, "",
                      "--log: sub/../keep.scn is also the file of --save"},
        RefusedTarget{{"run", "in.scn", "--frames", "1", "--save", "link.scn", "--telemetry", "keep.scn"}, "",
                      "--telemetry: keep.scn is also the file of --save"},
        RefusedTarget{{"run", "in.scn", "--frames", "1", "--trace", "keep.scn", "--plot", "keep.scn"}, "",
                      "--plot: keep.scn is also the file of --trace"},
        RefusedTarget{{"run", "in.scn", "--frames", "1", "--save", "./in.scn"}, "",
                      "--save: ./in.scn is the scenario this run reads; give the output a file of its own"},
        RefusedTarget{{"run", "in.scn", "--frames", "1", "--script", "s.txt", "--trace", "s.txt"}, "# nothing\n",
                      "--trace: s.txt is the flight script (--script)"},
        RefusedTarget{{"run", "in.scn", "--until", "1", "--script", "s.txt"}, "at 0.5 Talvek save sub/../in.scn\n",
                      "s.txt:1: save: "},
        RefusedTarget{{"run", "in.scn", "--until", "1", "--script", "s.txt", "--dump", "keep.scn"},
                      "at 0.5 Talvek save link.scn\n", "is also the file of --dump"},
        RefusedTarget{{"run", "in.scn", "--until", "1", "--script", "s.txt"},
                      "at 0.2 Talvek save a.scn\nat 0.5 Talvek save a.scn\n", "s.txt:2: save: "},
        RefusedTarget{{"run", "in.scn", "--frames", "1", "--save", ""}, "", "--save: give a file to write, not an empty path"},
        RefusedTarget{{"run", "in.scn", "--frames", "1", "--log", ""}, "", "--log: give a file to write"},
        RefusedTarget{{"run", "in.scn", "--frames", "1", "--dump", "sub"}, "", "--dump: sub is a folder; give a file to write"},
        RefusedTarget{{"render", "in.scn", "--vessel", "Talvek", "--out", "in.scn"}, "",
                      "--out: in.scn is the scenario this run reads"},
        RefusedTarget{{"render", "in.scn", "--vessel", "Talvek", "--out", ""}, "", "--out: give a file to write"}));

TEST_F(OutputFiles, DevicesTakeSeveralOutputsAndALinkKeepsNamingItsFile) {
    if (!talvek_test::HAS_DEVICE_FILES || !links) GTEST_SKIP() << "no /dev/null or no symbolic links on this system";
    const auto r = RunSim({"run", "in.scn", "--frames", "3", "--dump", "/dev/null", "--log", "/dev/null", "--trace",
                           "/dev/null", "--save", "link.scn"},
                          dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir / "link.scn"));
    EXPECT_THAT(Read("keep.scn"), HasSubstr("BEGIN_SHIPS\nTalvek:Talvek\n")) << "the save went to the file it names";
}

// A full disk: the system's own reason is told, and the flight and the other outputs go on.
TEST_F(OutputFiles, AFullDiskIsReportedAndTheOtherOutputsAreWritten) {
    if (!talvek_test::HAS_DEVICE_FILES) GTEST_SKIP() << "no /dev/full on this system";
    auto r = RunSim({"run", "in.scn", "--frames", "3", "--save", "/dev/full", "--dump", "d.json"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("/dev/full: cannot be written (writing failed: No space left on device)"));
    EXPECT_THAT(r.err, HasSubstr("1 of the outputs asked for could not be written"));
    EXPECT_TRUE(fs::exists(dir / "d.json")) << r.err;

    Write("s.txt", "at 0.5 Talvek save /dev/full\nat 1 Talvek save mid.scn\n");
    r = RunSim({"run", "in.scn", "--until", "2", "--script", "s.txt", "--dump", "end.json"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("s.txt:1: save: /dev/full: cannot be written (writing failed: No space left on device)"));
    EXPECT_THAT(Read("mid.scn"), HasSubstr("BEGIN_SHIPS")) << "the later save";
    ASSERT_TRUE(fs::exists(dir / "end.json")) << r.err;
    EXPECT_NEAR(nlohmann::json::parse(Read("end.json"))["time"].get<double>(), 2.0, 0.02) << "the flight went on";
}

// A file size limit stops the dump and the telemetry, both larger than it, half way: they keep
// their previous text, no partial file is left behind, and the save, the script's save and the
// log, all smaller, are written whole.
TEST_F(OutputFiles, AWriteLimitLeavesThePreviousFilesWholeAndTheOthersWritten) {
    if (!talvek_test::HAS_FILE_SIZE_LIMIT) GTEST_SKIP() << "no file size limit for a process on this system";
    constexpr long LIMIT = 16 * 1024;  // [bytes]: a save is 0.5 kB, the dump 30 kB, the CSV 30 kB
    Write("d.json", OLD);
    Write("t.csv", OLD);
    Write("s.txt", "at 1 Talvek save mid.scn\n");
    const std::vector<std::string> args{"run",     "in.scn", "--frames",    "3000",  "--script", "s.txt", "--save",
                                        "end.scn", "--dump", "d.json", "--telemetry", "t.csv", "--log", "l.txt"};
    const auto r = talvek_test::RunSimLimited(args, dir, LIMIT);
    EXPECT_EQ(r.status, 2) << r.err;
    const std::string reason = ": cannot be written (writing failed: File too large); a file that stood there is left as it was";
    EXPECT_THAT(r.err, HasSubstr((dir / "d.json").string() + reason));
    EXPECT_THAT(r.err, HasSubstr((dir / "t.csv").string() + reason));
    EXPECT_EQ(Read("d.json"), OLD);
    EXPECT_EQ(Read("t.csv"), OLD);
    EXPECT_EQ(Files(), FilesAnd({"s.txt", "d.json", "t.csv", "end.scn", "mid.scn", "l.txt"}));

    // What the limited run did write is what an unlimited run writes.
    const std::string end = Read("end.scn"), mid = Read("mid.scn");
    const auto free = RunSim(args, dir);
    ASSERT_EQ(free.status, 0) << free.err;
    EXPECT_EQ(Read("end.scn"), end);
    EXPECT_EQ(Read("mid.scn"), mid);
    EXPECT_GT(Read("d.json").size(), static_cast<size_t>(LIMIT));
}

// Killed while the telemetry and the trace were being written, the run leaves the previous
// files whole, and nothing else in their folder.
TEST_F(OutputFiles, AKilledRunLeavesThePreviousFilesWhole) {
    Write("t.csv", OLD);
    Write("trace.txt", OLD);
    const int pid = talvek_test::StartSim(
        {"run", "in.scn", "--frames", "100000000", "--telemetry", "t.csv", "--trace", "trace.txt"}, dir);
    ASSERT_GT(pid, 0);
    constexpr auto PATIENCE = std::chrono::seconds(60);
    const auto start = std::chrono::steady_clock::now();
    bool writing = false;
    while (!writing && std::chrono::steady_clock::now() - start < PATIENCE) {
        writing = talvek_test::SizeBeingWritten(pid, dir) > 0;
        if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    talvek_test::KillProgram(pid);
    EXPECT_TRUE(writing) << "the run was to be killed while it wrote its outputs";
    EXPECT_EQ(Read("t.csv"), OLD);
    EXPECT_EQ(Read("trace.txt"), OLD);
    EXPECT_EQ(Files(), FilesAnd({"t.csv", "trace.txt"}));
}

// The plot is drawn in a folder of its own in the temporary folder, which is gone after the run:
// gnuplot, started without a shell and without a console of its own, has let go of it. (A console
// host started for it held the folder for a moment after it ended, now and then too long: a few
// runs.)
TEST_F(OutputFiles, ThePlotLeavesNothingInTheTemporaryFolder) {
    constexpr int RUNS = 5;
    const fs::path temporary = dir / "tmp";
    fs::create_directory(temporary);
    const std::string folder = temporary.string();
    for (int run = 0; run < RUNS; ++run) {
        const auto r = talvek_test::RunSimWithEnvironment({"run", "in.scn", "--frames", "30", "--plot", "p.png"}, dir,
                                                          {{"TMPDIR", folder}, {"TMP", folder}, {"TEMP", folder}});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Read("p.png").substr(1, 3), "PNG");
        std::set<std::string> left;
        for (const auto& e : fs::directory_iterator(temporary)) left.insert(e.path().filename().string());
        ASSERT_TRUE(left.empty()) << "run " << run << " left " << *left.begin();
    }
}

namespace {
// Three Talveks spread along a 400 km orbit.
constexpr const char* THREE_TALVEKS =
    "BEGIN_SHIPS\n"
    "V0:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010.000 0.000 0.000\n  RVEL 0.0000 0.0000 7672.5930\nEND\n"
    "V1:Talvek\n  STATUS Orbiting Earth\n  RPOS -3385505.000 0.000 5863866.669\n  RVEL -6644.6605 0.0000 -3836.2965\nEND\n"
    "V2:Talvek\n  STATUS Orbiting Earth\n  RPOS -3385505.000 0.000 -5863866.669\n  RVEL 6644.6605 0.0000 -3836.2965\nEND\n"
    "END_SHIPS\n";
}  // namespace

// The outputs that grow with the flight (telemetry, plot, trace) go to their files as it is
// flown: a run ten times as long takes no more memory.
TEST_F(OutputFiles, MemoryStaysFlatWithEveryOutputOn) {
    Write("three.scn", THREE_TALVEKS);
    constexpr long SHORT_RUN = 20000;                // frames
    constexpr long GROWTH_ALLOWED = 8 * 1024;        // [kB] of peak memory between the two runs
    auto peak = [&](long frames) {
        const auto r = talvek_test::RunSimMeasured(
            {"run", "three.scn", "--frames", std::to_string(frames), "--telemetry", "t.csv", "--plot", "p.png", "--trace",
             "trace.txt", "--log", "l.txt", "--events", "--save", "s.scn", "--dump", "d.json"},
            dir);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.maxResidentKb;
    };
    const long shortRun = peak(SHORT_RUN), longRun = peak(10 * SHORT_RUN);
    // Wine reads a process's figures from the running program, and has none once it has ended.
    if (shortRun <= 0 || longRun <= 0) GTEST_SKIP() << "this system gave no peak memory of an ended process";
    EXPECT_LT(longRun, shortRun + GROWTH_ALLOWED) << "short run " << shortRun << " kB, ten times longer " << longRun << " kB";
}
