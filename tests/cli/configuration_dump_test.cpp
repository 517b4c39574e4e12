// A Talvek loaded in each of configurations 1 to 4 with one payload, dumped after three frames:
// the definition the configuration's set-up gives, as the host holds it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;
using testing::HasSubstr;

namespace {

Json V(double x, double y, double z) { return Json::array({x, y, z}); }

// Design position minus the shift, computed in doubles, may differ from the decimal in the last bit.
void ExpectNear(const Json& actual, const Json& expected) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i].get<double>(), expected[i].get<double>(), 1e-12) << actual;
}

struct Loaded {
    Json vessel;
    std::string trace;
};

Loaded LoadInConfiguration(int configuration) {
    const fs::path dir = fs::temp_directory_path() / ("talvek-config-" + std::to_string(talvek_test::ProcessId()) + "-" +
                                                      std::to_string(configuration));
    fs::create_directories(dir);
    std::ofstream(dir / "c.scn") << "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n"
                                    "  RVEL 0 0 7672.593\n  PRPLEVEL 0:1 1:1\n  CONFIGURATION "
                                 << configuration
                                 << "\n  PANELS 0\n  PAYLOAD Sat1 tlvdrogue tlvorbit 0 1.5 3 250 0 1\nEND\nEND_SHIPS\n";
    const auto r = talvek_test::RunSim({"run", "c.scn", "--frames", "3", "--dump", "d.json", "--trace", "t.txt"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    Loaded l{Json::parse(talvek_test::ReadFile(dir / "d.json"))["vessels"][0], talvek_test::ReadFile(dir / "t.txt")};
    fs::remove_all(dir);
    return l;
}

// The last "ShiftCentreOfMass" of the trace: the set-up's move onto its centre of mass.
std::string LastShift(const std::string& trace) {
    const size_t at = trace.rfind("ShiftCentreOfMass(");
    return trace.substr(at, trace.find('\n', at) - at);
}

std::vector<std::string> MeshFiles(const Json& v) {
    std::vector<std::string> files;
    for (const auto& m : v["meshes"]) {
        files.push_back(m["file"].get<std::string>());
        EXPECT_EQ(m["visibility"], 3);
    }
    return files;
}

}  // namespace

TEST(ConfigurationDump, DescentModule) {
    const Loaded l = LoadInConfiguration(1);
    const Json& v = l.vessel;
    EXPECT_EQ(LastShift(l.trace), "ShiftCentreOfMass((0, -0.1, -0.5))");
    EXPECT_EQ(v["size"], 5.0);
    EXPECT_EQ(v["emptyMass"], 2950.0 + 250.0);
    ExpectNear(v["cameraOffset"], V(0, -1.55, 0.4));
    EXPECT_EQ(v["touchdownPoints"], Json::array({V(-1, -0.9, -1), V(0, 1.1, -1), V(1, -0.9, -1)}));
    EXPECT_EQ(v["pmi"], V(2, 2, 0.55));
    EXPECT_EQ(v["crossSections"], V(5, 5, 5));
    EXPECT_EQ(v["cw"], Json::array({1.1, 2.2, 2.5, 2.5}));
    EXPECT_EQ(v["rotDrag"], V(0.05, 0.05, 0.05));
    EXPECT_EQ(v["pitchMomentScale"], -1e-6);
    EXPECT_EQ(v["bankMomentScale"], -1e-6);
    ASSERT_EQ(v["propellant"].size(), 1u);
    // The only tank of the descent module is its attitude tank: PRPLEVEL 0 is honoured as saved
    // (1 of 60 kg here; a save written after separation holds the 40 kg the separation kept).
    EXPECT_EQ(v["propellant"][0]["maxMass"], 60.0);
    EXPECT_EQ(v["propellant"][0]["mass"], 60.0);
    EXPECT_THAT(MeshFiles(v), testing::ElementsAre("talvek-descent", "tlvdrogue"));
    EXPECT_EQ(v["meshes"][0]["offset"], V(0, 0.1, 0.5));
    EXPECT_EQ(v["meshes"][1]["offset"], V(0, 1.6, 3.5));
    const Json& th = v["thrusters"];
    ASSERT_EQ(th.size(), 6u);
    const Json dirs = Json::array({V(-1, 0, 0), V(1, 0, 0), V(0, 1, 0), V(0, -1, 0), V(-1, 0, 0), V(1, 0, 0)});
    const int types[] = {5, 6, 3, 4, 7, 8};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(th[i]["pos"], i < 4 ? V(0, 0.1, 1.5) : V(0, 1.1, 1.5)) << i;
        EXPECT_EQ(th[i]["dir"], dirs[i]) << i;
        EXPECT_EQ(th[i]["maxThrust"], 50.0);
        EXPECT_EQ(th[i]["isp"], 2903.0);
        EXPECT_EQ(th[i]["tank"], v["propellant"][0]["id"]);
        EXPECT_EQ(v["thrusterGroups"][i]["type"], types[i]);
        EXPECT_EQ(v["thrusterGroups"][i]["thrusters"], Json::array({th[i]["id"]}));
    }
    EXPECT_TRUE(v["exhaust"].empty());
    EXPECT_TRUE(v["animations"][0]["components"].empty());
}

TEST(ConfigurationDump, LandingBurn) {
    const Loaded l = LoadInConfiguration(4);
    const Json& v = l.vessel;
    EXPECT_EQ(LastShift(l.trace), "ShiftCentreOfMass((0, -0.1, -0.5))");
    EXPECT_EQ(v["size"], 5.0);
    ASSERT_EQ(v["propellant"].size(), 1u) << "the landing tank alone, as after the parachutes";
    EXPECT_EQ(v["propellant"][0]["maxMass"], 70.0);
    const Json& th = v["thrusters"];
    ASSERT_EQ(th.size(), 7u);
    EXPECT_EQ(th[0]["pos"], V(0, 0, -1));
    EXPECT_EQ(th[0]["dir"], V(0, 0, 1));
    EXPECT_EQ(th[0]["maxThrust"], 60000.0);
    EXPECT_EQ(th[0]["isp"], 200.0);
    EXPECT_EQ(th[0]["tank"], v["propellant"][0]["id"]);
    EXPECT_EQ(th[0]["level"], 0.0) << "the file lists no THLEVEL: no burn was on when it was written";
    EXPECT_EQ(v["thrusterGroups"].size(), 6u) << "the landing thruster joins no group";
    const Json& ex = v["exhaust"];
    ASSERT_EQ(ex.size(), 3u);
    EXPECT_EQ(ex[0]["pos"], V(0, 1, -0.7));
    EXPECT_EQ(ex[1]["pos"], V(-0.7, -0.7, -0.7));
    EXPECT_EQ(ex[2]["pos"], V(0.7, -0.7, -0.7));
    for (const auto& e : ex) {
        EXPECT_EQ(e["thruster"], th[0]["id"]);
        EXPECT_EQ(e["spec"]["v0"], 150.0);
    }
    EXPECT_THAT(MeshFiles(v), testing::ElementsAre("talvek-descent", "tlvdrogue"));
}

TEST(ConfigurationDump, Drogue) {
    const Loaded l = LoadInConfiguration(2);
    const Json& v = l.vessel;
    EXPECT_EQ(LastShift(l.trace), "ShiftCentreOfMass((0, -0.1, 0))");
    EXPECT_EQ(v["size"], 80.0);
    EXPECT_EQ(v["emptyMass"], 2950.0 + 250.0);
    ExpectNear(v["cameraOffset"], V(0, -1.55, -0.1));
    EXPECT_EQ(v["touchdownPoints"], Json::array({V(-1, -0.9, -1.5), V(0, 1.1, -1.5), V(1, -0.9, -1.5)}));
    EXPECT_EQ(v["pmi"], V(2, 2, 0.55));
    EXPECT_EQ(v["crossSections"], V(5, 5, 40));
    EXPECT_EQ(v["cw"], Json::array({1.1, 2.2, 3.5, 3.5}));
    EXPECT_EQ(v["rotDrag"], V(0.05, 0.05, 0.05));
    EXPECT_EQ(v["pitchMomentScale"], -0.0005);
    EXPECT_EQ(v["bankMomentScale"], -0.0005);
    ASSERT_EQ(v["propellant"].size(), 1u);
    EXPECT_EQ(v["propellant"][0]["maxMass"], 70.0);
    EXPECT_EQ(v["propellant"][0]["mass"], 70.0);
    EXPECT_TRUE(v["thrusters"].empty());
    EXPECT_TRUE(v["thrusterGroups"].empty());
    EXPECT_TRUE(v["exhaust"].empty());
    EXPECT_THAT(MeshFiles(v), testing::ElementsAre("talvek-descent", "tlvdrogue", "tlvdrogue"));
    EXPECT_EQ(v["meshes"][0]["offset"], V(0, 0.1, 0));
    EXPECT_EQ(v["meshes"][1]["offset"], V(0, 0.1, 72));
    EXPECT_EQ(v["meshes"][2]["offset"], V(0, 1.6, 3)) << "the payload";
    EXPECT_TRUE(v["animations"][0]["components"].empty());
}

TEST(ConfigurationDump, MainParachute) {
    const Loaded l = LoadInConfiguration(3);
    const Json& v = l.vessel;
    EXPECT_EQ(LastShift(l.trace), "ShiftCentreOfMass((0, -0.1, 0))");
    EXPECT_EQ(v["size"], 80.0);
    EXPECT_EQ(v["crossSections"], V(5, 5, 1000));
    EXPECT_EQ(v["pitchMomentScale"], -0.00005);
    EXPECT_EQ(v["bankMomentScale"], -0.00005);
    ASSERT_EQ(v["propellant"].size(), 1u);
    const Json& th = v["thrusters"];
    ASSERT_EQ(th.size(), 1u);
    // The landing burn's thruster, on the axis through the centre of mass: it fires under the canopy.
    EXPECT_EQ(th[0]["pos"], V(0, 0, -1.5));
    EXPECT_EQ(th[0]["maxThrust"], 60000.0);
    EXPECT_EQ(th[0]["isp"], 200.0);
    EXPECT_EQ(th[0]["level"], 0.0);
    EXPECT_EQ(th[0]["tank"], v["propellant"][0]["id"]);
    EXPECT_TRUE(v["thrusterGroups"].empty());
    ASSERT_EQ(v["exhaust"].size(), 1u);
    EXPECT_TRUE(v["exhaust"][0]["pos"].is_null());
    EXPECT_THAT(MeshFiles(v), testing::ElementsAre("tlvchute", "talvek-descent", "tlvdrogue"));
    EXPECT_EQ(v["meshes"][0]["offset"], V(0, 0.1, 72));
    EXPECT_EQ(v["meshes"][1]["offset"], V(0, 0.1, 0));
    EXPECT_TRUE(v["animations"][0]["components"].empty());
}

namespace {
class LoadedConfiguration : public testing::TestWithParam<int> {};
}  // namespace

// What the full stack gives the vessel for the whole flight stays through every later configuration,
// so a vessel loaded in one of them has it too: the docking port, the transponder, the surface
// friction; and its fuel, as the host counts it, is the configuration's own tank.
TEST_P(LoadedConfiguration, KeepsWhatTheFullStackGaveTheFlight) {
    const Json v = LoadInConfiguration(GetParam()).vessel;
    ASSERT_EQ(v["docks"].size(), 1u);
    EXPECT_EQ(v["docks"][0]["pos"], V(0, 0, 4.615));
    EXPECT_EQ(v["docks"][0]["dir"], V(0, 0, 1));
    EXPECT_EQ(v["docks"][0]["rot"], V(0, 1, 0));
    EXPECT_EQ(v["transponder"], true);
    EXPECT_EQ(v["surfaceFriction"], Json::array({0.05, 0.5}));
    ASSERT_EQ(v["propellant"].size(), 1u);
    EXPECT_EQ(v["defaultPropellant"], v["propellant"][0]["id"]);
}

INSTANTIATE_TEST_SUITE_P(EachLaterConfiguration, LoadedConfiguration, testing::Values(1, 2, 3, 4));
