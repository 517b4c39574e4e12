// The descent, landing and parachute set-ups: what survives them, what they remove, and that a
// second application changes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "module_fixture.h"
#include "sim/planet.h"
#include "spacecraft/internal/test_access.h"

using testing::ElementsAre;

namespace {

void Apply(TalvekVessel& t, Configuration configuration) {
    Inside(t).sequencer.configuration = configuration;
    Inside(t).ApplyConfiguration();
}

class EveryConfiguration : public ModuleTest, public testing::WithParamInterface<int> {};

}  // namespace

TEST_P(EveryConfiguration, ApplyingTwiceLeavesTheVesselWhereOnceLeftIt) {
    TalvekVessel t(record->Handle());
    t.HandleScenarioLine("PAYLOAD Sat1 tlvdrogue tlvorbit 0 1.5 3 250 0 1");
    Inside(t).Define(CONFIG_FULL_STACK);
    record->pos = {7e6, 0, 0};
    Apply(t, ConfigurationNumbered(GetParam()));
    const auto once = DefinitionOf(*world);
    const VECTOR3 shift = Inside(t).cogShift;
    Apply(t, ConfigurationNumbered(GetParam()));
    EXPECT_EQ(DefinitionOf(*world), once);
    EXPECT_EQ(Inside(t).cogShift.y, shift.y);
    EXPECT_EQ(Inside(t).cogShift.z, shift.z);
    for (ANIMATIONCOMPONENT_HANDLE c : Inside(t).arrays.deployComponents) EXPECT_EQ(c, nullptr);
    EXPECT_TRUE(record->def.animations[0].components.empty());
    EXPECT_EQ(Inside(t).mainTank, nullptr);
    EXPECT_EQ(record->def.emptyMass, 2950 + 250) << "the empty mass follows the attached payload";
    EXPECT_EQ(record->def.docks.size(), 1u) << "the docking port stays";
    EXPECT_TRUE(record->def.transponder);
}

INSTANTIATE_TEST_SUITE_P(Configurations, EveryConfiguration, testing::Values(1, 2, 3, 4));

TEST_F(ModuleTest, DescentCreatesNoLandingEquipmentTheLandingConfigurationDoes) {
    TalvekVessel t(record->Handle());
    record->pos = {7e6, 0, 0};  // in flight
    Inside(t).Define(CONFIG_FULL_STACK);
    Apply(t, CONFIG_DESCENT);
    EXPECT_EQ(Inside(t).burn.tank, nullptr);
    EXPECT_EQ(Inside(t).burn.thruster, nullptr);
    EXPECT_TRUE(record->def.exhaust.empty());
    EXPECT_EQ(record->def.thrusters.size(), 6u);

    Apply(t, CONFIG_LANDING);
    ASSERT_NE(Inside(t).burn.tank, nullptr);
    EXPECT_EQ(t.GetPropellantMass(Inside(t).burn.tank), 70);
    ASSERT_EQ(record->def.thrusters.size(), 7u);
    const auto& landing = record->def.thrusters[0];
    EXPECT_EQ(landing.id, sim::IdOf(Inside(t).burn.thruster));
    EXPECT_EQ(landing.pos.z, -1) << "handed over unshifted";
    EXPECT_EQ(landing.maxThrust, 60000);
    EXPECT_EQ(landing.level, 1);
    EXPECT_EQ(record->def.exhaust.size(), 3u);
}

TEST_F(ModuleTest, LandingConfigurationOnTheGroundDoesNotFire) {
    // For instance a landed capsule reloaded with propellant left: a burn would lift it off.
    TalvekVessel t(record->Handle());
    record->landed = true;
    Inside(t).Define(CONFIG_FULL_STACK);
    Apply(t, CONFIG_LANDING);
    ASSERT_NE(Inside(t).burn.thruster, nullptr);
    EXPECT_EQ(record->def.thrusters[0].level, 0);
    EXPECT_EQ(t.GetPropellantMass(Inside(t).burn.tank), 70);
}

TEST_F(ModuleTest, LandingTankKeepsItsContentsAcrossSetUps) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    Apply(t, CONFIG_DROGUE);
    const PROPELLANT_HANDLE tank = Inside(t).burn.tank;
    ASSERT_NE(tank, nullptr);
    EXPECT_EQ(Inside(t).burn.thruster, nullptr) << "the drogue leaves the landing thruster as it was";
    t.SetPropellantMass(tank, 30);
    Apply(t, CONFIG_MAIN_CHUTE);
    EXPECT_EQ(Inside(t).burn.tank, tank);
    ASSERT_NE(Inside(t).burn.thruster, nullptr);
    const THRUSTER_HANDLE chuteThruster = Inside(t).burn.thruster;
    Apply(t, CONFIG_LANDING);
    EXPECT_EQ(Inside(t).burn.tank, tank);
    EXPECT_EQ(t.GetPropellantMass(tank), 30) << "not refilled";
    EXPECT_NE(Inside(t).burn.thruster, chuteThruster);
    EXPECT_EQ(record->def.tanks.size(), 1u);
}

TEST_F(ModuleTest, AttitudeTankIsCutToFortyKilograms) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    ASSERT_NE(Inside(t).descentAttTank, nullptr);
    EXPECT_EQ(t.GetPropellantMass(Inside(t).descentAttTank), 60);
    Apply(t, CONFIG_DESCENT);
    EXPECT_EQ(t.GetPropellantMass(Inside(t).descentAttTank), 40);
    for (const auto& th : record->def.thrusters) EXPECT_EQ(th.tank, sim::IdOf(Inside(t).descentAttTank));

    t.SetPropellantMass(Inside(t).descentAttTank, 35);
    world->trace.clear();
    Apply(t, CONFIG_DESCENT);
    EXPECT_EQ(t.GetPropellantMass(Inside(t).descentAttTank), 35);
    for (const auto& c : Calls()) EXPECT_EQ(c.rfind("SetPropellantMass", 0), std::string::npos) << "left alone";
}

TEST_F(ModuleTest, EmptyHandlesMakeNoHostCall) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    Apply(t, CONFIG_DROGUE);  // deletes both
    world->trace.clear();
    Apply(t, CONFIG_DESCENT);
    for (const auto& c : Calls()) {
        EXPECT_EQ(c.rfind("DelPropellantResource", 0), std::string::npos);
        EXPECT_EQ(c.rfind("GetPropellantMass", 0), std::string::npos);
    }
    EXPECT_EQ(record->def.thrusters[0].tank, 0u) << "without an attitude tank the thrusters have no source";
}

TEST_F(ModuleTest, ANewVisualLeavesTheParachuteConfigurationAsItIs) {
    TalvekVessel t(record->Handle());
    // Under the drogue, above the height at which the main parachute opens.
    record->pos = {0, sim::EARTH_RADIUS + 5000, 0};
    Inside(t).sequencer.configuration = CONFIG_DROGUE;
    t.VisualCreated();
    t.SetPropellantMass(Inside(t).mainTank, 10);
    for (int i = 0; i < 2; ++i) {
        world->AdvanceFrame(0.1);
        t.Timestep();
    }
    ASSERT_NE(Inside(t).burn.tank, nullptr);
    EXPECT_EQ(Inside(t).mainTank, nullptr);
    t.SetPropellantMass(Inside(t).burn.tank, 12);

    const double size = record->def.size;
    const RebuildPhase counter = Inside(t).sequencer.rebuildCounter;
    t.VisualCreated();  // the vessel back in view: no full-stack interlude, no main tank again
    EXPECT_EQ(Inside(t).mainTank, nullptr);
    EXPECT_EQ(record->def.size, size);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, counter);
    EXPECT_EQ(t.GetPropellantMass(Inside(t).burn.tank), 12);
}

TEST_F(ModuleTest, DescentStepsInOrder) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    Inside(t).sequencer.configuration = CONFIG_LANDING;
    world->trace.clear();
    Inside(t).Define(CONFIG_LANDING);
    EXPECT_THAT(CallNames(), ElementsAre("ShiftCentreOfMass", "SetCameraOffset", "DelAnimationComponent", "ClearExhaustRefs",
                                   "ClearAttExhaustRefs", "ClearThrusterDefinitions", "ClearMeshes", "SetSize",
                                   "SetEmptyMass", "SetTouchdownPoints", "SetPMI", "SetCrossSections", "SetCW",
                                   "SetRotDrag", "SetPitchMomentScale", "SetBankMomentScale", "SetLiftCoeffFunc",
                                   "DelPropellantResource", "GetPropellantMass", "SetPropellantMass",
                                   "CreatePropellantResource", "CreateThruster", "AddExhaustStream", "GroundContact",
                                   "SetThrusterLevel", "AddMesh", "SetMeshVisibilityMode", "CreateThruster", "CreateThrusterGroup"));
}

TEST_F(ModuleTest, ParachuteStepsInOrder) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    world->trace.clear();
    Inside(t).Define(CONFIG_MAIN_CHUTE);
    EXPECT_THAT(CallNames(), ElementsAre("DelAnimationComponent", "ShiftCentreOfMass", "SetCameraOffset", "ClearExhaustRefs",
                                   "ClearAttExhaustRefs", "ClearThrusterDefinitions", "ClearMeshes", "SetSize",
                                   "SetEmptyMass", "SetTouchdownPoints", "SetPMI", "SetCrossSections", "SetCW",
                                   "SetRotDrag", "SetPitchMomentScale", "SetBankMomentScale", "SetLiftCoeffFunc",
                                   "DelPropellantResource", "CreatePropellantResource", "CreateThruster",
                                   "AddExhaustStream", "AddMesh", "SetMeshVisibilityMode", "AddMesh",
                                   "SetMeshVisibilityMode"));
}
