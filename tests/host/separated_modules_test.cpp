// The shipped classes against their meshes: the modules that separate from the stack carry
// exactly their part of its mesh, drawn where it was, and every class stands on its touchdown
// points without its mesh reaching below them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "host/hosttypes.h"
#include "sim/mathx.h"
#include "sim/mesh.h"
#include "sim/planet.h"
#include "tests/host/host_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr double SAME_POINT = 1e-3;  // [m] the mesh files hold 0.1 mm

struct PlacedGroup {
    std::string where;  // mesh and label, for the messages
    std::vector<VECTOR3> points;
};

// The groups of a vessel's first mesh in another vessel's frame.
std::vector<PlacedGroup> GroupsIn(const sim::VesselRecord& frame, const sim::VesselRecord& v) {
    std::vector<PlacedGroup> out;
    const sim::MeshSlot& slot = v.def.meshes.at(0);
    for (const auto& g : slot.data->groups) {
        PlacedGroup placed{slot.file + " " + g.label, {}};
        for (const VECTOR3& p : g.vertices)
            placed.points.push_back(frame.rot.Transposed() * (v.pos + v.rot * (p + slot.offset) - frame.pos));
        out.push_back(std::move(placed));
    }
    return out;
}

bool Coincide(const PlacedGroup& a, const PlacedGroup& b) {
    if (a.points.size() != b.points.size()) return false;
    for (size_t i = 0; i < a.points.size(); ++i)
        if (sim::Length(a.points[i] - b.points[i]) > SAME_POINT) return false;
    return true;
}

// The unit normal of the touchdown points' plane on the side of the vessel's centre.
VECTOR3 UpFrom(const VECTOR3* td) {
    VECTOR3 up = sim::Cross(td[1] - td[0], td[2] - td[0]);
    up = up / sim::Length(up);
    return sim::Dot(up, -td[0]) < 0 ? -up : up;
}

class ShippedClasses : public HostTest {};

}  // namespace

TEST_F(ShippedClasses, SeparatedModulesCarryTheirPartOfTheStackWhereItWas) {
    sim::VesselRecord* stack = world->AddVessel("Talvek", "Talvek");
    stack->pos = {sim::EARTH_RADIUS + 400000, 1000, -2000};
    stack->rot = sim::RotationFromAngles({0.3, -1.1, 2.0});
    world->CallVisualCreated(*stack);
    ASSERT_EQ(stack->def.meshes.at(0).file, "talvek");
    char kstate[KEYBOARD_STATE_SIZE] = {};
    kstate[OAPI_KEY_LCONTROL] = kstate[OAPI_KEY_J] = static_cast<char>(0x80);
    ASSERT_EQ(world->DeliverBufferedKey(*stack, OAPI_KEY_J, true, kstate), 1);
    ASSERT_EQ(stack->def.meshes.at(0).file, "talvek") << "the stack's mesh stays until the next steps";

    // Where each group of the stack may have gone: with one of the two released modules, or
    // into the descent module's own mesh, which is drawn in the stack's design frame.
    std::vector<PlacedGroup> released;
    for (const char* name : {"TalvekOrbitMod", "TalvekServiceMod"}) {
        const sim::VesselRecord* module = world->FindByName(name);
        ASSERT_NE(module, nullptr) << name;
        ASSERT_FALSE(module->def.meshes.empty()) << name << " has a MeshName";
        ASSERT_NE(module->def.meshes[0].data, nullptr) << name << "'s mesh exists";
        for (auto& g : GroupsIn(*stack, *module)) released.push_back(std::move(g));
    }
    std::vector<PlacedGroup> kept;
    const auto* descent = world->FindMeshTemplate(world->LoadMesh("talvek-descent"));
    ASSERT_NE(descent, nullptr);
    for (const auto& g : descent->data->groups) {
        PlacedGroup placed{"talvek-descent " + g.label, {}};
        for (const VECTOR3& p : g.vertices) placed.points.push_back(p + stack->def.meshes[0].offset);
        kept.push_back(std::move(placed));
    }

    const std::vector<PlacedGroup> stackGroups = GroupsIn(*stack, *stack);
    for (const PlacedGroup& s : stackGroups) {
        int places = 0;
        for (const auto* list : {&released, &kept})
            for (const PlacedGroup& g : *list) places += Coincide(s, g);
        EXPECT_EQ(places, 1) << s.where << " goes on with exactly one module";
    }
    for (const PlacedGroup& g : released) {
        bool fromStack = false;
        for (const PlacedGroup& s : stackGroups) fromStack = fromStack || Coincide(s, g);
        EXPECT_TRUE(fromStack) << g.where << " was not part of the stack there";
    }
}

TEST_F(ShippedClasses, StandOnTheirTouchdownPointsWithNothingBelow) {
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(talvek_test::BuildRoot() / "Config" / "Vessels")) {
        const std::string cls = entry.path().stem().string();
        SCOPED_TRACE(cls);
        const sim::VesselRecord* v = world->AddVessel("V" + cls, cls);
        const VECTOR3* td = v->def.touchdownPoints;
        ASSERT_GT(sim::Length(sim::Cross(td[1] - td[0], td[2] - td[0])), 0) << "the touchdown points span a plane";
        const VECTOR3 up = UpFrom(td);
        for (const sim::MeshSlot& slot : v->def.meshes) {
            if (!slot.data) continue;
            ++checked;
            for (const auto& g : slot.data->groups)
                for (const VECTOR3& p : g.vertices)
                    ASSERT_GE(sim::Dot(up, p + slot.offset - td[0]), -SAME_POINT)
                        << slot.file << " " << g.label << " reaches below the touchdown points";
        }
    }
    EXPECT_GT(checked, 0);
}

TEST_F(ShippedClasses, SeparatedModulesLieOnTheirHulls) {
    for (const char* cls : {"tlvorbit", "tlvservice"}) {
        SCOPED_TRACE(cls);
        const sim::VesselRecord* v = world->AddVessel(cls, cls);
        ASSERT_FALSE(v->def.meshes.empty());
        const VECTOR3* td = v->def.touchdownPoints;
        const VECTOR3 up = UpFrom(td);
        double lowest = 1e9;
        for (const auto& g : v->def.meshes[0].data->groups)
            for (const VECTOR3& p : g.vertices) lowest = std::min(lowest, sim::Dot(up, p - td[0]));
        EXPECT_NEAR(lowest, 0, SAME_POINT) << "the mesh reaches down to its touchdown points";
    }
}
