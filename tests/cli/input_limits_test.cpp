// talvek-sim refuses, before the first frame, what would overrun the host's lists, make a state
// non-finite, never end, or fail only when it falls due: one line naming the place, exit status 2.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;
using talvek_test::RunSim;
using testing::HasSubstr;

namespace {

struct LimitCase {
    const char* name;
    std::vector<std::string> args;
    std::string file, text;  // a file to write first (name, content); a name ending in '/' is a folder
    std::string expected;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class InputLimits : public testing::TestWithParam<LimitCase> {
protected:
    talvek_test::ScratchDir scratch{"talvek-limits"};
};

std::string Orbiting(const std::string& name, const std::string& line) {
    return "BEGIN_SHIPS\n" + name + ":tlvorbit\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  " + line + "\nEND\nEND_SHIPS\n";
}

const std::string LONG_NAME(300, 'n');

}  // namespace

TEST_P(InputLimits, ExitTwoWithThePlaceNamed) {
    const LimitCase& c = GetParam();
    if (!c.file.empty() && c.file.back() == '/') fs::create_directories(scratch.Path() / c.file);
    else if (!c.file.empty()) scratch.Write(c.file, c.text);
    const auto r = RunSim(c.args, scratch.Path());
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.expected));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InputLimits,
    testing::Values(
        LimitCase{"ThrusterIndexThatWraps", {"run", "s.scn", "--frames", "2"}, "s.scn", Orbiting("A", "THLEVEL 4294967295:1"),
                  "s.scn:5: THLEVEL expects 'thruster:level' pairs, thruster a number from 0 to 9999"},
        LimitCase{"TankIndexThatWraps", {"run", "s.scn", "--frames", "2"}, "s.scn", Orbiting("A", "PRPLEVEL 2147483648:1"),
                  "s.scn:5: PRPLEVEL expects 'tank:level' pairs, tank a number from 0 to 9999"},
        LimitCase{"AbsurdRotation", {"run", "s.scn", "--frames", "2"}, "s.scn", Orbiting("A", "VROT 1e200 0 0"),
                  "s.scn:5: VROT is out of range (a rate of at most 3600 deg/s)"},
        LimitCase{"AbsurdVelocity", {"run", "s.scn", "--frames", "2"}, "s.scn", Orbiting("A", "RVEL 1e200 0 0"),
                  "s.scn:5: RVEL is out of range (a speed of at most 1e6 m/s)"},
        LimitCase{"AbsurdPosition", {"run", "s.scn", "--frames", "2"}, "s.scn",
                  "BEGIN_SHIPS\nA:tlvorbit\n  RPOS -1e308 0 0\nEND\nEND_SHIPS\n",
                  "s.scn:3: RPOS is out of range (at most 1e12 m from Earth's centre)"},
        LimitCase{"LandedBelowTheCentre", {"run", "s.scn", "--frames", "2"}, "s.scn",
                  "BEGIN_SHIPS\nA:tlvorbit\n  STATUS Landed Earth\n  POS 10 20\n  ALT -7000000\nEND\nEND_SHIPS\n",
                  "s.scn:5: ALT is out of range (a landed vessel's altitude within -1000..100000 m)"},
        LimitCase{"AbsurdDate", {"run", "s.scn", "--frames", "2"}, "s.scn",
                  "BEGIN_ENVIRONMENT\n  Date MJD 1e305\nEND_ENVIRONMENT\n" + Orbiting("A", "RVEL 0 0 7600"),
                  "s.scn:2: the date MJD 1e305 is out of range"},
        LimitCase{"NameNotUtf8", {"run", "s.scn", "--frames", "2", "--dump", "d.json", "--telemetry", "t.csv"}, "s.scn",
                  Orbiting("Sat\xe9llite", "RVEL 0 0 7600"), "s.scn:2: the vessel name is not UTF-8 text"},
        LimitCase{"NameTooLong", {"run", "s.scn", "--frames", "2"}, "s.scn", Orbiting(LONG_NAME, "RVEL 0 0 7600"),
                  "s.scn:2: the vessel name has 300 bytes"},
        LimitCase{"ScenarioPathTooLong", {"run", LONG_NAME + ".scn"}, "", "",
                  "SCENARIO: a name in the path has 304 bytes (at most 255 for each name)"},
        LimitCase{"SavePathTooLong", {"run", "Talvek-orbit.scn", "--frames", "1", "--save", LONG_NAME}, "", "",
                  "--save: a name in the path has 300 bytes"},
        LimitCase{"ScriptSavePathTooLong", {"run", "Talvek-orbit.scn", "--frames", "1", "--script", "s.txt"}, "s.txt",
                  "at 1 Talvek save " + LONG_NAME + "\n", "s.txt:1: save: a name in the path has 300 bytes"},
        LimitCase{"UntilNoRunReaches", {"run", "Talvek-orbit.scn", "--until", "1e308"}, "", "",
                  "--until: give a simulation time in seconds, from 0 to 1e8 (about three years)"},
        LimitCase{"UntilJustBeyondTheLatest", {"run", "Talvek-orbit.scn", "--until", "100000001"}, "", "",
                  "--until: give a simulation time in seconds, from 0 to 1e8"},
        LimitCase{"FramesTooShort", {"run", "Talvek-orbit.scn", "--frames", "1", "--frame-dt", "1e-300"}, "", "",
                  "--frame-dt: the frame length must be above 0, from 0.0001 to 60 seconds"},
        LimitCase{"ScriptIsAFolder", {"run", "Talvek-orbit.scn", "--frames", "1", "--script", "flight/"}, "flight/", "",
                  "flight/: is a folder; give a flight script file"},
        LimitCase{"ScriptSaveIntoMissingFolder", {"run", "Talvek-orbit.scn", "--until", "1", "--script", "s.txt"}, "s.txt",
                  "at 0 Talvek key K\nat 2800 Talvek save nodir/late.scn\n",
                  "s.txt:2: save: "}),
    [](const testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

TEST(InputLimitsOutputs, NothingIsWrittenWhenAScriptSaveCannotBe) {
    talvek_test::ScratchDir scratch{"talvek-limits"};
    scratch.Write("s.txt", "at 2800 Talvek save nodir/late.scn\n");
    const auto r = RunSim({"run", "Talvek-orbit.scn", "--until", "1", "--script", "s.txt", "--telemetry", "t.csv",
                           "--save", "end.scn"},
                          scratch.Path());
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_THAT(r.err, HasSubstr("nodir does not exist"));
    EXPECT_FALSE(fs::exists(scratch.Path() / "t.csv")) << "refused before the first frame";
}
