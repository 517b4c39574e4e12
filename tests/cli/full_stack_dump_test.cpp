// A Talvek loaded in configuration 0 with one payload, dumped after three frames: the whole
// full-stack definition as the host holds it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

Json V(double x, double y, double z) { return Json::array({x, y, z}); }

class FullStackDump : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new fs::path(fs::temp_directory_path() / ("talvek-fullstack-" + std::to_string(talvek_test::ProcessId())));
        fs::create_directories(*dir);
        const auto r = talvek_test::RunSim(
            {"run", (talvek_test::TestData() / "full-stack-payload.scn").string(), "--frames", "3", "--dump", "d.json"},
            *dir);
        ASSERT_EQ(r.status, 0) << r.err;
        vessel = new Json(Json::parse(talvek_test::ReadFile(*dir / "d.json"))["vessels"][0]);
    }
    static void TearDownTestSuite() {
        fs::remove_all(*dir);
        delete dir;
        delete vessel;
    }
    const Json& v() const { return *vessel; }

    static fs::path* dir;
    static Json* vessel;
};
fs::path* FullStackDump::dir = nullptr;
Json* FullStackDump::vessel = nullptr;

struct ExpectedThruster {
    const char* label;
    Json pos, dir;
    double thrust, isp;
};

}  // namespace

TEST_F(FullStackDump, ShapeMassDragAndCamera) {
    EXPECT_EQ(v()["size"], 15.0);
    EXPECT_EQ(v()["emptyMass"], 6320.0 + 250.0);
    EXPECT_EQ(v()["mass"], 6320.0 + 250.0 + 900.0 + 60.0) << "the main tank and the descent module's attitude tank";
    EXPECT_EQ(v()["pmi"], V(5, 5, 0.85));
    EXPECT_EQ(v()["crossSections"], V(15, 32, 6));
    EXPECT_EQ(v()["cw"], Json::array({1.1, 2.2, 3.5, 3.5}));
    EXPECT_EQ(v()["rotDrag"], V(0.1, 0.1, 0.01));
    EXPECT_EQ(v()["pitchMomentScale"], -3e-6);
    EXPECT_EQ(v()["bankMomentScale"], 3e-6);
    EXPECT_EQ(v()["liftCoeffFunc"], false);
    EXPECT_EQ(v()["surfaceFriction"], Json::array({0.05, 0.5}));
    EXPECT_EQ(v()["cameraOffset"], V(0, -1.5, 1.5));
    EXPECT_EQ(v()["touchdownPoints"], Json::array({V(0, -2, 4), V(-2, -2, -4), V(2, -2, -4)}));
    EXPECT_EQ(v()["transponder"], true);
}

TEST_F(FullStackDump, MeshesTankAndDock) {
    EXPECT_EQ(v()["meshes"], Json::parse(R"([
        {"index": 0, "file": "talvek", "offset": [0.0, 0.0, 0.0], "visibility": 3},
        {"index": 1, "file": "tlvdrogue", "offset": [0.0, 1.5, 3.0], "visibility": 3}])"));
    ASSERT_EQ(v()["propellant"].size(), 2u);
    // The main tank is tank 0, as saved scenarios expect; the descent module's attitude tank rides
    // in the stack behind it, full, and no full-stack thruster draws on it.
    EXPECT_EQ(v()["propellant"][0]["maxMass"], 900.0);
    EXPECT_EQ(v()["propellant"][0]["mass"], 900.0);
    EXPECT_EQ(v()["propellant"][0]["efficiency"], 1.0);
    EXPECT_EQ(v()["propellant"][1]["maxMass"], 60.0);
    EXPECT_EQ(v()["propellant"][1]["mass"], 60.0);
    EXPECT_EQ(v()["defaultPropellant"], v()["propellant"][0]["id"]) << "the main tank";
    EXPECT_EQ(v()["docks"], Json::parse(R"([{"pos": [0.0, 0.0, 4.615], "dir": [0.0, 0.0, 1.0], "rot": [0.0, 1.0, 0.0]}])"));
}

TEST_F(FullStackDump, TwentyThreeThrustersInCreationOrder) {
    const ExpectedThruster expected[] = {
        {"M", V(0, 0, -2.64), V(0, 0, 1), 3924, 2992},
        {"P1", V(-0.1, 1.38, -2.515), V(0, -1, 0), 140, 2903},  {"P2", V(0.1, 1.38, -2.515), V(0, -1, 0), 140, 2903},
        {"P3", V(-1.12, -0.25, 0), V(0, 1, 0), 140, 2903},      {"P4", V(1.12, -0.25, 0), V(0, 1, 0), 140, 2903},
        {"P5", V(-0.1, -1.38, -2.515), V(0, 1, 0), 140, 2903},  {"P6", V(0.1, -1.38, -2.515), V(0, 1, 0), 140, 2903},
        {"P7", V(-1.12, 0.25, 0), V(0, -1, 0), 140, 2903},      {"P8", V(1.12, 0.25, 0), V(0, -1, 0), 140, 2903},
        {"Y1", V(-1.38, -0.1, -2.515), V(1, 0, 0), 140, 2903},  {"Y2", V(-1.38, 0.1, -2.515), V(1, 0, 0), 140, 2903},
        {"Y3", V(1.2, -0.1, 0), V(-1, 0, 0), 140, 2903},        {"Y4", V(1.2, 0.1, 0), V(-1, 0, 0), 140, 2903},
        {"Y5", V(1.38, -0.1, -2.515), V(-1, 0, 0), 140, 2903},  {"Y6", V(1.38, 0.1, -2.515), V(-1, 0, 0), 140, 2903},
        {"Y7", V(-1.2, -0.1, 0), V(1, 0, 0), 140, 2903},        {"Y8", V(-1.2, 0.1, 0), V(1, 0, 0), 140, 2903},
        {"F1", V(-1.1, 0, -2.64), V(0, 0, 1), 140, 2903},       {"F2", V(1.1, 0, -2.64), V(0, 0, 1), 140, 2903},
        {"F3", V(0, 1.1, -2.64), V(0, 0, 1), 140, 2903},        {"F4", V(0, -1.1, -2.64), V(0, 0, 1), 140, 2903},
        {"B1", V(-1.15, 0, 0.15), V(0.141, 0, -0.99), 140, 2903},
        {"B2", V(1.15, 0, 0.15), V(-0.141, 0, -0.99), 140, 2903},
    };
    const Json& th = v()["thrusters"];
    ASSERT_EQ(th.size(), 23u);
    const Json tank = v()["propellant"][0]["id"];
    for (size_t i = 0; i < 23; ++i) {
        SCOPED_TRACE(expected[i].label);
        EXPECT_EQ(th[i]["pos"], expected[i].pos);
        EXPECT_EQ(th[i]["dir"], expected[i].dir);
        EXPECT_EQ(th[i]["maxThrust"], expected[i].thrust);
        EXPECT_EQ(th[i]["isp"], expected[i].isp);
        EXPECT_EQ(th[i]["ispRef"], 0.0);
        EXPECT_EQ(th[i]["pRef"], 101400.0);
        EXPECT_EQ(th[i]["tank"], tank);
        EXPECT_EQ(th[i]["level"], 0.0);
    }
}

TEST_F(FullStackDump, FourteenGroupsWithTheirMembers) {
    const Json& th = v()["thrusters"];
    auto ids = [&](std::initializer_list<int> indices) {
        Json list = Json::array();
        for (int i : indices) list.push_back(th[i]["id"]);
        return list;
    };
    // Thruster indices: 0 M, 1-8 P1-P8, 9-16 Y1-Y8, 17-20 F1-F4, 21-22 B1-B2.
    const std::vector<std::pair<int, Json>> expected = {
        {3, ids({1, 2, 3, 4})},     {4, ids({5, 6, 7, 8})},  {5, ids({9, 10, 11, 12})}, {6, ids({13, 14, 15, 16})},
        {7, ids({4, 7})},           {8, ids({3, 8})},        {10, ids({11, 12})},       {9, ids({15, 16})},
        {12, ids({7, 8})},          {11, ids({3, 4})},       {13, ids({17, 18, 19, 20})}, {14, ids({21, 22})},
        {0, ids({0})},              {1, ids({21, 22})},
    };
    const Json& groups = v()["thrusterGroups"];
    ASSERT_EQ(groups.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("group " + std::to_string(i + 1));
        EXPECT_EQ(groups[i]["type"], expected[i].first);
        EXPECT_EQ(groups[i]["thrusters"], expected[i].second);
    }
}

TEST_F(FullStackDump, TwentyFourExhaustStreams) {
    const Json& th = v()["thrusters"];
    const Json& ex = v()["exhaust"];
    ASSERT_EQ(ex.size(), 24u);
    const Json att = Json::parse(R"({"flags": 0, "srcsize": 0.05, "srcrate": 3000.0, "v0": 5.0, "srcspread": 0.1,
        "lifetime": 0.1, "growthrate": 1.0, "atmslowdown": 0.0, "ltype": 0, "levelmap": 3, "lmin": 0.0, "lmax": 2.0,
        "atmsmap": 2, "amin": 0.0, "amax": 0.0, "tex": null})");
    Json longSpec = att, shortSpec = att;
    longSpec.update(Json::parse(R"({"srcsize": 0.4, "v0": 150.0, "srcspread": 0.05, "lifetime": 0.5, "growthrate": 5.0})"));
    shortSpec.update(Json::parse(R"({"srcsize": 0.4, "v0": 50.0, "srcspread": 0.05, "lifetime": 0.1})"));
    shortSpec["growthrate"] = 5.0 / 3.0;
    EXPECT_EQ(ex[0]["thruster"], th[0]["id"]);
    EXPECT_EQ(ex[0]["spec"], longSpec);
    EXPECT_EQ(ex[1]["thruster"], th[0]["id"]);
    EXPECT_EQ(ex[1]["spec"], shortSpec);
    for (size_t i = 2; i < 24; ++i) {
        EXPECT_EQ(ex[i]["thruster"], th[i - 1]["id"]) << i;
        EXPECT_TRUE(ex[i]["pos"].is_null());
        EXPECT_EQ(ex[i]["spec"], att) << i;
    }
}

TEST_F(FullStackDump, SixteenAnimationComponentsStowed) {
    const Json& a = v()["animations"];
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0]["state"], 0.0);
    const Json& c = a[0]["components"];
    ASSERT_EQ(c.size(), 16u);
    EXPECT_EQ(c[0]["groups"], Json::array({16}));
    EXPECT_EQ(c[3]["groups"], Json::array({19, 18}));
    EXPECT_EQ(c[3]["parent"], 2);
    EXPECT_EQ(c[13]["kind"], "translation");
    EXPECT_EQ(c[13]["shift"], V(0, -0.4, 0.07));
    EXPECT_EQ(c[15]["axis"], V(0.574, 1, 0));
    EXPECT_EQ(c[15]["parent"], 14);
    for (const auto& comp : c) EXPECT_EQ(comp["mesh"], 0);
}
