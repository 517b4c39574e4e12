// Spawned vessels take a free name when the one they are given is taken.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "module_fixture.h"
#include "spacecraft/internal/test_access.h"

using testing::UnorderedElementsAre;

namespace {

class NameCollision : public ModuleTest {
protected:
    std::vector<std::string> NamesOfClass(const std::string& cls) const {
        std::vector<std::string> names;
        for (const auto& v : world->Vessels())
            if (v->ClassName() == cls) names.push_back(v->name);
        return names;
    }
};

}  // namespace

TEST_F(NameCollision, EverySpacecraftThatSeparatesGetsBothModules) {
    sim::VesselRecord* second = world->AddVessel("T2", "Shell");
    sim::VesselRecord* third = world->AddVessel("T3", "Shell");
    TalvekVessel a(record->Handle()), b(second->Handle()), c(third->Handle());
    for (TalvekVessel* t : {&a, &b, &c}) Inside(*t).SeparateModules();
    EXPECT_THAT(NamesOfClass("tlvorbit"), UnorderedElementsAre("TalvekOrbitMod", "TalvekOrbitMod-2", "TalvekOrbitMod-3"));
    EXPECT_THAT(NamesOfClass("tlvservice"),
                UnorderedElementsAre("TalvekServiceMod", "TalvekServiceMod-2", "TalvekServiceMod-3"));
    EXPECT_EQ(world->Vessels().size(), 3u + 6u) << "no module was refused";
}

namespace {
struct NameCase {
    const char* label;
    std::string given;
    std::vector<std::string> taken;  // names that exist before the spawn
    std::string expected;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }
class FreeNames : public ModuleTest, public testing::WithParamInterface<NameCase> {};

const std::string LONG_127(127, 'n');
}  // namespace

TEST_P(FreeNames, SpawnTakesTheFirstFreeName) {
    for (const auto& name : GetParam().taken) world->AddVessel(name, "Shell");
    TalvekVessel t(record->Handle());
    VESSEL* child = t.SpawnChildVessel(GetParam().given.c_str(), "Shell", {0, 0, 1}, {0, 0, 0}, {0, 0, 0});
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(std::string(child->GetName()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FreeNames,
    testing::Values(NameCase{"free name kept", "Pod", {"Other"}, "Pod"},
                    NameCase{"taken gets -2", "Pod", {"Pod"}, "Pod-2"},
                    NameCase{"first gap", "Pod", {"Pod", "Pod-2", "Pod-4"}, "Pod-3"},
                    NameCase{"suffix fits 127 characters", LONG_127, {LONG_127}, std::string(125, 'n') + "-2"},
                    NameCase{"the carrier's own name", "T", {}, "T-2"}),
    [](const testing::TestParamInfo<NameCase>& info) {
        std::string n = info.param.label;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

namespace {
struct RepairCase {
    const char* label;
    std::string given;
    std::vector<std::string> taken;
    std::string expected;
    bool logged;
};
void PrintTo(const RepairCase& c, std::ostream* os) { *os << c.label; }
class RepairedNames : public ModuleTest, public testing::WithParamInterface<RepairCase> {};
}  // namespace

// A vessel the carrier creates bears a name that a scenario holds and the host reads back; each
// character that would break that becomes '_', and the log says so.
TEST_P(RepairedNames, SpawnGetsANameAScenarioReadsBack) {
    for (const auto& name : GetParam().taken) world->AddVessel(name, "Shell");
    TalvekVessel t(record->Handle());
    world->log.clear();
    VESSEL* child = t.SpawnChildVessel(GetParam().given.c_str(), "Shell", {0, 0, 1}, {0, 0, 0}, {0, 0, 0});
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(std::string(child->GetName()), GetParam().expected);
    if (GetParam().logged) {
        ASSERT_EQ(world->log.size(), 1u);
        EXPECT_THAT(world->log[0], testing::StartsWith("T: vessel name '"));
        EXPECT_THAT(world->log[0], testing::HasSubstr("the vessel is named '" + GetParam().expected + "'"));
    } else {
        EXPECT_TRUE(world->log.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RepairedNames,
    testing::Values(RepairCase{"readable name kept", "Pod.A-1", {}, "Pod.A-1", false},
                    RepairCase{"colon", "Pod:1", {}, "Pod_1", true},
                    RepairCase{"semicolon", "Pod;1", {}, "Pod_1", true},
                    RepairCase{"blanks", " Pod 1\t", {}, "_Pod_1_", true},
                    RepairCase{"line breaks", "Pod\r\n1", {}, "Pod__1", true},
                    RepairCase{"control and delete", "\x1bPod\x7f", {}, "_Pod_", true},
                    RepairCase{"bytes above ASCII kept", "Pod\xc3\xa9", {}, "Pod\xc3\xa9", false},
                    RepairCase{"repaired name taken", "Pod:1", {"Pod_1"}, "Pod_1-2", true}),
    [](const testing::TestParamInfo<RepairCase>& info) {
        std::string n = info.param.label;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });
