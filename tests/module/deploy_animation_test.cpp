// The deployment animation: its components, the panel motion and where the host puts the wings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "module_fixture.h"
#include "sim/animation.h"
#include "sim/mesh.h"
#include "spacecraft/internal/test_access.h"

TEST_F(ModuleTest, SixteenComponentsAsTheRecordsDescribeThem) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    const auto& comps = record->def.animations[0].components;
    ASSERT_EQ(comps.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(comps[i].id, sim::IdOf(Inside(t).arrays.deployComponents[i]));
        EXPECT_EQ(comps[i].trans, Inside(t).arrays.deployRecords[i].get());
    }
    for (int i = 16; i < 20; ++i) EXPECT_EQ(Inside(t).arrays.deployComponents[i], nullptr);

    const auto* wing4 = static_cast<const MGROUP_ROTATE*>(comps[3].trans);
    ASSERT_EQ(wing4->Type(), MGROUP_TRANSFORM::ROTATE);
    ASSERT_EQ(wing4->ngrp, 2u);
    EXPECT_EQ(wing4->grp[0], 19u) << "19 before 18";
    EXPECT_EQ(wing4->grp[1], 18u);
    EXPECT_EQ(wing4->angle, static_cast<float>(-178 * 3.14159265358979 / 180));
    EXPECT_EQ(comps[3].parent, comps[2].id);
    EXPECT_EQ(comps[3].start, 0.1);
    EXPECT_EQ(comps[3].end, 0.9);

    const auto* probe = comps[13].trans;
    ASSERT_EQ(probe->Type(), MGROUP_TRANSFORM::TRANSLATE);
    EXPECT_EQ(static_cast<const MGROUP_TRANSLATE*>(probe)->shift.y, -0.4);
    EXPECT_EQ(comps[13].parent, 0u);

    const auto* antenna = static_cast<const MGROUP_ROTATE*>(comps[15].trans);
    EXPECT_EQ(antenna->axis.x, 0.574) << "passed unnormalised";
    EXPECT_EQ(antenna->axis.y, 1);
    EXPECT_EQ(comps[15].parent, comps[14].id);
    EXPECT_EQ(comps[10].start, 0.27);
    EXPECT_EQ(comps[9].start, 0.31);
}

TEST_F(ModuleTest, AThousandRebuildsHoldSixteenRecords) {
    TalvekVessel t(record->Handle());
    for (int i = 0; i < 1000; ++i) Inside(t).Define(CONFIG_FULL_STACK);
    const auto& comps = record->def.animations[0].components;
    ASSERT_EQ(comps.size(), 16u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(comps[i].trans, Inside(t).arrays.deployRecords[i].get()) << "every held record is alive";
    EXPECT_EQ(record->def.thrusters.size(), 23u);
}

namespace {
struct MotionCase {
    double frameDt;
    double timeAcceleration;
};
void PrintTo(const MotionCase& c, std::ostream* os) { *os << c.frameDt << " s frames x" << c.timeAcceleration; }
class PanelMotion : public ModuleTest, public testing::WithParamInterface<MotionCase> {};
}  // namespace

TEST_P(PanelMotion, RisesAtATenthPerSecondToExactlyOneAndStops) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    world->SetTimeAcceleration(GetParam().timeAcceleration);
    Inside(t).arrays.panelMotion = SolarArrays::PanelMotion::Deploying;
    int frames = 0;
    while (Inside(t).arrays.panelMotion != SolarArrays::PanelMotion::Still && frames < 100000) {
        world->AdvanceFrame(GetParam().frameDt);
        t.Timestep();
        ++frames;
        if (Inside(t).arrays.panelMotion != SolarArrays::PanelMotion::Still) {
            EXPECT_NEAR(Inside(t).arrays.panelState, 0.1 * world->SimTime(), 1e-5);
        }
    }
    EXPECT_EQ(Inside(t).arrays.panelState, 1.0f);
    EXPECT_EQ(record->def.animations[0].state, 1.0);
    EXPECT_GE(world->SimTime(), 10.0 - 1e-9) << "the step whose sum passes 1 ends the motion";
    EXPECT_LT(world->SimTime(), 10.0 + GetParam().frameDt * GetParam().timeAcceleration + 1e-9);

    world->AdvanceFrame(GetParam().frameDt);
    world->trace.clear();
    t.Timestep();
    for (const auto& c : Calls()) EXPECT_EQ(c.find("SetAnimation"), std::string::npos) << "still: nothing happens";

    Inside(t).arrays.panelMotion = SolarArrays::PanelMotion::Retracting;
    while (Inside(t).arrays.panelMotion != SolarArrays::PanelMotion::Still) {
        world->AdvanceFrame(GetParam().frameDt);
        t.Timestep();
    }
    EXPECT_EQ(Inside(t).arrays.panelState, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Steps, PanelMotion,
                         testing::Values(MotionCase{1.0 / 60, 1}, MotionCase{0.3, 1}, MotionCase{0.25, 4},
                                         MotionCase{1.0 / 60, 10}));

TEST_F(ModuleTest, WingsUnfoldOutwardAndLevel) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    const auto& mesh = *record->def.meshes[0].data;
    auto extent = [&](UINT group, double state) {
        record->def.animations[0].state = state;
        double minX = 1e9, maxX = -1e9, maxAbsY = 0;
        for (const VECTOR3& p : mesh.groups[group].vertices) {
            const VECTOR3 q = sim::AnimatedPoint(*record, 0, group, p);
            minX = std::min(minX, q.x);
            maxX = std::max(maxX, q.x);
            maxAbsY = std::max(maxAbsY, std::fabs(q.y));
        }
        return std::array<double, 3>{minX, maxX, maxAbsY};
    };
    // Stowed: the left wing's last segment stands against the hull.
    auto stowed = extent(19, 0);
    EXPECT_NEAR(stowed[0], -1.185, 1e-9);
    EXPECT_NEAR(stowed[2], 0.63, 1e-9);
    // Deployed: it lies level, outermost, beyond 4.4 m of wing.
    auto left = extent(19, 1);
    EXPECT_LT(left[0], -1.1 - 0.63 - 2 * 1.26 - 1.0);
    EXPECT_LT(left[2], 0.25) << "level with the hull's middle";
    auto right = extent(23, 1);
    EXPECT_NEAR(right[1], -left[0], 1e-6) << "the wings mirror each other";
    // Halfway the root hinge has turned 45 degrees: segment 1's tip stands at equal x and y distance.
    record->def.animations[0].state = 0.5;
    const VECTOR3 tip = sim::AnimatedPoint(*record, 0, 16, {-1.1, 0.63, 0});
    EXPECT_NEAR(tip.x + 1.1, -tip.y, 1e-6) << "the angle is stored as a float";
    EXPECT_NEAR(tip.y, 0.63 * std::cos(3.14159265358979 / 4), 1e-6);
    // The docking probe moves only in the last fifth.
    record->def.animations[0].state = 0.8;
    EXPECT_EQ(sim::AnimatedPoint(*record, 0, 4, {0, 0, 4.9}).y, 0);
    record->def.animations[0].state = 0.9;
    EXPECT_NEAR(sim::AnimatedPoint(*record, 0, 4, {0, 0, 4.9}).y, -0.2, 1e-12);
}
