// Whole flights through talvek-sim: keys, separation, configuration steps, payload release, the
// automatic descent and the orbit-to-touchdown demo.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "regex_matchers.h"
#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;
using testing::HasSubstr;

namespace {

class Flight : public testing::Test {
protected:
    void Write(const std::string& name, const std::string& text) const { scratch.Write(name, text); }
    std::string Read(const std::string& name) const { return scratch.Read(name); }
    talvek_test::ProcessResult Run(const std::vector<std::string>& args) const {
        auto r = talvek_test::RunSim(args, dir);
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    }
    Json Vessel(const std::string& dumpFile, const std::string& name) const {
        const Json dump = Json::parse(Read(dumpFile));
        for (const auto& v : dump["vessels"])
            if (v["name"] == name) return v;
        return Json();
    }

    talvek_test::ScratchDir scratch{"talvek-flight"};
    const fs::path& dir = scratch.Path();
};

// A vessel's saved value of a key, from a scenario text.
std::string SavedValue(const std::string& scenario, const std::string& vessel, const std::string& key) {
    const size_t block = scenario.find("\n" + vessel + ":");
    if (block == std::string::npos) return "";
    const size_t at = scenario.find("\n  " + key + " ", block);
    if (at == std::string::npos || at > scenario.find("\nEND\n", block)) return "";
    const size_t start = at + 4 + key.size();
    return scenario.substr(start, scenario.find('\n', start) - start);
}

// A vector of the dump in the frame of a vessel of the dump (orientation angles, position).
std::array<double, 3> InFrame(const Json& of, const Json& global) {
    const double a = of["orientation"][0], b = of["orientation"][1], g = of["orientation"][2];
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b), cg = std::cos(g), sg = std::sin(g);
    // R = Rx(a) Ry(b) Rz(g); local = R^T global.
    const double R[3][3] = {{cb * cg, cb * sg, -sb},
                            {sa * sb * cg - ca * sg, sa * sb * sg + ca * cg, sa * cb},
                            {ca * sb * cg + sa * sg, ca * sb * sg - sa * cg, ca * cb}};
    std::array<double, 3> out{};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) out[c] += R[r][c] * global[r].get<double>();
    return out;
}

Json Minus(const Json& a, const Json& b) {
    return Json::array({a[0].get<double>() - b[0].get<double>(), a[1].get<double>() - b[1].get<double>(),
                        a[2].get<double>() - b[2].get<double>()});
}

constexpr const char* ORBIT = "Talvek-orbit.scn";

}  // namespace

TEST_F(Flight, KMovesThePanelsToOneAndBack) {
    Write("k.txt",
          "at 0 Talvek key K\nat 5 Talvek save half.scn\nat 11 Talvek save out.scn\n"
          "at 12 Talvek key K\nat 17 Talvek save back.scn\nat 23 Talvek save in.scn\n");
    Run({"run", ORBIT, "--script", "k.txt", "--until", "24"});
    EXPECT_NEAR(std::stod(SavedValue(Read("half.scn"), "Talvek", "PANELS")), 0.5, 0.002) << "0.1 per second";
    EXPECT_EQ(SavedValue(Read("out.scn"), "Talvek", "PANELS"), "1.0") << "exactly 1";
    EXPECT_NEAR(std::stod(SavedValue(Read("back.scn"), "Talvek", "PANELS")), 0.5, 0.002);
    EXPECT_EQ(SavedValue(Read("in.scn"), "Talvek", "PANELS"), "0.0");
}

TEST_F(Flight, ControlJSeparatesTheModulesAndTheDescentModuleFollows) {
    Write("j.txt", "at 1 Talvek key Ctrl+J\n");
    Run({"run", ORBIT, "--script", "j.txt", "--frames", "61", "--dump", "a.json"});
    const Json t = Vessel("a.json", "Talvek");
    const Json orbital = Vessel("a.json", "TalvekOrbitMod");
    const Json service = Vessel("a.json", "TalvekServiceMod");
    ASSERT_FALSE(orbital.is_null());
    ASSERT_FALSE(service.is_null());
    EXPECT_EQ(orbital["class"], "tlvorbit");
    EXPECT_EQ(service["class"], "tlvservice");
    EXPECT_EQ(t["size"], 15.0) << "the full stack stays for two steps";
    // One frame after the separation the modules have moved 0.5/60 m along the stack's axis.
    const auto o = InFrame(t, Minus(orbital["position"], t["position"]));
    const auto s = InFrame(t, Minus(service["position"], t["position"]));
    EXPECT_NEAR(o[0], 0.45, 1e-3);
    EXPECT_NEAR(o[1], 0.6, 1e-3);
    EXPECT_NEAR(o[2], 2.75 + 0.5 / 60, 1e-3);
    EXPECT_NEAR(s[1], 0.2, 1e-3);
    EXPECT_NEAR(s[2], -2.2 - 0.5 / 60, 1e-3);
    const auto dv = InFrame(t, Minus(orbital["velocity"], t["velocity"]));
    EXPECT_NEAR(dv[2], 0.5, 1e-3);
    EXPECT_NEAR(InFrame(t, Minus(service["velocity"], t["velocity"]))[2], -0.5, 1e-3);

    Run({"run", ORBIT, "--script", "j.txt", "--frames", "63", "--dump", "b.json", "--save", "b.scn"});
    const Json later = Vessel("b.json", "Talvek");
    EXPECT_EQ(later["size"], 5.0);
    EXPECT_EQ(later["meshes"][0]["file"], "talvek-descent");
    EXPECT_EQ(SavedValue(Read("b.scn"), "Talvek", "CONFIGURATION"), "1");
}

TEST_F(Flight, EachFurtherControlJStepsOneConfiguration) {
    Write("j.txt", "at 1 Talvek key Ctrl+J\nat 3 Talvek key Ctrl+J\nat 5 Talvek key Ctrl+J\nat 7 Talvek key Ctrl+J\n"
                   "at 9 Talvek key Ctrl+J\n");
    const auto r = Run({"run", ORBIT, "--script", "j.txt", "--until", "10", "--events", "--save", "s.scn"});
    std::vector<std::string> rebuilt;
    std::istringstream in(r.out);
    for (std::string l; std::getline(in, l);)
        if (l.find("Talvek rebuilt") != std::string::npos) rebuilt.push_back(l.substr(l.find("rebuilt")));
    EXPECT_THAT(rebuilt, testing::ElementsAre("rebuilt size 15 meshes talvek", "rebuilt size 5 meshes talvek-descent",
                                              "rebuilt size 80 meshes talvek-descent,tlvdrogue",
                                              "rebuilt size 80 meshes tlvchute,talvek-descent",
                                              "rebuilt size 5 meshes talvek-descent"));
    EXPECT_THAT(r.out, HasSubstr("9.00 Talvek key Ctrl+J -> 1")) << "used in the landing configuration";
    EXPECT_EQ(SavedValue(Read("s.scn"), "Talvek", "CONFIGURATION"), "4");
    EXPECT_THAT(Read("s.scn"), testing::Not(HasSubstr("TalvekChute"))) << "the key releases no parachute";
}

TEST_F(Flight, JReleasesThePayloadWithItsVelocityRotationAndFuel) {
    Write("p.scn", "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
                   "  PRPLEVEL 0:1 1:1\n  CONFIGURATION 0\n  PAYLOAD Sat1 tlvsat tlvsat 0 1.5 3 200 90 0.5\nEND\nEND_SHIPS\n");
    Write("j.txt", "at 1 Talvek key J\n");
    Run({"run", "p.scn", "--script", "j.txt", "--frames", "61", "--dump", "a.json", "--save", "a.scn"});
    const Json t = Vessel("a.json", "Talvek");
    const Json sat = Vessel("a.json", "Sat1");
    ASSERT_FALSE(sat.is_null());
    EXPECT_EQ(sat["class"], "tlvsat");
    const auto rel = InFrame(t, Minus(sat["velocity"], t["velocity"]));
    EXPECT_NEAR(rel[1], 2.0, 1e-3) << "2 m/s outward from the z axis: up";
    const auto pos = InFrame(t, Minus(sat["position"], t["position"]));
    EXPECT_NEAR(pos[1], 1.5 + 2.0 / 60, 0.01);
    EXPECT_NEAR(pos[2], 3.0, 0.01);
    EXPECT_NEAR(sat["propellant"][0]["mass"].get<double>(), 25.0, 1e-6) << "half of 50 kg";
    EXPECT_NEAR(sat["orientation"][0].get<double>(), -3.14159265358979 / 2, 1e-6) << "turned 90 degrees about x";
    Run({"run", "p.scn", "--script", "j.txt", "--frames", "64", "--dump", "b.json"});
    EXPECT_EQ(Vessel("b.json", "Talvek")["emptyMass"], 6320.0) << "the rebuild drops the payload's mass";
    EXPECT_EQ(Vessel("b.json", "Talvek")["meshes"].size(), 1u);
}

TEST_F(Flight, ReleasedStageArrivesAsACarrierWithTheHandedOverLines) {
    Write("s.scn", "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
                   "  CONFIGURATION 0\n  STAGE Upper tlvsat Talvek 0 0 4 500 0 1\n"
                   "  PAYLOAD Cube tlvsat tlvsat 0.5 0.5 4.5 4 0 1\n  ENDSTAGE\nEND\nEND_SHIPS\n");
    Write("j.txt", "at 1 Talvek key J\n");
    Run({"run", "s.scn", "--script", "j.txt", "--until", "2", "--save", "out.scn"});
    const std::string saved = Read("out.scn");
    const size_t upper = saved.find("\nUpper:Talvek\n");
    ASSERT_NE(upper, std::string::npos) << saved;
    const std::string block = saved.substr(upper, saved.find("\nEND\n", upper) - upper);
    EXPECT_THAT(block, HasSubstr("  PAYLOAD Cube tlvsat tlvsat 0.50 0.50 0.50 4.00 0.00 1.00"));
    const size_t talvek = saved.find("\nTalvek:Talvek\n");
    EXPECT_EQ(saved.substr(talvek, saved.find("\nEND\n", talvek) - talvek).find("PAYLOAD"), std::string::npos)
        << "the carrier no longer holds them";
}

TEST_F(Flight, DescentPassesItsThresholdsAndCapsTheTimeAcceleration) {
    Write("d.txt", "below 11000 Talvek timeacc 100\n");
    const auto r = Run({"run", "Talvek-descent.scn", "--script", "d.txt", "--events", "--telemetry", "t.csv",
                        "--save", "end.scn"});
    // The first sample of each configuration, as the host sees it.
    std::vector<std::pair<std::string, double>> firsts;
    std::istringstream csv(Read("t.csv"));
    std::string line, last;
    std::getline(csv, line);
    while (std::getline(csv, line)) {
        std::vector<std::string> f;
        std::stringstream ls(line);
        for (std::string c; std::getline(ls, c, ',');) f.push_back(c);
        if (f[1] != "Talvek") continue;
        const std::string configuration = f[7] + " " + f[8];
        if (configuration != last) firsts.emplace_back(configuration, std::stod(f[2]));
        last = configuration;
    }
    ASSERT_GE(firsts.size(), 4u);
    EXPECT_EQ(firsts[0].first, "5 talvek-descent") << "the saved configuration from the load on";
    EXPECT_EQ(firsts[1].first, "80 talvek-descent");
    EXPECT_LT(firsts[1].second, 12000);
    EXPECT_GT(firsts[1].second, 11900);
    EXPECT_EQ(firsts[2].first, "80 tlvchute");
    EXPECT_LT(firsts[2].second, 2000);
    EXPECT_GT(firsts[2].second, 1900);
    EXPECT_EQ(firsts[3].first, "5 talvek-descent");
    EXPECT_LT(firsts[3].second, 2);
    EXPECT_THAT(r.out, talvek_test::ContainsRegex("Talvek timeacc 100 \\(script\\)\n[0-9.]+ Talvek timeacc 10 \\(module\\)\n"))
        << "pulled back at once under the drogue";
    EXPECT_THAT(r.out, HasSubstr("TalvekChute created tlvchute"));
    EXPECT_THAT(r.out, HasSubstr("TalvekChute deleted"));
    EXPECT_THAT(r.out, talvek_test::ContainsRegex("Talvek landed"));
    const std::string saved = Read("end.scn");
    EXPECT_EQ(SavedValue(saved, "Talvek", "STATUS"), "Landed Earth");
    EXPECT_EQ(SavedValue(saved, "Talvek", "CONFIGURATION"), "4");
    EXPECT_EQ(saved.find("TalvekChute"), std::string::npos);
}

TEST_F(Flight, OrbitToTouchdownDemoEndsLandedAndRepeatsExactly) {
    const fs::path root = talvek_test::BuildRoot();
    const std::string script = (root / "Scenarios" / "Talvek-deorbit.txt").string();
    const auto r = Run({"run", "Talvek-deorbit.scn", "--script", script, "--events", "--save", "end.scn", "--dump",
                        "end.json"});
    const std::string saved = Read("end.scn");
    EXPECT_EQ(SavedValue(saved, "Talvek", "STATUS"), "Landed Earth");
    EXPECT_EQ(SavedValue(saved, "Talvek", "CONFIGURATION"), "4");
    for (const char* v : {"\nTalvekOrbitMod:tlvorbit\n", "\nTalvekServiceMod:tlvservice\n", "\nSat1:tlvsat\n"})
        EXPECT_THAT(saved, HasSubstr(v));
    EXPECT_EQ(saved.find("TalvekChute"), std::string::npos);
    EXPECT_THAT(r.out, talvek_test::ContainsRegex("Talvek touchdown -[0-9]+\\.[0-9][0-9] m/s"));
    const std::string first = saved + Read("end.json");
    Run({"run", "Talvek-deorbit.scn", "--script", script, "--save", "end.scn", "--dump", "end.json"});
    EXPECT_EQ(Read("end.scn") + Read("end.json"), first) << "a scripted flight repeats to the byte";
}

TEST_F(Flight, TheTimelineTellsTheFlightInTheModulesOwnWords) {
    const fs::path root = talvek_test::BuildRoot();
    const std::string script = (root / "Scenarios" / "Talvek-deorbit.txt").string();
    const auto r = Run({"run", "Talvek-deorbit.scn", "--script", script, "--events"});
    std::vector<std::string> said;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find(" Talvek log ");
        if (at != std::string::npos) said.push_back(line.substr(at + 12));
    }
    EXPECT_THAT(said, testing::ElementsAre("solar arrays deploying", "released Sat1 (tlvsat, 250 kg)",
                                           "modules separated: descent module alone (configuration 1)",
                                           "drogue parachute deployed (configuration 2)",
                                           "main parachute deployed (configuration 3)",
                                           "time acceleration capped at x1 for the landing",
                                           testing::StartsWith("landing burn started "),
                                           "on the ground: main parachute released (configuration 4)"));
    EXPECT_THAT(r.err, HasSubstr("talvek-sim: log: Talvek: drogue parachute deployed")) << "the host's log as well";
    // A key comes before what it caused; the script's own actions are listed.
    EXPECT_THAT(r.out, HasSubstr("14.00 Talvek key J -> 1\n14.00 Sat1 created tlvsat\n14.00 Talvek log released Sat1"));
    EXPECT_THAT(r.out, HasSubstr("20.00 Talvek script navmode retrograde\n"));
    EXPECT_THAT(r.out, talvek_test::ContainsRegex("\n[0-9.]+ Talvek script thrust main 1\n"));
    // The run ends with where each vessel is and how its flight went.
    EXPECT_THAT(r.out, talvek_test::ContainsRegex("\n  Talvek \\(Talvek\\): landed at [0-9.]+ [EW], [0-9.]+ [NS]; "
                                              "1 touchdown -[0-9]\\.[0-9][0-9] m/s; peak load [0-9.]+ g; "
                                              "propellant used [0-9.]+ kg \\(by tank [0-9., ]+\\); "
                                              "time in configuration 0: 330.00 s, 1: [0-9.]+ s, 2: [0-9.]+ s, "
                                              "3: [0-9.]+ s, 4: [0-9.]+ s\n"));
    EXPECT_THAT(r.out, HasSubstr("\n  Sat1 (tlvsat): in orbit, apoapsis 4"));
    // The configurations' times cover the flight; the stack's tank gave what the descent burned less.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex(" ([0-9.]+) s simulated")));
    const double simulated = std::stod(m[1]);
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("time in configuration ([^\n]*)")));
    double covered = 0;
    const std::string times = m[1];
    const std::regex each(": ([0-9.]+) s");
    for (std::sregex_iterator it(times.begin(), times.end(), each), end; it != end; ++it)
        covered += std::stod((*it)[1]);
    EXPECT_NEAR(covered, simulated, 0.03);
}

TEST_F(Flight, AStageLeftOpenIsLoggedAtLoad) {
    const char* head = "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n"
                       "  CONFIGURATION 0\n  STAGE S1 tlvstage tlvstage 0 0 7 800 0 0\n  PAYLOAD A tlvsat tlvsat 1 0 8 150 0 1\n";
    Write("open.scn", std::string(head) + "  PAYLOAD B tlvsat tlvsat 0 1.6 3 150 0 1\nEND\nEND_SHIPS\n");
    Write("closed.scn", std::string(head) + "  ENDSTAGE\n  PAYLOAD B tlvsat tlvsat 0 1.6 3 150 0 1\nEND\nEND_SHIPS\n");
    // Said when the load ends: the host places it at the block's last line.
    const std::string said = "open.scn:9: Talvek: stage S1 has no ENDSTAGE: every payload line after it is inside it";
    EXPECT_THAT(Run({"run", "open.scn", "--frames", "1"}).err, HasSubstr(said));
    EXPECT_THAT(Run({"run", "closed.scn", "--frames", "1"}).err, testing::Not(HasSubstr("ENDSTAGE")));
}

TEST_F(Flight, StrictStopsOnALineTheModuleCouldNotReadAndTheLogIsWritten) {
    const std::string head = "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n"
                             "  RVEL 0 0 7672.593\n  CONFIGURATION 0\n";
    const std::pair<const char*, const char*> cases[] = {
        {"  PAYLOAD Sat1 tlvsat tlvsat 0 1.6 3 3x50 0 1\n", "has the mass '3x50', read as 3"},
        {"  STAGE S1 tlvstage tlvstage 0 0 7 800 0 0\n", "stage S1 has no ENDSTAGE"},
        {"  PAYLOAD Sat1 tlvsat tlvsat 0 nan 3 200 0 1\n", "a number in it is not finite"},
        {"  PAYLOD Sat1 tlvsat tlvsat 0 1.6 3 200 0 1\n", "'PAYLOD' is not a key; did you mean PAYLOAD?"},
        {"  payload Sat1 tlvsat tlvsat 0 1.6 3 200 0 1\n", "(keys are written in capitals); did you mean PAYLOAD?"},
        {"  ENDSTAG\n", "'ENDSTAG' is not a key; did you mean ENDSTAGE?"},
        {"  CONFIGURATON 1\n", "'CONFIGURATON' is not a key; did you mean CONFIGURATION?"},
    };
    for (const auto& [line, said] : cases) {
        SCOPED_TRACE(line);
        Write("bad.scn", head + line + "END\nEND_SHIPS\n");
        const auto lenient = Run({"run", "bad.scn", "--frames", "2", "--log", "l.txt"});
        EXPECT_THAT(Read("l.txt"), HasSubstr(std::string(said)));
        EXPECT_THAT(Read("l.txt"), testing::StartsWith("0.00 Talvek "));
        // The host places the line where the module was reading: the seventh line of the file.
        EXPECT_THAT(lenient.err, HasSubstr("bad.scn:7: Talvek: "));
        const auto strict = talvek_test::RunSim({"run", "bad.scn", "--frames", "2", "--strict"}, dir);
        EXPECT_EQ(strict.status, 2);
        EXPECT_THAT(strict.err, HasSubstr("--strict: a module could not read these lines whole"));
        EXPECT_THAT(strict.err, HasSubstr(said));
    }
    // The stage module reads its lines through the same carrier.
    Write("stage.scn", "BEGIN_SHIPS\nCarrier1:tlvstage\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n"
                       "  RVEL 0 0 7672.593\n  PAYLOD BoxA tlvsat tlvsat 0 0 2 100 0 1\nEND\nEND_SHIPS\n");
    const auto stage = talvek_test::RunSim({"run", "stage.scn", "--frames", "2", "--strict"}, dir);
    EXPECT_EQ(stage.status, 2);
    EXPECT_THAT(stage.err, HasSubstr("stage.scn:6: Carrier1: scenario line ignored, 'PAYLOD' is not a key"));
    Write("good.scn", head + "  PAYLOAD Sat1 tlvsat tlvsat 0 1.6 3 200 0 1\nEND\nEND_SHIPS\n");
    EXPECT_EQ(talvek_test::RunSim({"run", "good.scn", "--frames", "2", "--strict"}, dir).status, 0);
}

TEST_F(Flight, ARefusedSpawnIsLogged) {
    // The class of the parachute is gone: the release is refused and says so.
    talvek_test::TempRoot bare;
    std::filesystem::remove(bare.Path() / "Config" / "Vessels" / "tlvchute.cfg");
    const std::string descent = (talvek_test::BuildRoot() / "Scenarios" / "Talvek-descent.scn").string();
    const auto r = Run({"run", descent, "--root", bare.Path().string(), "--events", "--until", "400"});
    EXPECT_THAT(r.out, HasSubstr("Talvek log the host refused to create TalvekChute of class tlvchute"));
}

TEST_F(Flight, AClassFileMistakeFoundMidFlightStillLeavesTheOutputs) {
    // The parachute's class is read only when the canopy is released, 349 s into the descent.
    talvek_test::TempRoot broken;
    const fs::path chute = broken.Path() / "Config" / "Vessels" / "tlvchute.cfg";
    std::string cfg = talvek_test::ReadFile(chute);
    const size_t mass = cfg.find("Mass = ");
    ASSERT_NE(mass, std::string::npos);
    cfg.replace(mass, cfg.find('\n', mass) - mass, "Mass = 6O");
    fs::remove(chute);
    std::ofstream(chute) << cfg;
    const std::string descent = (talvek_test::BuildRoot() / "Scenarios" / "Talvek-descent.scn").string();
    const auto r = talvek_test::RunSim({"run", descent, "--root", broken.Path().string(), "--events", "--save",
                                        "s.scn", "--telemetry", "t.csv"},
                                       dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("warning: " + chute.string() + ":6: 'mass' expects one number"))
        << "said before the first frame, for a class the scenario does not name";
    EXPECT_THAT(r.err, HasSubstr("tlvchute.cfg:"));
    EXPECT_THAT(r.err, talvek_test::ContainsRegex("the run stopped at 3[0-9][0-9]\\.[0-9][0-9] s; the outputs asked for hold"));
    EXPECT_THAT(r.out, HasSubstr("Talvek touchdown")) << "the timeline up to the failure";
    EXPECT_THAT(Read("s.scn"), HasSubstr("CONFIGURATION")) << "a save of where the flight stood";
    EXPECT_GT(Read("t.csv").size(), 1000u);
}

TEST_F(Flight, AttitudePropellantSurvivesASaveAfterSeparation) {
    Write("j.txt", "at 1 Talvek key Ctrl+J\n");
    Run({"run", ORBIT, "--script", "j.txt", "--until", "2", "--save", "sep.scn", "--dump", "a.json"});
    const Json before = Vessel("a.json", "Talvek");
    ASSERT_EQ(before["propellant"].size(), 1u);
    EXPECT_EQ(before["propellant"][0]["mass"], 40.0);
    Run({"run", "sep.scn", "--frames", "3", "--dump", "b.json"});
    const Json after = Vessel("b.json", "Talvek");
    ASSERT_EQ(after["propellant"].size(), 1u);
    // The host saves a tank's level with six decimals: 40 of 60 kg comes back to within 3e-5 kg.
    EXPECT_NEAR(after["propellant"][0]["mass"].get<double>(), 40.0, 60 * 5e-7) << "the saved level reaches the same tank";
}

namespace {
struct Spawned {
    const char* name;
    const char* className;
    double restingAltitude;  // [m] of its centre of mass over the ground, on its touchdown points
};
struct GroundSpawn {
    const char* key;
    std::vector<Spawned> vessels;
};
void PrintTo(const GroundSpawn& c, std::ostream* os) { *os << c.key; }
class SpawnedOnTheGround : public Flight, public testing::WithParamInterface<GroundSpawn> {};
}  // namespace

// Vessels that a landed Talvek creates stand landed where it stands, with its heading, on their
// own touchdown points: nothing falls, touches down or moves off by the offsets and speeds that
// the Talvek gives them in flight.
TEST_P(SpawnedOnTheGround, StandLandedWhereTheTalvekStands) {
    Write("g.scn", "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Landed Earth\n  POS 10 45\n  HEADING 30\n  ALT 2\n"
                   "  CONFIGURATION 0\n  PAYLOAD Sat1 tlvsat tlvsat 0 3 0 200 0 1\nEND\nEND_SHIPS\n");
    Write("j.txt", std::string("at 1 Talvek key ") + GetParam().key + "\n");
    const auto r = Run({"run", "g.scn", "--script", "j.txt", "--until", "5", "--events", "--save", "end.scn",
                        "--dump", "d.json"});
    const std::string saved = Read("end.scn");
    if (std::string(GetParam().key) == "J") {
        EXPECT_EQ(SavedValue(saved, "Talvek", "POS"), "10.0000000 45.0000000") << "the release does not move it";
    }
    for (const Spawned& s : GetParam().vessels) {
        SCOPED_TRACE(s.name);
        EXPECT_THAT(r.out, HasSubstr(std::string(s.name) + " created " + s.className));
        EXPECT_THAT(r.out, testing::Not(talvek_test::ContainsRegex(std::string(s.name) + " (touchdown|landed)")));
        EXPECT_EQ(SavedValue(saved, s.name, "STATUS"), "Landed Earth");
        EXPECT_EQ(SavedValue(saved, s.name, "POS"), "10.0000000 45.0000000");
        EXPECT_EQ(SavedValue(saved, s.name, "HEADING"), "30.00");
        const Json v = Vessel("d.json", s.name);
        EXPECT_EQ(v["status"], "landed");
        EXPECT_NEAR(v["altitude"].get<double>(), s.restingAltitude, 1e-6) << "resting on its touchdown points";
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, SpawnedOnTheGround,
                         testing::Values(GroundSpawn{"J", {{"Sat1", "tlvsat", 0.5}}},
                                         GroundSpawn{"Ctrl+J",
                                                     {{"TalvekOrbitMod", "tlvorbit", 1.62},
                                                      {"TalvekServiceMod", "tlvservice", 1.6}}}),
                         [](const testing::TestParamInfo<GroundSpawn>& info) {
                             return std::string(info.param.key) == "J" ? "PayloadRelease" : "ModuleSeparation";
                         });

TEST_F(Flight, BrokenClassFileMetDuringTheFlightStopsTheRun) {
    const fs::path root = dir / "root";
    fs::create_directories(root);
    for (const char* sub : {"Config", "Meshes", "Scenarios"})
        fs::copy(talvek_test::BuildRoot() / sub, root / sub, fs::copy_options::recursive);
    talvek_test::LinkOrCopy(talvek_test::BuildRoot() / "Modules", root / "Modules");
    std::ofstream(root / "Config" / "Vessels" / "tlvorbit.cfg", std::ios::app) << "Size = abc\n";
    Write("j.txt", "at 1 Talvek key Ctrl+J\n");
    const auto r = talvek_test::RunSim({"run", ORBIT, "--root", root.string(), "--script", "j.txt", "--until", "2"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, talvek_test::ContainsRegex("tlvorbit.cfg:[0-9]+: 'size' expects one number"));
}
