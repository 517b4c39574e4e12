// The host refuses what would overrun its lists or make a state non-finite: out-of-range host
// keys and class values where they are read, white-space-only lines in meshes, names that are
// not UTF-8 or too long, and setters given a value that is not finite.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "host/oapi.h"
#include "host/vessel.h"
#include "sim/app/dump.h"
#include "sim/errors.h"
#include "sim/mesh.h"
#include "sim/placement.h"
#include "sim/scenario.h"
#include "tests/host/host_fixture.h"

using testing::HasSubstr;

namespace {

struct KeyCase {
    const char* line;
    const char* expected;  // "" when the line is accepted
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.line; }

class HostKeyRanges : public testing::TestWithParam<KeyCase> {};

}  // namespace

TEST_P(HostKeyRanges, RefusedWhenOutOfRange) {
    sim::ParsedVesselState state;
    const std::string err = sim::ParseHostKey(GetParam().line, state);
    if (*GetParam().expected == '\0') EXPECT_EQ(err, "");
    else EXPECT_THAT(err, HasSubstr(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostKeyRanges,
    testing::Values(KeyCase{"THLEVEL 4294967295:1", "THLEVEL expects 'thruster:level' pairs"},
                    KeyCase{"THLEVEL 10000:1", "THLEVEL expects"},
                    KeyCase{"THLEVEL 9999:1", ""},
                    KeyCase{"PRPLEVEL 2147483648:1", "PRPLEVEL expects 'tank:level' pairs"},
                    KeyCase{"PRPLEVEL 0:1 99999999999999999999:1", "PRPLEVEL expects"},
                    KeyCase{"PRPLEVEL 9999:0.5", ""},
                    KeyCase{"VROT 1e200 0 0", "VROT is out of range"},
                    KeyCase{"VROT 0 3601 0", "VROT is out of range"},
                    KeyCase{"VROT 0 3600 0", ""},
                    KeyCase{"RVEL 1e200 0 0", "RVEL is out of range"},
                    KeyCase{"RVEL 0 0 -1000001", "RVEL is out of range"},
                    KeyCase{"RVEL 0 0 -999999", ""},
                    KeyCase{"RPOS -1e308 0 0", "RPOS is out of range"},
                    KeyCase{"RPOS 0 1.1e12 0", "RPOS is out of range"},
                    KeyCase{"RPOS 0 1e12 0", ""},
                    KeyCase{"ALT -1e7", "ALT is out of range"},
                    KeyCase{"ALT -6400000", "ALT is out of range"},
                    KeyCase{"ALT 100001", "ALT is out of range"},
                    KeyCase{"ALT -1000", ""},
                    KeyCase{"AROT 1e300 -720 5", ""}));

TEST(HostKeyRanges, LandedRposMustStandOnTheGround) {
    sim::ParsedVesselState state;
    state.landed = true;
    state.arot = VECTOR3{0, 0, 0};
    state.rpos = VECTOR3{1000, 0, 0};
    EXPECT_THAT(sim::CheckParsedState(state), HasSubstr("it must stand on the ground"));
    state.rpos = VECTOR3{6371010 + 2, 0, 0};
    EXPECT_EQ(sim::CheckParsedState(state), "");
}

namespace {

struct ScenarioCase {
    std::string text;
    const char* expected;
};

void PrintTo(const ScenarioCase& c, std::ostream* os) { *os << testing::PrintToString(c.text.substr(0, 80)); }

class ScenarioRanges : public testing::TestWithParam<ScenarioCase> {};

const std::string SHIPS_TAIL = "  RPOS 7e6 0 0\nEND\nEND_SHIPS\n";

}  // namespace

TEST_P(ScenarioRanges, RefusedWithTheLine) {
    try {
        sim::ParseScenario(GetParam().text, "r.scn");
        ADD_FAILURE() << "read without complaint";
    } catch (const sim::InputError& e) {
        EXPECT_THAT(e.what(), HasSubstr(GetParam().expected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScenarioRanges,
    testing::Values(
        ScenarioCase{"BEGIN_ENVIRONMENT\n  Date MJD 1e305\nEND_ENVIRONMENT\nBEGIN_SHIPS\nA:Probe\n" + SHIPS_TAIL,
                     "r.scn:2: the date MJD 1e305 is out of range (a modified Julian date within 0..1e6)"},
        ScenarioCase{"BEGIN_ENVIRONMENT\n  Date MJD -1\nEND_ENVIRONMENT\nBEGIN_SHIPS\nA:Probe\n" + SHIPS_TAIL,
                     "r.scn:2: the date MJD -1 is out of range"},
        ScenarioCase{"BEGIN_SHIPS\nA\xff\xfe:Probe\n" + SHIPS_TAIL, "r.scn:2: the vessel name is not UTF-8 text"},
        ScenarioCase{"BEGIN_SHIPS\nA\xc0\xaf:Probe\n" + SHIPS_TAIL, "r.scn:2: the vessel name is not UTF-8 text"},
        ScenarioCase{"BEGIN_SHIPS\nA:Pro\xed\xa0\x80\n" + SHIPS_TAIL, "r.scn:2: the class name is not UTF-8 text"},
        ScenarioCase{"BEGIN_SHIPS\nA\xf0\x9f\x9a:Probe\n" + SHIPS_TAIL, "r.scn:2: the vessel name is not UTF-8 text"},
        ScenarioCase{"BEGIN_SHIPS\nA\xf4\x90\x80\x80:Probe\n" + SHIPS_TAIL, "r.scn:2: the vessel name is not UTF-8 text"},
        ScenarioCase{"BEGIN_SHIPS\n" + std::string(256, 'n') + ":Probe\n" + SHIPS_TAIL,
                     "r.scn:2: the vessel name has 256 bytes (a name is UTF-8 text of at most 255 bytes)"},
        ScenarioCase{"BEGIN_SHIPS\nA:" + std::string(300, 'c') + "\n" + SHIPS_TAIL, "r.scn:2: the class name has 300 bytes"}));

TEST(ScenarioRanges, Utf8NamesOfTheLongestLengthAreRead) {
    const std::string name = "\xc3\xa9" + std::string(253, 'n');  // 255 bytes
    const auto sc = sim::ParseScenario("BEGIN_SHIPS\n" + name + ":Probe\n" + SHIPS_TAIL, "r.scn");
    EXPECT_EQ(sc.vessels.at(0).name, name);
    const auto four = sim::ParseScenario("BEGIN_SHIPS\nRocket\xf0\x9f\x9a\x80:Probe\n" + SHIPS_TAIL, "r.scn");
    EXPECT_EQ(four.vessels.at(0).name, "Rocket\xf0\x9f\x9a\x80");
}

namespace {

struct ClassCase {
    std::string line;  // replaces or adds one value of the Probe class, on line 14
    const char* expected;
};

void PrintTo(const ClassCase& c, std::ostream* os) { *os << c.line; }

class ClassRanges : public HostTest, public testing::WithParamInterface<ClassCase> {};

}  // namespace

TEST_P(ClassRanges, RefusedWithTheLine) {
    root.Write("Config/Probe.cfg", std::string(PROBE_CLASS) + "; the value under test\n" + GetParam().line + "\n");
    try {
        Probe();
        ADD_FAILURE() << "read without complaint";
    } catch (const sim::InputError& e) {
        EXPECT_THAT(e.what(), HasSubstr("Probe.cfg:14: "));
        EXPECT_THAT(e.what(), HasSubstr(GetParam().expected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClassRanges,
    testing::Values(ClassCase{"CrossSections = 1e308 1 1", "'crosssections' value 1e+308 is out of range (each 0..1e6 m^2)"},
                    ClassCase{"CrossSections = -1 1 1", "'crosssections' value -1 is out of range"},
                    ClassCase{"Inertia = 4.9e-324 1 1", "'inertia' value 5e-324 is out of range (each 1e-6..1e6 m^2)"},
                    ClassCase{"Inertia = 1 1 2e6", "'inertia' value 2e+06 is out of range"},
                    ClassCase{"Size = 0", "'size' value 0 is out of range (0.001..1e6 m)"},
                    ClassCase{"Mass = 1e300", "'mass' value 1e+300 is out of range (0..1e9 kg)"},
                    ClassCase{"Mass = -5", "'mass' value -5 is out of range"},
                    ClassCase{"RotResistance = 1 1e9 1", "'rotresistance' value 1e+09 is out of range"},
                    ClassCase{"CW = 0.3 0.4 1e200 0.6", "'cw' value 1e+200 is out of range (each 0..1000)"},
                    ClassCase{"TouchdownPoints = 0 -1 1  -1 -1e300 -1  1 -1 -1", "'touchdownpoints' value -1e+300"},
                    ClassCase{"CameraOffset = 0 0 1e5", "'cameraoffset' value 1e+05 is out of range"},
                    ClassCase{"PropellantResource1 = 1e300", "'propellantresource1' is out of range"},
                    ClassCase{"PropellantResource1 = 50 0", "'propellantresource1' is out of range (max 0..1e9 kg, efficiency 0.001..1)"},
                    ClassCase{"MaxMainThrust = 1e12", "'maxmainthrust' value 1e+12 is out of range"},
                    ClassCase{"Isp = 0", "'isp' value 0 is out of range (1..1e6 m/s)"},
                    ClassCase{"MeshName = " + std::string(260, 'm'),
                              "'MeshName': a name in the path has 264 bytes (at most 255 for each name)"}));

TEST_F(HostTest, ModulesCannotCreateVesselsWithNamesAScenarioRefuses) {
    VESSELSTATUS s{};
    s.rpos = {7e6, 0, 0};
    const std::string tooLong(256, 'n');
    testing::internal::CaptureStderr();
    for (const char* name : {"Sat\xe9llite", tooLong.c_str()}) EXPECT_EQ(oapiCreateVessel(name, "Probe", s), nullptr);
    EXPECT_EQ(oapiCreateVessel("Sat", "Pro\xff", s), nullptr);
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("not UTF-8 text of at most 255 bytes"));
    EXPECT_TRUE(world->Vessels().empty());
    EXPECT_NE(oapiCreateVessel(std::string(255, 'n').c_str(), "Probe", s), nullptr);
}

// What a scenario may not hold, a module's oapiCreateVessel may not make: the host could not read
// its own save back.
TEST_F(HostTest, ModulesCannotCreateVesselsWithStatesAScenarioRefuses) {
    struct Case {
        VECTOR3 rpos, rvel, vrot;  // vrot [rad/s]
        const char* warned;
    };
    const double fastest = 3600 * PI / 180;  // [rad/s]
    const Case cases[] = {{{1e13, 0, 0}, {0, 0, 0}, {0, 0, 0}, "its position lies beyond 1e12 m"},
                          {{0, 0, -1e308}, {0, 0, 0}, {0, 0, 0}, "its position lies beyond 1e12 m"},
                          {{7e6, 0, 0}, {0, 2e6, 0}, {0, 0, 0}, "its speed is above 1e6 m/s"},
                          {{7e6, 0, 0}, {0, 0, 0}, {0, 1.01 * fastest, 0}, "its rotation is faster than 3600 deg/s"}};
    testing::internal::CaptureStderr();
    for (const Case& c : cases) {
        VESSELSTATUS s{};
        s.rpos = c.rpos;
        s.rvel = c.rvel;
        s.vrot = c.vrot;
        world->warnings.clear();
        EXPECT_EQ(oapiCreateVessel("Far", "Probe", s), nullptr) << c.warned;
        EXPECT_THAT(world->warnings, testing::ElementsAre(HasSubstr(c.warned)));
    }
    VESSELSTATUS edge{};
    edge.rpos = {1e12, 0, 0};
    edge.rvel = {0, 0, 1e6};
    edge.vrot = {0.99 * fastest, 0, 0};
    EXPECT_NE(oapiCreateVessel("Edge", "Probe", edge), nullptr);
    testing::internal::GetCapturedStderr();
}

TEST_F(HostTest, ClassNamesNoFileSystemHoldsAreUnknownClasses) {
    EXPECT_THROW(world->AddVessel("A", std::string(300, 'c')), sim::VesselRefused);
    EXPECT_EQ(oapiLoadMesh(std::string(300, 'm').c_str()), nullptr);
}

namespace {

struct BadMesh {
    const char* name;
    std::string text;
    const char* expected;
};

void PrintTo(const BadMesh& c, std::ostream* os) { *os << c.name; }

class MeshWhiteSpace : public testing::TestWithParam<BadMesh> {};

}  // namespace

// A line of white space other than blanks and tabs has no words; the reader must say so rather
// than take the first of none.
TEST_P(MeshWhiteSpace, LinesWithoutWordsAreRefused) {
    try {
        sim::ParseMesh(GetParam().text, "w.msh");
        ADD_FAILURE() << "read without complaint";
    } catch (const sim::InputError& e) {
        EXPECT_THAT(e.what(), HasSubstr(GetParam().expected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeshWhiteSpace,
    testing::Values(BadMesh{"VerticalTabForGroupHeader", "MSHX1\nGROUPS 1\n\v", "w.msh:3: expected GEOM nv nt"},
                    BadMesh{"FormFeedForGroupHeader", "MSHX1\nGROUPS 1\n\f\n", "w.msh:3: expected GEOM nv nt"},
                    BadMesh{"VerticalTabForGroups", "MSHX1\n\v\n", "w.msh:2: expected GROUPS n"},
                    BadMesh{"VerticalTabForVertex", "MSHX1\nGROUPS 1\nGEOM 3 1\n\v\n", "w.msh:4: expected a vertex line"},
                    BadMesh{"FormFeedForTriangle", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n\f\n",
                            "w.msh:7: expected a triangle line"},
                    BadMesh{"VerticalTabAfterGroups", "MSHX1\nGROUPS 0\n\v\n", "w.msh:3: expected 'MATERIALS m', 'TEXTURES t'"},
                    BadMesh{"FormFeedForMaterial", "MSHX1\nGROUPS 0\nMATERIALS 1\nhull\n\f\n", "w.msh:5: expected 'MATERIAL hull'"},
                    BadMesh{"VerticalTabForColour", "MSHX1\nGROUPS 0\nMATERIALS 1\nhull\nMATERIAL hull\n\v\n",
                            "w.msh:6: expected the diffuse colour"}),
    [](const testing::TestParamInfo<BadMesh>& info) { return std::string(info.param.name); });

// Every setter of the host, given a value that is not finite, leaves the record as it was;
// the call still shows in the trace.
namespace {

struct SetterCase {
    const char* name;  // the traced call
    std::function<void(VESSEL&, const sim::VesselRecord&, double bad)> call;
};

void PrintTo(const SetterCase& c, std::ostream* os) { *os << c.name; }

class NonFiniteSetters : public HostTest, public testing::WithParamInterface<SetterCase> {};

PARTICLESTREAMSPEC Spec(double bad) {
    PARTICLESTREAMSPEC s{};
    s.srcsize = 1;
    s.lifetime = bad;
    return s;
}

}  // namespace

TEST_P(NonFiniteSetters, LeaveTheRecordUnchanged) {
    sim::VesselRecord* v = Probe();
    VESSEL& vessel = *v->iface;
    vessel.CreateAnimation(0.5);
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(bad);
        const auto before = sim::DumpWorld(*world);
        const size_t traced = world->trace.size();
        const double timeAcc = world->TimeAcceleration();
        GetParam().call(vessel, *v, bad);
        EXPECT_EQ(sim::DumpWorld(*world), before);
        EXPECT_EQ(world->TimeAcceleration(), timeAcc);
        bool seen = false;
        for (size_t i = traced; i < world->trace.size(); ++i) seen = seen || world->trace[i].call == GetParam().name;
        EXPECT_TRUE(seen) << "the call is traced";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NonFiniteSetters,
    testing::Values(
        SetterCase{"SetSize", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetSize(b); }},
        SetterCase{"SetEmptyMass", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetEmptyMass(b); }},
        SetterCase{"ShiftCentreOfMass", [](VESSEL& v, const sim::VesselRecord&, double b) { v.ShiftCentreOfMass({0, b, 0}); }},
        SetterCase{"SetTouchdownPoints", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetTouchdownPoints({0, -1, 1}, {-1, -1, -1}, {1, b, -1}); }},
        SetterCase{"SetPMI", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetPMI({1, 1, b}); }},
        SetterCase{"SetCrossSections", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetCrossSections({b, 1, 1}); }},
        SetterCase{"SetCW", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetCW(0.1, 0.2, b, 0.3); }},
        SetterCase{"SetRotDrag", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetRotDrag({0.1, b, 0.1}); }},
        SetterCase{"SetPitchMomentScale", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetPitchMomentScale(b); }},
        SetterCase{"SetBankMomentScale", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetBankMomentScale(b); }},
        SetterCase{"SetSurfaceFrictionCoeff", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetSurfaceFrictionCoeff(0.1, b); }},
        SetterCase{"SetCameraOffset", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetCameraOffset({b, 0, 0}); }},
        SetterCase{"CreatePropellantResource", [](VESSEL& v, const sim::VesselRecord&, double b) { v.CreatePropellantResource(10, 5, b); }},
        SetterCase{"SetPropellantMass",
                   [](VESSEL& v, const sim::VesselRecord& r, double b) {
                       v.SetPropellantMass(sim::HandleOf(r.def.tanks.at(0).id), b);
                   }},
        SetterCase{"SetFuelMass", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetFuelMass(b); }},
        SetterCase{"CreateThruster", [](VESSEL& v, const sim::VesselRecord&, double b) { v.CreateThruster({0, 0, 0}, {0, 0, 1}, 10, nullptr, b); }},
        SetterCase{"SetThrusterLevel",
                   [](VESSEL& v, const sim::VesselRecord& r, double b) {
                       v.SetThrusterLevel(sim::HandleOf(r.def.thrusters.at(0).id), b);
                   }},
        SetterCase{"SetThrusterGroupLevel", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetThrusterGroupLevel(THGROUP_MAIN, b); }},
        SetterCase{"AddExhaustStream", [](VESSEL& v, const sim::VesselRecord&, double b) { v.AddExhaustStream(nullptr, {0, b, 0}, nullptr); }},
        SetterCase{"AddExhaustStream",
                   [](VESSEL& v, const sim::VesselRecord&, double b) {
                       PARTICLESTREAMSPEC s = Spec(b);
                       v.AddExhaustStream(nullptr, &s);
                   }},
        SetterCase{"AddMesh",
                   [](VESSEL& v, const sim::VesselRecord&, double b) {
                       const VECTOR3 ofs{0, 0, b};
                       v.AddMesh("none", &ofs);
                   }},
        SetterCase{"CreateAnimation", [](VESSEL& v, const sim::VesselRecord&, double b) { v.CreateAnimation(b); }},
        SetterCase{"SetAnimation", [](VESSEL& v, const sim::VesselRecord&, double b) { v.SetAnimation(0, b); }},
        SetterCase{"AddAnimationComponent",
                   [](VESSEL& v, const sim::VesselRecord&, double b) {
                       static UINT groups[] = {0};
                       static MGROUP_TRANSLATE shift(0, groups, 1, {0, 0, 1});
                       v.AddAnimationComponent(0, 0, b, &shift);
                   }},
        SetterCase{"AddAnimationComponent",
                   [](VESSEL& v, const sim::VesselRecord&, double b) {
                       static UINT groups[] = {0};
                       static MGROUP_ROTATE turn(0, groups, 1, {0, 0, 0}, {0, 0, 1}, 1.0f);
                       turn.axis = {b, 0, 1};  // kept: a component that is stored points at it
                       v.AddAnimationComponent(0, 0, 1, &turn);
                   }},
        SetterCase{"CreateDock", [](VESSEL& v, const sim::VesselRecord&, double b) { v.CreateDock({0, 0, 1}, {0, 0, 1}, {0, b, 0}); }},
        SetterCase{"oapiSetTimeAcceleration", [](VESSEL&, const sim::VesselRecord&, double b) { oapiSetTimeAcceleration(b); }},
        SetterCase{"oapiCreateVessel", [](VESSEL&, const sim::VesselRecord&, double b) {
                       VESSELSTATUS s{};
                       s.rpos = {7e6, 0, 0};
                       s.rvel = {0, 0, b};
                       testing::internal::CaptureStderr();
                       EXPECT_EQ(oapiCreateVessel("Q", "Probe", s), nullptr);
                       testing::internal::GetCapturedStderr();
                   }}));
