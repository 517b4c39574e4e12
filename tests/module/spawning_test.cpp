// Vessels created at a local position of the carrier, and the module separation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "vectors.h"

#include "module_fixture.h"
#include "sim/mathx.h"
#include "sim/physics.h"
#include "spacecraft/internal/test_access.h"

namespace {

constexpr const char* PROBE = "ClassName = Probe\nMass = 100\nPropellantResource1 = 10\nMaxMainThrust = 100\n";

class Spawning : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        root.Write("Config/Probe.cfg", PROBE);
        record->pos = {6.8e6, 1000, -2000};
        record->vel = {10, -20, 7500};
        record->angVel = {0.01, 0.02, -0.03};
        record->rot = sim::RotationFromAngles({0.3, -1.1, 2.0});
    }
    // A point of the world in the carrier's frame.
    VECTOR3 InCarrierFrame(const VECTOR3& global) const { return record->rot.Transposed() * (global - record->pos); }
};

}  // namespace

TEST_F(Spawning, ChildStartsAtTheLocalPointWithTheCarriersMotionPlusTheChange) {
    TalvekVessel t(record->Handle());
    THRUSTER_HANDLE main = t.CreateThruster({0, 0, 0}, {0, 0, 1}, 10);
    t.CreateThrusterGroup(&main, 1, THGROUP_MAIN);
    t.SetThrusterLevel(main, 0.7);
    VESSEL* child = t.SpawnChildVessel("Child", "Probe", {1, 2, 3}, {0, 0, 2}, {0.1, 0, 0});
    ASSERT_NE(child, nullptr);
    const sim::VesselRecord* c = world->Find(child->GetHandle());
    ExpectNear(InCarrierFrame(c->pos), {1, 2, 3}, 1e-6);
    ExpectNear(record->rot.Transposed() * (c->vel - record->vel), {0, 0, 2}, 1e-6);
    // The carrier's rotation plus the change, as the module states rotations (VESSELSTATUS.vrot).
    ExpectNear(sim::HostAngularVelocity(c->angVel), sim::HostAngularVelocity(record->angVel) + VECTOR3{0.1, 0, 0}, 1e-12);
    ExpectNear(sim::AnglesFromRotation(c->rot), sim::AnglesFromRotation(record->rot), 1e-12);
    EXPECT_EQ(c->def.thrusters[0].level, 0) << "engine levels start at 0";
    EXPECT_EQ(child->GetName(), std::string("Child"));
}

TEST_F(Spawning, RefusedVesselGivesNull) {
    TalvekVessel t(record->Handle());
    testing::internal::CaptureStderr();
    EXPECT_EQ(t.SpawnChildVessel("X", "NoSuchClass", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}), nullptr);
    testing::internal::GetCapturedStderr();
}

TEST_F(Spawning, SeparationReleasesBothModulesAndArmsTheDescentModule) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    Inside(t).Enter(*Inside(t).sequencer.ByKey());
    const sim::VesselRecord* orbital = world->FindByName("TalvekOrbitMod");
    const sim::VesselRecord* service = world->FindByName("TalvekServiceMod");
    ASSERT_NE(orbital, nullptr);
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(orbital->ClassName(), "tlvorbit");
    EXPECT_EQ(service->ClassName(), "tlvservice");
    ExpectNear(InCarrierFrame(orbital->pos), {0.45, 0.6, 2.75}, 1e-6);
    ExpectNear(InCarrierFrame(service->pos), {0, 0.2, -2.2}, 1e-6);
    ExpectNear(record->rot.Transposed() * (orbital->vel - record->vel), {0, 0, 0.5}, 1e-6);
    ExpectNear(record->rot.Transposed() * (service->vel - record->vel), {0, 0, -0.5}, 1e-6);
    EXPECT_EQ(Inside(t).sequencer.configuration, CONFIG_DESCENT);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Requested);

    // For two steps the spacecraft still carries the full stack.
    world->AdvanceFrame(1.0 / 60);
    t.Timestep();
    EXPECT_EQ(record->def.meshes[0].file, "talvek");
    world->AdvanceFrame(1.0 / 60);
    t.Timestep();
    EXPECT_EQ(record->def.meshes[0].file, "talvek-descent");
}

TEST_F(Spawning, ModulesAreReleasedAtDesignPositionsMinusTheShift) {
    TalvekVessel t(record->Handle());
    Inside(t).cogShift = {0, -0.1, -0.5};
    Inside(t).SeparateModules();
    ExpectNear(InCarrierFrame(world->FindByName("TalvekOrbitMod")->pos), {0.45, 0.7, 3.25}, 1e-6);
}
