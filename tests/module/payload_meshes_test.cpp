// Drawing and weighing the attached payloads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "carrier/internal/test_access.h"
#include "module_fixture.h"

namespace {

void Attach(PayloadCarrier& c, int i, const VECTOR3& position, double mass, const char* mesh = "tlvdrogue") {
    PayloadSlot& s = PayloadCarrierTestAccess::Slot(c, i);
    s.attached = true;
    s.parentStage = -1;
    s.mass = mass;
    s.mesh.position = position;
    s.mesh.meshName = mesh;
    s.mesh.meshHandle = oapiLoadMesh(mesh);
}

struct MassCase {
    std::vector<std::pair<VECTOR3, double>> payloads;  // position, mass
    double total;
    VECTOR3 centre;
};

void PrintTo(const MassCase& c, std::ostream* os) { *os << c.payloads.size() << " payloads, " << c.total << " kg"; }

class PayloadMass : public ModuleTest, public testing::WithParamInterface<MassCase> {};

}  // namespace

TEST_P(PayloadMass, TotalAndMassWeightedCentre) {
    TalvekVessel t(record->Handle());
    int i = 0;
    for (const auto& [pos, mass] : GetParam().payloads) Attach(t, i++, pos, mass);
    VECTOR3 centre{9, 9, 9};
    EXPECT_DOUBLE_EQ(t.GetPayloadMass(centre), GetParam().total);
    EXPECT_DOUBLE_EQ(centre.x, GetParam().centre.x);
    EXPECT_DOUBLE_EQ(centre.y, GetParam().centre.y);
    EXPECT_DOUBLE_EQ(centre.z, GetParam().centre.z);
    EXPECT_DOUBLE_EQ(t.GetPayloadMass(), GetParam().total);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PayloadMass,
    testing::Values(MassCase{{}, 0, {0, 0, 0}},
                    MassCase{{{{0, 0, 2}, 100}, {{0, 0, -2}, 300}}, 400, {0, 0, -1}},
                    MassCase{{{{0, 0, 1000}, 0.0001}}, 0.0001, {0, 0, 0.1}},  // at the threshold: not divided
                    MassCase{{{{0, 0, 1000}, 0.0002}}, 0.0002, {0, 0, 1000}},
                    MassCase{{{{1, 2, 3}, 50}, {{-1, 0, 3}, 50}}, 100, {0, 1, 3}}));

TEST_F(ModuleTest, NestedSlotsAndSlot49AreWeighedAndDrawn) {
    TalvekVessel t(record->Handle());
    Attach(t, 0, {0, 0, 1}, 10);
    PayloadCarrierTestAccess::Slot(t, 0).kind = PAYLOAD_KIND_STAGE;
    Attach(t, 1, {0, 0, 2}, 20);
    PayloadCarrierTestAccess::Slot(t, 1).parentStage = 0;
    Attach(t, 49, {0, 0, 3}, 30);
    EXPECT_EQ(t.GetPayloadMass(), 60);
    t.PlacePayloadMeshes();
    EXPECT_EQ(record->def.meshes.size(), 3u);
    EXPECT_EQ(record->def.meshes[2].offset.z, 3);
}

TEST_F(ModuleTest, PlacementOffsetGivesReleasePositionAndMeshOffset) {
    TalvekVessel t(record->Handle());
    t.AddMesh("talvek");
    Attach(t, 0, {1, 2, 3}, 100);
    t.meshVisibilityMode = 3;
    t.PlacePayloadMeshes({0, 0.1, 0});
    EXPECT_DOUBLE_EQ(t.PayloadTable()[0].releasePosition.y, 2.1);
    EXPECT_EQ(t.PayloadTable()[0].releasePosition.z, 3);
    EXPECT_EQ(t.PayloadTable()[0].mesh.position.y, 2) << "the design position stays";
    ASSERT_EQ(record->def.meshes.size(), 2u);
    EXPECT_DOUBLE_EQ(record->def.meshes[1].offset.y, 2.1);
    EXPECT_EQ(record->def.meshes[1].file, "tlvdrogue");
    EXPECT_EQ(record->def.meshes[1].visibility, 3);
    ASSERT_EQ(PayloadCarrierTestAccess::MeshList(t).size(), 1u);
    EXPECT_EQ(PayloadCarrierTestAccess::MeshList(t)[0].meshIndex, 1) << "the copy records the host's index";
    EXPECT_EQ(t.PayloadTable()[0].mesh.meshIndex, 0) << "the slot's own entry keeps 0";
}

TEST_F(ModuleTest, PlacingTwiceWithoutClearingAddsEveryMeshThreeTimes) {
    TalvekVessel t(record->Handle());
    Attach(t, 0, {0, 0, 5}, 1);
    t.PlacePayloadMeshes({0, 0, 0});
    t.PlacePayloadMeshes({0, 1, 0});
    EXPECT_EQ(record->def.meshes.size(), 3u);
    EXPECT_EQ(PayloadCarrierTestAccess::MeshList(t).size(), 2u);
    EXPECT_EQ(record->def.meshes[2].offset.y, 1) << "earlier entries are added again with the current offset";
    t.ClearVesselMeshes();
    t.PlacePayloadMeshes({0, 0, 0});
    EXPECT_EQ(record->def.meshes.size(), 1u);
}

TEST_F(ModuleTest, NullTemplateIsPlacedAllTheSame) {
    TalvekVessel t(record->Handle());
    testing::internal::CaptureStderr();
    Attach(t, 0, {0, 0, 1}, 1, "no-such-mesh");
    testing::internal::GetCapturedStderr();
    t.PlacePayloadMeshes();
    ASSERT_EQ(record->def.meshes.size(), 1u);
    EXPECT_EQ(record->def.meshes[0].data, nullptr);
}
