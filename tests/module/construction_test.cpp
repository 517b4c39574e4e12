// A new spacecraft object: the carrier's and the spacecraft's fields, what it asks of the
// host, and its destruction.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "carrier/internal/test_access.h"
#include "module_fixture.h"
#include "spacecraft/internal/test_access.h"

using testing::ElementsAre;

TEST_F(ModuleTest, NewCarrierHasAnEmptyTableAndNoMeshes) {
    record->def.meshes.push_back(sim::MeshSlot{});
    TalvekVessel t(record->Handle());
    EXPECT_TRUE(record->def.meshes.empty()) << "construction clears the host vessel's meshes";
    for (const PayloadSlot& slot : t.PayloadTable()) {
        EXPECT_EQ(slot.kind, 0);
        EXPECT_FALSE(slot.attached);
        EXPECT_EQ(slot.parentStage, 0) << "a never-used slot has parent 0, not -1";
        EXPECT_STREQ(slot.vesselName, "");
        EXPECT_STREQ(slot.className, "");
        EXPECT_EQ(slot.mesh.meshHandle, nullptr);
        EXPECT_EQ(slot.mesh.meshName, "");
        EXPECT_EQ(slot.mesh.meshIndex, 0);
        EXPECT_EQ(slot.mass, 0);
        EXPECT_EQ(slot.rotation, 0);
        EXPECT_EQ(slot.fuelLevel, 0);
        EXPECT_EQ(slot.releasePosition.z, 0);
        EXPECT_EQ(slot.releaseVelocity.z, 0);
    }
    EXPECT_EQ(PayloadCarrierTestAccess::OpenStage(t), -1);
    EXPECT_TRUE(PayloadCarrierTestAccess::MeshList(t).empty());
    EXPECT_NE(PayloadCarrierTestAccess::MessageModule(t), nullptr) << "the root's message module";
    EXPECT_EQ(t.meshVisibilityMode, 1);
    EXPECT_EQ(PayloadCarrierTestAccess::ReleaseVelocityOverride(t).x, 0);
    EXPECT_EQ(PayloadCarrierTestAccess::ReleaseVelocityOverride(t).y, 0);
    EXPECT_EQ(PayloadCarrierTestAccess::ReleaseVelocityOverride(t).z, 1);
    EXPECT_FALSE(PayloadCarrierTestAccess::OverridePending(t));
}

TEST_F(ModuleTest, NewSpacecraftFieldsAndHostCallsInOrder) {
    world->trace.clear();
    TalvekVessel t(record->Handle());
    EXPECT_THAT(Calls(), ElementsAre("VESSEL(1)", "ClearMeshes()", "oapiLoadMesh(\"talvek\")",
                                     "oapiLoadMesh(\"talvek-descent\")", "oapiLoadMesh(\"tlvchute\")",
                                     "oapiLoadMesh(\"tlvdrogue\")", "CreateAnimation(0)"));
    EXPECT_EQ(t.GetFlightModel(), 1);
    EXPECT_EQ(Inside(t).mainTank, nullptr);
    EXPECT_EQ(Inside(t).descentAttTank, nullptr);
    EXPECT_EQ(Inside(t).burn.tank, nullptr);
    EXPECT_EQ(Inside(t).mainThruster, nullptr);
    for (const auto& row : Inside(t).attThrusters)
        for (THRUSTER_HANDLE th : row) EXPECT_EQ(th, nullptr);
    EXPECT_EQ(Inside(t).burn.thruster, nullptr);
    EXPECT_EQ(Inside(t).sequencer.configuration, CONFIG_FULL_STACK);
    EXPECT_EQ(Inside(t).cogShift.x, 0);
    EXPECT_EQ(Inside(t).cogShift.y, 0);
    EXPECT_EQ(Inside(t).cogShift.z, 0);
    EXPECT_EQ(Inside(t).arrays.deployAnim, 0) << "the vessel's first animation";
    for (ANIMATIONCOMPONENT_HANDLE c : Inside(t).arrays.deployComponents) EXPECT_EQ(c, nullptr);
    EXPECT_EQ(Inside(t).chute.chuteVessel, nullptr);
    EXPECT_EQ(Inside(t).arrays.panelState, 0.0f);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Idle);
    EXPECT_EQ(Inside(t).dockPort, nullptr);
    EXPECT_EQ(Inside(t).arrays.panelMotion, SolarArrays::PanelMotion::Still);

    // Construction defines no physics.
    EXPECT_TRUE(record->def.meshes.empty());
    EXPECT_TRUE(record->def.tanks.empty());
    EXPECT_TRUE(record->def.thrusters.empty());
    EXPECT_TRUE(record->def.docks.empty());
    ASSERT_EQ(record->def.animations.size(), 1u);
    EXPECT_TRUE(record->def.animations[0].components.empty());
}

TEST_F(ModuleTest, MeshTemplatesAreKeptAsTheHostReturnsThem) {
    root.Write("Meshes/tlvchute.msh", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n");
    testing::internal::CaptureStderr();
    TalvekVessel t(record->Handle());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Inside(t).MeshTemplate(Mesh::MainChute), oapiLoadMesh("tlvchute"));
    EXPECT_NE(Inside(t).MeshTemplate(Mesh::MainChute), nullptr);
}

TEST_F(ModuleTest, MessageModuleIsLoadedWhenPresentAndReleasedWithTheObject) {
    ChangeModules([&] { root.AddFixtureModule("empty_library", "dravomessage"); });
    auto t = std::make_unique<TalvekVessel>(record->Handle());
    EXPECT_NE(PayloadCarrierTestAccess::MessageModule(*t), nullptr);
    t.reset();  // FreeLibrary; the sanitizer build sees any leak
}

TEST_F(ModuleTest, WithoutAMessageModuleTheLinkStaysEmpty) {
    ChangeModules([&] { root.RemoveModule("dravomessage"); });
    TalvekVessel t(record->Handle());
    EXPECT_EQ(PayloadCarrierTestAccess::MessageModule(t), nullptr);
    EXPECT_FALSE(t.PollMessages());
    PayloadCarrierTestAccess::SendVesselMessage(t, &t, "NOTE", "nobody hears this");
    EXPECT_FALSE(t.PollMessages());
}

TEST_F(ModuleTest, ClearVesselMeshesEmptiesHostMeshesAndMeshList) {
    TalvekVessel t(record->Handle());
    t.AddMesh("anything");
    PayloadCarrierTestAccess::MeshList(t).push_back(PayloadMeshEntry{});
    t.ClearVesselMeshes();
    EXPECT_TRUE(record->def.meshes.empty());
    EXPECT_TRUE(PayloadCarrierTestAccess::MeshList(t).empty());
}

TEST_F(ModuleTest, SetReleaseVelocityArmsTheOverride) {
    TalvekVessel t(record->Handle());
    t.SetReleaseVelocity({0, 3, 0});
    EXPECT_TRUE(PayloadCarrierTestAccess::OverridePending(t));
    EXPECT_EQ(PayloadCarrierTestAccess::ReleaseVelocityOverride(t).y, 3);
    EXPECT_EQ(PayloadCarrierTestAccess::ReleaseVelocityOverride(t).z, 0);
}

TEST_F(ModuleTest, SetClassCapsDoesNothing) {
    TalvekVessel t(record->Handle());
    world->trace.clear();
    t.SetClassCaps(nullptr);
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(Inside(t).sequencer.configuration, CONFIG_FULL_STACK);
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Idle);
}

// The first visual gives an undefined vessel its baseline; a visual created again (the vessel back
// in view) leaves a defined vessel as it is.
TEST_F(ModuleTest, VisualCreatedDefinesOnlyAnUndefinedVessel) {
    TalvekVessel t(record->Handle());
    t.VisualCreated();
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Requested);
    Inside(t).sequencer.rebuildCounter = RebuildPhase::Rebuilt;
    world->trace.clear();
    t.VisualCreated();
    EXPECT_EQ(Inside(t).sequencer.rebuildCounter, RebuildPhase::Rebuilt);
    EXPECT_TRUE(Calls().empty());
}
