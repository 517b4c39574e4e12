// The whole demo flight saved at sixty moments, in every configuration: each save reads back to the
// same file, loads every vessel with the definition it had in the uninterrupted flight at that
// moment, and a flight continued from it ends as the uninterrupted one (same configuration and
// vessels, touchdown within 0.1 m/s, landing place within 1 m).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// Moments [s] of the demo flight: configuration 0 until 330.33 s (separation at 330), 1 until
// 2503.67 s, the drogue until 2648.33 s, the main parachute until 2849 s, then the landing. Each is
// clear of the moments at which a script action falls due, so the save and the action never share
// a frame; 330.1 and 2503.5 fall inside a pending rebuild.
constexpr double SAVE_TIMES[] = {
    5,      10,     14.5,   17,     25,     60,     100,    121,    150,    200,    250,    300,
    326,    328,    330.1,  331,    335,    345,    500,    1000,   1500,   1960,   1990,   2100,
    2300,   2450,   2495,   2503.5, 2504,   2510,   2530,   2560,   2590,   2610,   2630,   2645,
    2648.2, 2649,   2660,   2700,   2750,   2800,   2830,   2845,   2848,   2848.5, 2848.65, 2849.1,
    2849.5, 2849.9, 2850.2, 2850.5, 2850.8, 2851,   2851.5, 2852,   2852.5, 2853,   2853.5, 2854,
};
constexpr size_t SAVE_COUNT = sizeof SAVE_TIMES / sizeof SAVE_TIMES[0];
constexpr size_t CHUNK = 10;  // saves per test, so that the suite runs in parallel
constexpr double EARTH_RADIUS = 6371010;  // [m]
constexpr double START_MJD = 61000.5;      // the demo scenario's date
constexpr double RESTING_CONTACT = 0.5;    // [m/s] a touchdown slower than this is a vessel at rest
constexpr double ATMOSPHERE_TOP = 120000;  // [m]
constexpr double ORBIT_SAVE_PLACE = 10;    // [m] landing place from a save in orbit

std::string Exact(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

struct Action {
    bool at;           // else "below"
    double threshold;  // [s] or [m]
    std::string rest;  // "<vessel> <action ...>"
};

std::vector<Action> ReadScript(const fs::path& file) {
    std::vector<Action> actions;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string trigger;
        double threshold;
        if (!(words >> trigger >> threshold)) continue;
        std::string rest;
        std::getline(words, rest);
        actions.push_back(Action{trigger == "at", threshold, rest});
    }
    return actions;
}

std::string ReadText(const fs::path& file) { return talvek_test::ReadFile(file); }

// The value of a key in a vessel's block of a scenario text.
std::string Value(const std::string& scenario, const std::string& vessel, const std::string& key) {
    const size_t block = scenario.find("\n" + vessel + ":");
    if (block == std::string::npos) return "";
    const size_t end = scenario.find("\nEND\n", block);
    const size_t at = scenario.find("\n  " + key + " ", block);
    if (at == std::string::npos || at > end) return "";
    const size_t start = at + 4 + key.size();
    return scenario.substr(start, scenario.find('\n', start) - start);
}

std::set<std::string> VesselNames(const std::string& scenario) {
    std::set<std::string> names;
    const size_t ships = scenario.find("BEGIN_SHIPS\n");
    std::istringstream in(scenario.substr(ships + 12));
    bool header = true;
    for (std::string line; std::getline(in, line) && line != "END_SHIPS";) {
        if (header) names.insert(line.substr(0, line.find(':')));
        header = line == "END";
    }
    return names;
}

using Json = nlohmann::json;

// The host saves tank and thruster levels and the arrays' state with six decimals.
constexpr double SAVED_LEVEL = 1e-6;

// Fields of the host's record that are the vessel's motion, which the save keeps to the host's
// own precision and the continued flight checks by where it ends. Ground contact follows from the
// position: a capsule resting on its touchdown points is saved up to half a millimetre off the ground.
constexpr const char* MOTION_FIELDS[] = {"position", "velocity", "orientation",  "angularVelocity",
                                         "altitude", "airspeed", "groundContact"};

// The index in list of the entry whose "id" is id; null for null (no tank) or an unknown id.
Json IndexOfId(const Json& list, const Json& id) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i]["id"] == id) return i;
    return id.is_null() ? Json(nullptr) : Json("unknown id " + id.dump());
}

// A vessel's record without its motion and with every handle id (which only tells which vessel
// or flight made a tank or thruster first) replaced by the index of what it names.
Json Definition(const Json& vessel) {
    Json d = vessel;
    for (const char* field : MOTION_FIELDS) d.erase(field);
    const Json& tanks = vessel["propellant"];
    const Json& thrusters = vessel["thrusters"];
    for (Json& tank : d["propellant"]) tank.erase("id");
    d["defaultPropellant"] = IndexOfId(tanks, vessel["defaultPropellant"]);
    for (Json& th : d["thrusters"]) {
        th.erase("id");
        th["tank"] = IndexOfId(tanks, th["tank"]);
    }
    for (Json& group : d["thrusterGroups"])
        for (Json& member : group["thrusters"]) member = IndexOfId(thrusters, member);
    for (Json& stream : d["exhaust"]) {
        stream["thruster"] = IndexOfId(thrusters, stream["thruster"]);
        stream["spec"]["tex"] = !stream["spec"]["tex"].is_null();
    }
    for (size_t i = 0; i < d["animations"].size(); ++i) d["animations"][i]["id"] = i;
    return d;
}

// Moves a number that drifts with the flight out of both records: checked within a tolerance here,
// it leaves the rest to compare exactly.
void CompareDrifting(Json& uninterrupted, Json& reloaded, double tolerance, const std::string& what) {
    if (!uninterrupted.is_number() || !reloaded.is_number()) return;  // the exact comparison reports it
    EXPECT_NEAR(reloaded.get<double>(), uninterrupted.get<double>(), tolerance) << what;
    uninterrupted = reloaded = nullptr;
}

// Every vessel's whole record after a reload against the uninterrupted flight's at the same
// moment: everything but the motion and handle ids is the same; propellant, thruster levels and the
// animation state (which the host's lines keep to six decimals) within what those decimals hold.
void ExpectSameDefinitions(const Json& uninterrupted, const Json& reloaded) {
    const Json& a = uninterrupted["vessels"];
    const Json& b = reloaded["vessels"];
    ASSERT_EQ(b.size(), a.size()) << "vessels after the reload";
    for (size_t v = 0; v < a.size(); ++v) {
        Json before = Definition(a[v]), after = Definition(b[v]);
        const std::string name = a[v]["name"].get<std::string>();
        double massTolerance = 0;
        for (size_t k = 0; k < before["propellant"].size() && k < after["propellant"].size(); ++k) {
            const double capacity = before["propellant"][k]["maxMass"].get<double>();
            massTolerance += SAVED_LEVEL * capacity;
            CompareDrifting(before["propellant"][k]["mass"], after["propellant"][k]["mass"], SAVED_LEVEL * capacity,
                            name + " tank " + std::to_string(k));
        }
        CompareDrifting(before["mass"], after["mass"], massTolerance, name + " mass");
        for (size_t k = 0; k < before["thrusters"].size() && k < after["thrusters"].size(); ++k)
            CompareDrifting(before["thrusters"][k]["level"], after["thrusters"][k]["level"], SAVED_LEVEL,
                            name + " thruster " + std::to_string(k) + " level");
        for (size_t k = 0; k < before["animations"].size() && k < after["animations"].size(); ++k)
            CompareDrifting(before["animations"][k]["state"], after["animations"][k]["state"], SAVED_LEVEL,
                            name + " animation " + std::to_string(k) + " state");
        EXPECT_TRUE(after == before) << name << ", what the reload changes: " << Json::diff(before, after).dump();
    }
}

// The Talvek's touchdowns after a moment, as the events print them: "<t> Talvek touchdown <v> m/s".
std::vector<double> Touchdowns(const std::string& events, double after) {
    std::vector<double> speeds;
    std::istringstream in(events);
    for (std::string line; std::getline(in, line);) {
        std::istringstream w(line);
        double t;
        std::string vessel, what;
        double v;
        // A vessel saved while resting on its touchdown points touches again at once, at rest.
        if (w >> t >> vessel >> what >> v && vessel == "Talvek" && what == "touchdown" && t > after &&
            std::fabs(v) >= RESTING_CONTACT)
            speeds.push_back(v);
    }
    return speeds;
}

// The distance [m] between two landed places "lon lat" (degrees).
double Distance(const std::string& a, const std::string& b) {
    double lonA, latA, lonB, latB;
    std::istringstream(a) >> lonA >> latA;
    std::istringstream(b) >> lonB >> latB;
    const double rad = 3.14159265358979323846 / 180;
    const double dx = (lonA - lonB) * rad * EARTH_RADIUS * std::cos(latA * rad);
    const double dy = (latA - latB) * rad * EARTH_RADIUS;
    return std::hypot(dx, dy);
}

class SaveAndContinue : public testing::TestWithParam<size_t> {
protected:
    void SetUp() override {
        root = talvek_test::BuildRoot();
        script = ReadScript(root / "Scenarios" / "Talvek-deorbit.txt");
        ASSERT_FALSE(script.empty());
    }
    talvek_test::ProcessResult Sim(const std::vector<std::string>& args) const {
        std::vector<std::string> all = args;
        all.insert(all.end(), {"--root", root.string()});
        auto r = talvek_test::RunSim(all, dir);
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    }
    void Write(const std::string& name, const std::string& text) const { scratch.Write(name, text); }

    fs::path root;
    std::vector<Action> script;
    talvek_test::ScratchDir scratch{"talvek-continue"};
    const fs::path& dir = scratch.Path();
};

TEST_P(SaveAndContinue, EachSaveReadsBackAndFliesOnToTheSameEnd) {
    const size_t first = GetParam() * CHUNK;
    const size_t last = std::min(first + CHUNK, SAVE_COUNT);

    // The uninterrupted flight, saving at each moment of this chunk (saves first: at a shared
    // moment the save sees the state before any other action).
    std::string reference;
    for (size_t i = first; i < last; ++i)
        reference += "at " + std::to_string(SAVE_TIMES[i]) + " Talvek save s" + std::to_string(i) + ".scn\n";
    for (const Action& a : script)
        reference += std::string(a.at ? "at " : "below ") + std::to_string(a.threshold) + " " + a.rest + "\n";
    Write("reference.txt", reference);
    const auto whole = Sim({"run", "Talvek-deorbit.scn", "--script", "reference.txt", "--events", "--save", "end.scn"});
    const std::string end = ReadText(dir / "end.scn");

    for (size_t i = first; i < last; ++i) {
        const double t = SAVE_TIMES[i];
        const std::string save = "s" + std::to_string(i) + ".scn";
        SCOPED_TRACE("saved at " + std::to_string(t) + " s, configuration " +
                     Value(ReadText(dir / save), "Talvek", "CONFIGURATION"));

        // Save, load, save: the same file.
        Sim({"run", save, "--frames", "0", "--save", "again.scn", "--dump", "reloaded.json"});
        EXPECT_EQ(ReadText(dir / "again.scn"), ReadText(dir / save));

        // Loaded, every vessel is what it was in the uninterrupted flight at the save: that flight
        // stopped at the end of the frame that reaches the save's time, as the save falls due at the
        // start of the next.
        Sim({"run", "Talvek-deorbit.scn", "--script", (root / "Scenarios" / "Talvek-deorbit.txt").string(), "--until",
             Exact(t), "--dump", "uninterrupted.json"});
        ExpectSameDefinitions(Json::parse(ReadText(dir / "uninterrupted.json")),
                              Json::parse(ReadText(dir / "reloaded.json")));

        // The rest of the script, with the time acceleration and autopilot in force re-issued at the
        // start: the simulator keeps them outside the vessel's lines. The continued flight's clock
        // starts at the frame the save was taken in, which its date gives.
        const std::string saved = ReadText(dir / save);
        const size_t date = saved.find("Date MJD ");
        ASSERT_NE(date, std::string::npos);
        const double savedAt = (std::stod(saved.substr(date + 9)) - START_MJD) * 86400;
        std::istringstream rpos(Value(saved, "Talvek", "RPOS"));
        double x = 0, y = 0, z = 0;
        rpos >> x >> y >> z;
        const double altitude = std::sqrt(x * x + y * y + z * z) - EARTH_RADIUS;
        std::string rest, timeacc, navmode;
        for (const Action& a : script) {
            const bool done = a.at ? a.threshold < t : (!Value(saved, "Talvek", "RPOS").empty() && altitude < a.threshold);
            const bool isTimeacc = a.rest.find(" timeacc ") != std::string::npos;
            const bool isNavmode = a.rest.find(" navmode ") != std::string::npos;
            if (done) {
                if (isTimeacc) timeacc = "at 0" + a.rest + "\n";
                if (isNavmode) navmode = "at 0" + a.rest + "\n";
            } else if (a.at) {
                // The date holds the time to within a microsecond; frames start either on an
                // action's time or a good part of a frame away from it, so 10 us early is exact.
                rest += "at " + Exact(a.threshold - savedAt - 1e-5) + a.rest + "\n";
            } else {
                rest += "below " + std::to_string(a.threshold) + a.rest + "\n";
            }
        }
        Write("continue.txt", timeacc + navmode + rest);
        const auto continued = Sim({"run", save, "--script", "continue.txt", "--events", "--save", "cend.scn"});
        const std::string cend = ReadText(dir / "cend.scn");

        EXPECT_EQ(Value(cend, "Talvek", "CONFIGURATION"), Value(end, "Talvek", "CONFIGURATION"));
        EXPECT_EQ(VesselNames(cend), VesselNames(end));
        const std::vector<double> before = Touchdowns(whole.out, t);
        const std::vector<double> after = Touchdowns(continued.out, 0);
        ASSERT_EQ(after.size(), before.size()) << continued.out;
        for (size_t k = 0; k < after.size(); ++k) EXPECT_NEAR(after[k], before[k], 0.1) << "touchdown " << k;
        // The simulator's own lines keep the state to 1 mm, 0.1 mm/s and 0.001 degree: from a save in
        // orbit that alone moves the landing place by metres after 2 500 s (with more decimals every
        // save lands within 0.1 m). From a save in the atmosphere it lands within 1 m.
        const double off = Distance(Value(cend, "Talvek", "POS"), Value(end, "Talvek", "POS"));
        EXPECT_LT(off, altitude < ATMOSPHERE_TOP ? 1.0 : ORBIT_SAVE_PLACE) << "the Talvek landed there";
        for (const std::string vessel : {"TalvekOrbitMod", "TalvekServiceMod"})
            if (!Value(end, vessel, "POS").empty())
                std::printf("saved at %.2f: %s lands %.1f m off\n", t, vessel.c_str(),
                            Distance(Value(cend, vessel, "POS"), Value(end, vessel, "POS")));
        std::printf("saved at %.2f: Talvek lands %.3f m off, first touchdown %+.3f m/s\n", t, off,
                    after.empty() ? 0.0 : after.front() - before.front());
    }
}

INSTANTIATE_TEST_SUITE_P(Flight, SaveAndContinue, testing::Range<size_t>(0, (SAVE_COUNT + CHUNK - 1) / CHUNK));

}  // namespace

namespace {

class Saved : public testing::Test {
protected:
    talvek_test::ProcessResult Run(const std::vector<std::string>& args) const {
        auto r = talvek_test::RunSim(args, scratch.Path());
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    }
    talvek_test::ScratchDir scratch{"talvek-saved"};
};

// A stored full-stack scenario names the main tank as tank 0.
TEST_F(Saved, FullStackLevelsReachTheMainTankFirst) {
    scratch.Write("s.scn", "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n"
                           "  RVEL 0 0 7672.593\n  PRPLEVEL 0:1.000000\n  CONFIGURATION 0\n  PANELS 0\nEND\nEND_SHIPS\n");
    Run({"run", "s.scn", "--frames", "1", "--dump", "d.json"});
    const auto dump = nlohmann::json::parse(scratch.Read("d.json"));
    const auto& tanks = dump["vessels"][0]["propellant"];
    ASSERT_EQ(tanks.size(), 2u);
    EXPECT_EQ(tanks[0]["maxMass"], 900.0);
    EXPECT_EQ(tanks[0]["mass"], 900.0);
    EXPECT_EQ(tanks[1]["mass"], 0.0) << "the attitude tank, not listed, is empty";
}

// Arrays saved while they move go on moving after the load.
TEST_F(Saved, MovingArraysGoOnAfterALoad) {
    scratch.Write("k.txt", "at 0 Talvek key K\n");
    Run({"run", "Talvek-orbit.scn", "--script", "k.txt", "--until", "2", "--save", "a.scn"});
    const std::string a = scratch.Read("a.scn");
    EXPECT_THAT(a, testing::HasSubstr("  PANEL_MOTION 1\n"));
    Run({"run", "a.scn", "--until", "1", "--save", "b.scn"});
    const std::string b = scratch.Read("b.scn");
    const auto panels = [](const std::string& s) { return std::stod(Value(s, "Talvek", "PANELS")); };
    EXPECT_NEAR(panels(b) - panels(a), 0.1, 0.002) << "a tenth of the travel in one second";
    Run({"run", "b.scn", "--until", "10", "--save", "c.scn"});
    EXPECT_EQ(Value(scratch.Read("c.scn"), "Talvek", "PANELS"), "1.0");
    EXPECT_EQ(Value(scratch.Read("c.scn"), "Talvek", "PANEL_MOTION"), "") << "still once deployed";
}

}  // namespace
