// The vessel interface stores what it is given and removes what it is told to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/vectors.h"

#include <cmath>

#include "host/orbiter.h"
#include "sim/mathx.h"
#include "tests/host/host_fixture.h"


TEST_F(HostTest, PropellantTanks) {
    sim::VesselRecord* v = Probe();
    VESSEL& vessel = *v->iface;
    PROPELLANT_HANDLE full = vessel.CreatePropellantResource(900);
    PROPELLANT_HANDLE part = vessel.CreatePropellantResource(70, 20, 0.5);
    EXPECT_EQ(vessel.GetPropellantMass(full), 900);
    EXPECT_EQ(vessel.GetPropellantMass(part), 20);
    vessel.SetPropellantMass(part, 500);
    EXPECT_EQ(vessel.GetPropellantMass(part), 70) << "held within the tank's capacity";

    THRUSTER_HANDLE th = vessel.CreateThruster({0, 0, -1}, {0, 0, 1}, 100, part, 200);
    vessel.SetDefaultPropellantResource(part);
    EXPECT_EQ(vessel.GetMaxFuelMass(), 70);
    vessel.SetFuelMass(35);
    EXPECT_EQ(vessel.GetPropellantMass(part), 35);

    PROPELLANT_HANDLE copy = part;
    vessel.DelPropellantResource(part);
    EXPECT_EQ(part, nullptr) << "the caller's handle is nulled";
    EXPECT_EQ(vessel.GetPropellantMass(copy), 0);
    EXPECT_EQ(v->def.FindThruster(sim::IdOf(th))->tank, 0u) << "its thrusters lose their tank";
    EXPECT_NE(v->def.defaultTank, sim::IdOf(copy));
    EXPECT_EQ(v->def.tanks.size(), 2u);  // the class tank and the 900 kg one
}

TEST_F(HostTest, ClearingThrusterDefinitionsRemovesThrustersGroupsAndStreams) {
    sim::VesselRecord* v = Probe();
    VESSEL& vessel = *v->iface;
    THRUSTER_HANDLE th[2] = {vessel.CreateThruster({1, 0, 0}, {0, 1, 0}, 10), vessel.CreateThruster({-1, 0, 0}, {0, 1, 0}, 10)};
    vessel.CreateThrusterGroup(th, 2, THGROUP_ATT_UP);
    PARTICLESTREAMSPEC spec{};
    spec.srcsize = 0.05;
    vessel.AddExhaustStream(th[0], &spec);
    vessel.AddExhaustStream(th[1], {0, 0, 1}, &spec);
    ASSERT_EQ(v->def.exhaust.size(), 2u);
    EXPECT_FALSE(v->def.exhaust[0].pos);
    EXPECT_EQ(v->def.exhaust[1].pos->z, 1);
    EXPECT_EQ(v->def.exhaust[1].spec.srcsize, 0.05);
    EXPECT_EQ(v->def.groups.back().thrusters, (std::vector<sim::Id>{sim::IdOf(th[0]), sim::IdOf(th[1])}));

    vessel.ClearExhaustRefs();
    vessel.ClearAttExhaustRefs();
    EXPECT_EQ(v->def.exhaust.size(), 2u) << "exhaust references are not particle streams";
    vessel.ClearThrusterDefinitions();
    EXPECT_TRUE(v->def.thrusters.empty());
    EXPECT_TRUE(v->def.groups.empty());
    EXPECT_TRUE(v->def.exhaust.empty());
    vessel.SetThrusterLevel(th[0], 1);  // a removed thruster: nothing happens
}

TEST_F(HostTest, MeshesAndAnimations) {
    root.Write("Meshes/box.msh", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n");
    sim::VesselRecord* v = Probe();
    VESSEL& vessel = *v->iface;
    const VECTOR3 ofs{0, 0.1, 72};
    EXPECT_EQ(vessel.AddMesh("box", &ofs), 0u);
    EXPECT_EQ(vessel.AddMesh(oapiLoadMesh("box")), 1u);
    testing::internal::CaptureStderr();
    EXPECT_EQ(vessel.AddMesh("missing"), 2u);
    testing::internal::GetCapturedStderr();
    vessel.SetMeshVisibilityMode(0, 3);
    vessel.SetMeshVisibilityMode(7, 3);  // no such mesh: nothing changes
    EXPECT_EQ(v->def.meshes[0].visibility, 3);
    EXPECT_EQ(v->def.meshes.size(), 3u);
    EXPECT_EQ(v->def.meshes[0].offset.z, 72);
    EXPECT_EQ(v->def.meshes[1].file, "box");
    EXPECT_EQ(v->def.meshes[2].data, nullptr);
    vessel.ClearMeshes();
    EXPECT_TRUE(v->def.meshes.empty());
    EXPECT_EQ(vessel.AddMesh("box"), 0u) << "indices start again after clearing";

    const UINT anim = vessel.CreateAnimation(0.25);
    static UINT groups[] = {0};
    MGROUP_ROTATE rot(0, groups, 1, {0, 0, 0}, {0, 0, 1}, 1.5f);
    MGROUP_TRANSLATE shift(0, groups, 1, {0, 1, 0});
    ANIMATIONCOMPONENT_HANDLE parent = vessel.AddAnimationComponent(anim, 0, 0.5, &rot);
    ANIMATIONCOMPONENT_HANDLE child = vessel.AddAnimationComponent(anim, 0.5, 1, &shift, parent);
    EXPECT_EQ(vessel.AddAnimationComponent(anim + 1, 0, 1, &rot), nullptr) << "no such animation";
    ASSERT_EQ(v->def.animations[anim].components.size(), 2u);
    EXPECT_EQ(v->def.animations[anim].components[1].parent, sim::IdOf(parent));
    EXPECT_TRUE(vessel.SetAnimation(anim, 0.75));
    EXPECT_EQ(v->def.animations[anim].state, 0.75);
    EXPECT_TRUE(vessel.DelAnimationComponent(anim, parent));
    EXPECT_FALSE(vessel.DelAnimationComponent(anim, parent));
    ASSERT_EQ(v->def.animations[anim].components.size(), 1u);
    EXPECT_EQ(v->def.animations[anim].components[0].parent, 0u) << "a child of a removed component has no parent";
    EXPECT_TRUE(vessel.DelAnimationComponent(anim, child));
}

TEST_F(HostTest, ShiftingTheCentreOfMassKeepsTheBodyInPlace) {
    sim::VesselRecord* v = Probe();
    VESSEL& vessel = *v->iface;
    v->pos = {7e6, 1000, -20};
    v->rot = sim::RotationFromAngles({0.3, -0.7, 1.1});
    const VECTOR3 nose{0, 0, 4.615};
    VECTOR3 before;
    vessel.Local2Rel(nose, before);
    const VECTOR3 shift{0, -0.1, -0.5};
    vessel.ShiftCentreOfMass(shift);
    VECTOR3 after;
    vessel.Local2Rel(nose - shift, after);
    ExpectNear(after, before, 1e-7);
}

TEST_F(HostTest, GlobalRotAndStatusFollowTheOrientationConvention) {
    sim::VesselRecord* v = Probe();
    VESSEL& vessel = *v->iface;
    const VECTOR3 arot{0.4, -0.2, 1.3};
    v->rot = sim::RotationFromAngles(arot);
    VESSELSTATUS st;
    vessel.GetStatus(st);
    ExpectNear(st.arot, arot);
    // R = Rx(a) Ry(b) Rz(g): the vessel's x axis in global axes is R's first column.
    VECTOR3 gx;
    vessel.GlobalRot({1, 0, 0}, gx);
    const double a = arot.x, b = arot.y, g = arot.z;
    ExpectNear(gx, {std::cos(b) * std::cos(g), std::sin(a) * std::sin(b) * std::cos(g) - std::cos(a) * std::sin(g),
                    std::cos(a) * std::sin(b) * std::cos(g) + std::sin(a) * std::sin(g)});
    EXPECT_EQ(st.fuel, 1.0);
    EXPECT_EQ(st.status, 0);
}

TEST_F(HostTest, CreatedVesselTakesTheGivenStatus) {
    VESSELSTATUS st{};
    st.rpos = {7e6, 0, 0};
    st.rvel = {0, 0, 7500};
    st.vrot = {0.1, 0, 0};
    st.arot = {0, 0.5, 0};
    st.fuel = 0.5;
    st.eng_main = 1.0;
    st.flag[0] = sim::STATUS_SETS_FUEL | sim::STATUS_SETS_ENGINES;
    OBJHANDLE h = oapiCreateVessel("New", "Probe", st);
    sim::VesselRecord* v = world->Find(h);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->pos.x, 7e6);
    EXPECT_EQ(v->vel.z, 7500);
    EXPECT_NEAR(sim::AnglesFromRotation(v->rot).y, 0.5, 1e-12);
    EXPECT_EQ(v->def.tanks[0].mass, 25);
    EXPECT_EQ(v->def.thrusters[0].level, 1.0);
    EXPECT_EQ(oapiCreateVessel("Other", "NoSuchClass", st), nullptr) << "an unknown class gives a null handle";
}

TEST_F(HostTest, TraceRecordsCallsInOrderWithTheirArguments) {
    sim::VesselRecord* v = Probe();
    world->trace.clear();
    v->iface->SetSize(15);
    v->iface->SetCW(1.1, 2.2, 3.5, 3.5);
    const VECTOR3 o{0, -1.5, 1.5};
    v->iface->SetCameraOffset(o);
    ASSERT_EQ(world->trace.size(), 3u);
    EXPECT_EQ(world->trace[0].vessel, "P");
    EXPECT_EQ(world->trace[0].call, "SetSize");
    EXPECT_EQ(world->trace[0].args, "15");
    EXPECT_EQ(world->trace[1].args, "1.1, 2.2, 3.5, 3.5");
    EXPECT_EQ(world->trace[2].args, "(0, -1.5, 1.5)");
}

// The trace words each argument as it was given while a trace is kept; with tracing off the
// calls still act but leave nothing.
TEST_F(HostTest, CallsAreTracedWithTheirArgumentsOnlyWhileTracing) {
    sim::VesselRecord* v = Probe();
    VESSEL& vessel = *v->iface;
    for (bool tracing : {true, false}) {
        world->tracing = tracing;
        world->trace.clear();
        THRUSTER_HANDLE th[2] = {vessel.CreateThruster({1, 0, 0.5}, {0, -1, 0}, 10, nullptr, 300, 0, 1e5), nullptr};
        vessel.CreateThrusterGroup(th, 2, THGROUP_ATT_UP);
        vessel.SetSize(2.25 + (tracing ? 0 : 1));
        oapiSetTimeAcceleration(10);
        EXPECT_EQ(v->def.size, tracing ? 2.25 : 3.25);
        EXPECT_EQ(world->TimeAcceleration(), 10);
        if (!tracing) {
            EXPECT_TRUE(world->trace.empty());
            continue;
        }
        const std::string id = "#" + std::to_string(sim::IdOf(th[0]));
        std::vector<std::string> lines;
        for (const auto& t : world->trace) lines.push_back(t.vessel + " " + t.call + "(" + t.args + ")");
        EXPECT_THAT(lines, testing::ElementsAre("P CreateThruster((1, 0, 0.5), (0, -1, 0), 10, null, 300, 0, 1e+05)",
                                                "P CreateThrusterGroup(\"[" + id + " null]\", 2, " +
                                                    std::to_string(THGROUP_ATT_UP) + ")",
                                                "P SetSize(2.25)", " oapiSetTimeAcceleration(10)"));
    }
}
