// Runs that once turned a number non-finite, wrote a save talvek-sim then refused, or never ended:
// each now ends with status 0 and every output asked for, or is refused before its first frame.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;
using talvek_test::ReadFile;
using talvek_test::RunSim;
using testing::HasSubstr;
using testing::Not;

namespace {

// The shipped orbit scenario with a line added after its PANELS line (or that line replaced).
std::string Orbit(const std::string& panels, const std::string& more = "") {
    std::string text = ReadFile(talvek_test::BuildRoot() / "Scenarios" / "Talvek-orbit.scn");
    const std::string line = "  PANELS 0.0\n";
    text.replace(text.find(line), line.size(), "  PANELS " + panels + "\n" + more);
    return text;
}

// Nothing written holds a number that is not finite.
void ExpectAllFinite(const std::string& text) {
    for (const char* word : {"nan", "inf"}) EXPECT_THAT(text, Not(HasSubstr(word))) << text;
}

// The dump's numbers of motion and mass are numbers (a JSON writer turns one that is not finite
// into null).
void ExpectDumpFinite(const std::string& text) {
    const nlohmann::json dump = nlohmann::json::parse(text);
    for (const auto& v : dump["vessels"]) {
        for (const char* key : {"altitude", "airspeed", "size", "emptyMass", "mass"})
            EXPECT_TRUE(v[key].is_number()) << v["name"] << " " << key << ": " << v[key];
        for (const char* key : {"position", "velocity", "angularVelocity", "orientation"})
            for (const auto& n : v[key]) EXPECT_TRUE(n.is_number()) << v["name"] << " " << key << ": " << v[key];
    }
}

class FiniteRuns : public testing::Test {
protected:
    talvek_test::ScratchDir scratch{"talvek-finite"};
    const fs::path& dir = scratch.Path();
};

}  // namespace

TEST_F(FiniteRuns, PanelsBeyondTheirRangeAreHeldAndSavedAsReadBack) {
    scratch.Write("p.scn", Orbit("1e39"));
    const auto r = RunSim({"run", "p.scn", "--frames", "1", "--save", "p2.scn"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("Talvek: solar array state '1e39' is outside 0..1; read as 1: PANELS 1e39"));
    EXPECT_THAT(scratch.Read("p2.scn"), HasSubstr("  PANELS 1.0\n"));
    const auto again = RunSim({"run", "p2.scn", "--frames", "1", "--save", "p3.scn"}, dir);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(scratch.Read("p3.scn").find("PANELS 1.0"), scratch.Read("p2.scn").find("PANELS 1.0"));
    EXPECT_THAT(again.err, Not(HasSubstr("solar array state")));
}

// Size 200 and RotResistance 1 are within the class file's ranges: their rotational drag, at 2 km
// with the vessel turning, once grew without bound and made every state NaN after 6 s.
TEST_F(FiniteRuns, ALargeDampedVesselFliesToTheGroundWithEveryOutput) {
    talvek_test::TempRoot root;
    root.Write("Config/Vessels/Blob.cfg", "ClassName = Blob\nSize = 200\nMass = 1000\nRotResistance = 1 1 1\n"
                                          "Inertia = 1 1 1\nCrossSections = 10 10 10\nCW = 1 1 1 1\n"
                                          "TouchdownPoints = 0 -1 1  -1 -1 -1  1 -1 -1\n");
    scratch.Write("b.scn", "BEGIN_SHIPS\nB:Blob\n  STATUS Orbiting Earth\n  RPOS 0 6373010 0\n  RVEL 0 0 0\n"
                           "  VROT 1 0 0\nEND\nEND_SHIPS\n");
    const auto r = RunSim({"run", "b.scn", "--root", root.Path().string(), "--until", "60", "--save", "b2.scn", "--dump",
                           "b.json", "--telemetry", "b.csv"},
                          dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("B (Blob): landed at ")) << r.out;
    ExpectAllFinite(r.out);
    for (const char* file : {"b2.scn", "b.csv"}) ExpectAllFinite(scratch.Read(file));
    ExpectDumpFinite(scratch.Read("b.json"));
}

// A payload line whose numbers no vessel may hold: the carrier holds them to its ranges and says
// so; the released vessel's save reads back, and every output is written.
TEST_F(FiniteRuns, PayloadsBeyondWhatAHostReadsBackAreHeldToIt) {
    struct Case {
        const char* fields;  // x y z mass rotation fuel
        const char* logged;
    };
    scratch.Write("j.txt", "at 1 Talvek key J\n");
    for (const Case& c : {Case{"1e13 0 0 250 0 1", "has the x position 1e+13"},
                          Case{"0 1e308 0 250 0 1", "has the y position 1e+308"},
                          Case{"0 0 5 1e308 0 1", "has the mass 1e+308"}}) {
        SCOPED_TRACE(c.fields);
        scratch.Write("far.scn", Orbit("0.0", std::string("  PAYLOAD Sat1 tlvsat tlvsat ") + c.fields + "\n"));
        const auto r = RunSim({"run", "far.scn", "--script", "j.txt", "--until", "3", "--save", "far2.scn", "--dump",
                               "far.json"},
                              dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.logged));
        EXPECT_THAT(r.err, HasSubstr("released Sat1"));
        ExpectAllFinite(r.out);
        ExpectDumpFinite(scratch.Read("far.json"));
        EXPECT_THAT(scratch.Read("far2.scn"), HasSubstr("\nSat1:tlvsat\n"));
        const auto again = RunSim({"run", "far2.scn", "--frames", "1"}, dir);
        EXPECT_EQ(again.status, 0) << "the save reads back: " << again.err;
    }
}

// A mesh of 120 KB whose twenty thousand triangles each cover a quarter of every view: drawing
// it took minutes. It is refused before anything is drawn, with what it would cost.
TEST_F(FiniteRuns, APictureThatWouldTakeTooLongIsRefusedBeforeItIsDrawn) {
    talvek_test::TempRoot root;
    std::string mesh = "MSHX1\nGROUPS 1\nGEOM 3 20000\n-5 -5 -5\n5 -5 5\n0 5 0\n";
    for (int i = 0; i < 20000; ++i) mesh += "0 1 2\n";
    root.Write("Meshes/stacked.msh", mesh);
    root.Write("Config/Vessels/Stacked.cfg", "ClassName = Stacked\nMeshName = stacked\nSize = 10\nMass = 100\n");
    scratch.Write("m.scn", "BEGIN_SHIPS\nA:Stacked\n  STATUS Orbiting Earth\n  RPOS 7000000 0 0\nEND\nEND_SHIPS\n");
    const auto r = RunSim({"render", "m.scn", "--root", root.Path().string(), "--vessel", "A", "--out", "m.png"}, dir);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("--vessel: A at 0.00 s: drawing its 20000 triangles would fill "));
    EXPECT_THAT(r.err, HasSubstr("give a smaller --size"));
    EXPECT_FALSE(fs::exists(dir / "m.png"));
}
