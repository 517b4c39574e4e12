// The descent, landing and parachute set-ups: what survives them, what they remove, and that a
// second application changes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "module_fixture.h"
#include "sim/app/dump.h"
#include "sim/planet.h"

using testing::ElementsAre;

namespace {

// The vessel's record as JSON without the ids that every rebuild hands out anew.
nlohmann::ordered_json Definition(sim::World& world) {
    nlohmann::ordered_json v = sim::DumpWorld(world)["vessels"][0];
    for (const char* key : {"propellant", "thrusters", "thrusterGroups", "exhaust"})
        for (auto& item : v[key]) {
            item.erase("id");
            item.erase("tank");
            item.erase("thruster");
            item.erase("thrusters");
        }
    v.erase("defaultPropellant");
    return v;
}

void Apply(TalvekVessel& t, std::int16_t configuration) {
    t.sequencer.configuration = configuration;
    t.ApplyConfiguration();
}

class EveryConfiguration : public ModuleTest, public testing::WithParamInterface<int> {};

}  // namespace

TEST_P(EveryConfiguration, ApplyingTwiceLeavesTheVesselWhereOnceLeftIt) {
    TalvekVessel t(record->Handle());
    t.HandleScenarioLine("PAYLOAD Sat1 tlvdrogue tlvorbit 0 1.5 3 250 0 1");
    t.SetupFullStack();
    record->pos = {7e6, 0, 0};
    Apply(t, static_cast<std::int16_t>(GetParam()));
    const auto once = Definition(*world);
    const VECTOR3 shift = t.cogShift;
    Apply(t, static_cast<std::int16_t>(GetParam()));
    EXPECT_EQ(Definition(*world), once);
    EXPECT_EQ(t.cogShift.y, shift.y);
    EXPECT_EQ(t.cogShift.z, shift.z);
    for (ANIMATIONCOMPONENT_HANDLE c : t.arrays.deployComponents) EXPECT_EQ(c, nullptr);
    EXPECT_TRUE(record->def.animations[0].components.empty());
    EXPECT_EQ(t.mainTank, nullptr);
    EXPECT_EQ(record->def.emptyMass, 2950 + 250) << "the empty mass follows the attached payload";
    EXPECT_EQ(record->def.docks.size(), 1u) << "the docking port stays";
    EXPECT_TRUE(record->def.transponder);
}

INSTANTIATE_TEST_SUITE_P(Configurations, EveryConfiguration, testing::Values(1, 2, 3, 4));

TEST_F(ModuleTest, DescentCreatesNoLandingEquipmentTheLandingConfigurationDoes) {
    TalvekVessel t(record->Handle());
    record->pos = {7e6, 0, 0};  // in flight
    t.SetupFullStack();
    Apply(t, CONFIG_DESCENT);
    EXPECT_EQ(t.landingTank, nullptr);
    EXPECT_EQ(t.landingThruster, nullptr);
    EXPECT_TRUE(record->def.exhaust.empty());
    EXPECT_EQ(record->def.thrusters.size(), 6u);

    Apply(t, CONFIG_LANDING);
    ASSERT_NE(t.landingTank, nullptr);
    EXPECT_EQ(t.GetPropellantMass(t.landingTank), 70);
    ASSERT_EQ(record->def.thrusters.size(), 7u);
    const auto& landing = record->def.thrusters[0];
    EXPECT_EQ(landing.id, sim::IdOf(t.landingThruster));
    EXPECT_EQ(landing.pos.z, -1) << "handed over unshifted";
    EXPECT_EQ(landing.maxThrust, 60000);
    EXPECT_EQ(landing.level, 1);
    EXPECT_EQ(record->def.exhaust.size(), 3u);
}

TEST_F(ModuleTest, LandingConfigurationOnTheGroundDoesNotFire) {
    // For instance a landed capsule reloaded with propellant left: a burn would lift it off.
    TalvekVessel t(record->Handle());
    record->landed = true;
    t.SetupFullStack();
    Apply(t, CONFIG_LANDING);
    ASSERT_NE(t.landingThruster, nullptr);
    EXPECT_EQ(record->def.thrusters[0].level, 0);
    EXPECT_EQ(t.GetPropellantMass(t.landingTank), 70);
}

TEST_F(ModuleTest, LandingTankKeepsItsContentsAcrossSetUps) {
    TalvekVessel t(record->Handle());
    t.SetupFullStack();
    Apply(t, CONFIG_DROGUE);
    const PROPELLANT_HANDLE tank = t.landingTank;
    ASSERT_NE(tank, nullptr);
    EXPECT_EQ(t.landingThruster, nullptr) << "the drogue leaves the landing thruster as it was";
    t.SetPropellantMass(tank, 30);
    Apply(t, CONFIG_MAIN_CHUTE);
    EXPECT_EQ(t.landingTank, tank);
    ASSERT_NE(t.landingThruster, nullptr);
    const THRUSTER_HANDLE chuteThruster = t.landingThruster;
    Apply(t, CONFIG_LANDING);
    EXPECT_EQ(t.landingTank, tank);
    EXPECT_EQ(t.GetPropellantMass(tank), 30) << "not refilled";
    EXPECT_NE(t.landingThruster, chuteThruster);
    EXPECT_EQ(record->def.tanks.size(), 1u);
}

TEST_F(ModuleTest, AttitudeTankIsCutToFortyKilograms) {
    TalvekVessel t(record->Handle());
    t.SetupFullStack();
    ASSERT_NE(t.descentAttTank, nullptr);
    EXPECT_EQ(t.GetPropellantMass(t.descentAttTank), 60);
    Apply(t, CONFIG_DESCENT);
    EXPECT_EQ(t.GetPropellantMass(t.descentAttTank), 40);
    for (const auto& th : record->def.thrusters) EXPECT_EQ(th.tank, sim::IdOf(t.descentAttTank));

    t.SetPropellantMass(t.descentAttTank, 35);
    world->trace.clear();
    Apply(t, CONFIG_DESCENT);
    EXPECT_EQ(t.GetPropellantMass(t.descentAttTank), 35);
    for (const auto& c : Calls()) EXPECT_EQ(c.rfind("SetPropellantMass", 0), std::string::npos) << "left alone";
}

TEST_F(ModuleTest, EmptyHandlesMakeNoHostCall) {
    TalvekVessel t(record->Handle());
    t.SetupFullStack();
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
    t.sequencer.configuration = CONFIG_DROGUE;
    t.VisualCreated();
    t.SetPropellantMass(t.mainTank, 10);
    for (int i = 0; i < 2; ++i) {
        world->AdvanceFrame(0.1);
        t.Timestep();
    }
    ASSERT_NE(t.landingTank, nullptr);
    EXPECT_EQ(t.mainTank, nullptr);
    t.SetPropellantMass(t.landingTank, 12);

    const double size = record->def.size;
    const RebuildPhase counter = t.sequencer.rebuildCounter;
    t.VisualCreated();  // the vessel back in view: no full-stack interlude, no main tank again
    EXPECT_EQ(t.mainTank, nullptr);
    EXPECT_EQ(record->def.size, size);
    EXPECT_EQ(t.sequencer.rebuildCounter, counter);
    EXPECT_EQ(t.GetPropellantMass(t.landingTank), 12);
}

TEST_F(ModuleTest, DescentStepsInOrder) {
    TalvekVessel t(record->Handle());
    t.SetupFullStack();
    t.sequencer.configuration = CONFIG_LANDING;
    world->trace.clear();
    t.SetupDescentModule();
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
    t.SetupFullStack();
    world->trace.clear();
    t.SetupMainChute();
    EXPECT_THAT(CallNames(), ElementsAre("DelAnimationComponent", "ShiftCentreOfMass", "SetCameraOffset", "ClearExhaustRefs",
                                   "ClearAttExhaustRefs", "ClearThrusterDefinitions", "ClearMeshes", "SetSize",
                                   "SetEmptyMass", "SetTouchdownPoints", "SetPMI", "SetCrossSections", "SetCW",
                                   "SetRotDrag", "SetPitchMomentScale", "SetBankMomentScale", "SetLiftCoeffFunc",
                                   "DelPropellantResource", "CreatePropellantResource", "CreateThruster",
                                   "AddExhaustStream", "AddMesh", "SetMeshVisibilityMode", "AddMesh",
                                   "SetMeshVisibilityMode"));
}
