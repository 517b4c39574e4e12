// The full-stack set-up: its steps in order, what survives a second run, the shift from a
// parachute configuration, and the shared thrusters.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "module_fixture.h"
#include "sim/trace_format.h"
#include "spacecraft/internal/test_access.h"

using testing::ElementsAre;

namespace {
std::vector<std::string> Names(const std::vector<std::string>& calls) {
    std::vector<std::string> names;
    for (const auto& c : calls) names.push_back(c.substr(0, c.find('(')));
    return names;
}
}  // namespace

TEST_F(ModuleTest, FullStackStepsInOrder) {
    TalvekVessel t(record->Handle());
    world->trace.clear();
    Inside(t).Define(CONFIG_FULL_STACK);
    auto names = Names(Calls());
    // The thruster calls after ClearThrusterDefinitions are checked elsewhere.
    names.erase(std::find(names.begin(), names.end(), "ClearThrusterDefinitions") + 1, names.end());
    names.erase(std::remove(names.begin(), names.end(), "oapiLoadMesh"), names.end());
    EXPECT_THAT(names, ElementsAre("SetAnimation", "ClearMeshes", "SetSize", "SetEmptyMass", "ShiftCentreOfMass",
                                   "ShiftCentreOfMass", "SetTouchdownPoints", "SetPMI", "SetCrossSections", "SetCW",
                                   "SetRotDrag", "SetPitchMomentScale", "SetBankMomentScale", "SetLiftCoeffFunc",
                                   "SetSurfaceFrictionCoeff", "SetCameraOffset", "AddMesh", "SetMeshVisibilityMode",
                                   "AddAnimationComponent", "AddAnimationComponent", "AddAnimationComponent",
                                   "AddAnimationComponent", "AddAnimationComponent", "AddAnimationComponent",
                                   "AddAnimationComponent", "AddAnimationComponent", "AddAnimationComponent",
                                   "AddAnimationComponent", "AddAnimationComponent", "AddAnimationComponent",
                                   "AddAnimationComponent", "AddAnimationComponent", "AddAnimationComponent",
                                   "AddAnimationComponent", "CreatePropellantResource", "CreatePropellantResource", "CreateDock",
                                   "SetDefaultPropellantResource", "ClearThrusterDefinitions"));
    EXPECT_EQ(Names(Calls()).back(), "EnableTransponder");
    EXPECT_EQ(Calls().front(), "SetAnimation(0, 0)");
    EXPECT_EQ(t.meshVisibilityMode, 3);
    EXPECT_EQ(record->def.emptyMass, 6320) << "no payload attached";
    EXPECT_TRUE(record->def.transponder);
}

TEST_F(ModuleTest, SecondRunKeepsTheTankContentsAndTheDock) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    const PROPELLANT_HANDLE tank = Inside(t).mainTank;
    const DOCKHANDLE dock = Inside(t).dockPort;
    t.SetPropellantMass(Inside(t).mainTank, 123.5);
    world->trace.clear();
    Inside(t).Define(CONFIG_FULL_STACK);
    EXPECT_EQ(Inside(t).mainTank, tank);
    EXPECT_EQ(Inside(t).dockPort, dock);
    EXPECT_EQ(t.GetPropellantMass(Inside(t).mainTank), 123.5);
    EXPECT_EQ(record->def.tanks.size(), 2u) << "the main tank and the descent module's attitude tank";
    EXPECT_EQ(record->def.docks.size(), 1u);
    for (const auto& c : Names(Calls())) {
        EXPECT_NE(c, "CreatePropellantResource");
        EXPECT_NE(c, "CreateDock");
    }
    EXPECT_EQ(record->def.thrusters.size(), 23u) << "no thruster of the first run is left";
    EXPECT_EQ(record->def.groups.size(), 14u);
    EXPECT_EQ(record->def.exhaust.size(), 24u);
    EXPECT_EQ(record->def.animations[0].components.size(), 16u);
}

TEST_F(ModuleTest, DeletedMainTankIsCreatedFullAgain) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    t.DelPropellantResource(Inside(t).mainTank);
    Inside(t).Define(CONFIG_FULL_STACK);
    ASSERT_NE(Inside(t).mainTank, nullptr);
    EXPECT_EQ(t.GetPropellantMass(Inside(t).mainTank), 900);
}

TEST_F(ModuleTest, ShiftFromAParachuteConfigurationReturnsToTheDesignOrigin) {
    TalvekVessel t(record->Handle());
    Inside(t).cogShift = {0, -0.1, 0};
    record->pos = {7e6, 0, 0};
    world->trace.clear();
    Inside(t).Define(CONFIG_FULL_STACK);
    std::vector<std::string> shifts;
    for (const auto& c : Calls())
        if (c.rfind("ShiftCentreOfMass", 0) == 0) shifts.push_back(c);
    EXPECT_THAT(shifts, ElementsAre("ShiftCentreOfMass(" + sim::trace::Args(VECTOR3{-0.0, 0.1, -0.0}) + ")",
                                    "ShiftCentreOfMass((0, 0, 0))"));
    EXPECT_DOUBLE_EQ(record->pos.y, 0.1);
    EXPECT_EQ(Inside(t).cogShift.y, 0);
}

TEST_F(ModuleTest, RetroAndBackGroupsFireTheSameTwoThrusters) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    const auto& groups = record->def.groups;
    ASSERT_EQ(groups.size(), 14u);
    EXPECT_EQ(groups[11].type, THGROUP_ATT_BACK);
    EXPECT_EQ(groups[13].type, THGROUP_RETRO);
    EXPECT_EQ(groups[11].thrusters, groups[13].thrusters);
    EXPECT_EQ(groups[11].thrusters,
              (std::vector<sim::Id>{sim::IdOf(Inside(t).attThrusters[11][0]), sim::IdOf(Inside(t).attThrusters[11][1])}));
    // P3 serves pitch up, bank right and up.
    const sim::Id p3 = sim::IdOf(Inside(t).attThrusters[0][2]);
    std::vector<int> typesWithP3;
    for (const auto& g : groups)
        if (std::count(g.thrusters.begin(), g.thrusters.end(), p3)) typesWithP3.push_back(g.type);
    EXPECT_THAT(typesWithP3, ElementsAre(THGROUP_ATT_PITCHUP, THGROUP_ATT_BANKRIGHT, THGROUP_ATT_UP));
}

TEST_F(ModuleTest, MainEngineHasTwoStreamsEachAttitudeThrusterOne) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    std::map<sim::Id, int> streams;
    for (const auto& e : record->def.exhaust) ++streams[e.thruster];
    EXPECT_EQ(streams[sim::IdOf(Inside(t).mainThruster)], 2);
    for (const auto& th : record->def.thrusters)
        if (th.id != sim::IdOf(Inside(t).mainThruster)) {
            EXPECT_EQ(streams[th.id], 1);
        }
}
