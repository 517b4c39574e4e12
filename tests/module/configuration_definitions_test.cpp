// What each configuration's set-up leaves in the host's record of the vessel, whatever the order
// of its calls: hull, meshes, tanks in their order, thrusters, groups and the stack's fittings.
// The orders that are part of the contract have their own tests beside the set-ups.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "module_fixture.h"
#include "spacecraft/internal/test_access.h"

using testing::ElementsAreArray;

namespace {

struct Expected {
    const char* name;
    Configuration configuration;
    double size, emptyMass;       // [m], [kg] with one payload of 250 kg attached
    double crossSectionZ;         // [m^2]
    std::vector<std::string> meshes;
    std::vector<double> tanks;    // capacities [kg], in the host's order (PRPLEVEL indices)
    size_t thrusters, groups;
    double landingLevel;          // the last thruster's level; -1 where there is none to look at
    bool dock, transponder;
};
void PrintTo(const Expected& c, std::ostream* os) { *os << c.name; }

class ConfigurationDefinitions : public ModuleTest, public testing::WithParamInterface<Expected> {};

}  // namespace

// From a defined full stack, the rebuild's set-up of each configuration, with a payload aboard.
TEST_P(ConfigurationDefinitions, LeaveTheRecordTheirRowsDescribe) {
    const Expected& c = GetParam();
    record->pos = {7e6, 0, 0};
    TalvekVessel t(record->Handle());
    t.HandleScenarioLine("PAYLOAD Sat1 tlvsat tlvsat 0 1.5 3 250 0 1");
    Inside(t).Define(CONFIG_FULL_STACK);
    Inside(t).sequencer.configuration = c.configuration;
    Inside(t).ApplyConfiguration();
    const sim::VesselDefinition& d = record->def;
    EXPECT_EQ(d.size, c.size);
    EXPECT_EQ(d.emptyMass, c.emptyMass);
    EXPECT_EQ(d.crossSections.z, c.crossSectionZ);
    std::vector<std::string> meshes;
    for (const auto& m : d.meshes) meshes.push_back(m.file);
    EXPECT_THAT(meshes, ElementsAreArray(c.meshes));
    std::vector<double> tanks;
    for (const auto& tank : d.tanks) tanks.push_back(tank.maxMass);
    EXPECT_THAT(tanks, ElementsAreArray(c.tanks));
    EXPECT_EQ(d.thrusters.size(), c.thrusters);
    EXPECT_EQ(d.groups.size(), c.groups);
    if (c.landingLevel >= 0) {
        ASSERT_FALSE(d.thrusters.empty());
        EXPECT_EQ(d.thrusters.front().maxThrust, LANDING_MAX_THRUST);
        EXPECT_EQ(d.thrusters.front().level, c.landingLevel);
    }
    EXPECT_EQ(!d.docks.empty(), c.dock);
    EXPECT_EQ(d.transponder, c.transponder);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConfigurationDefinitions,
    testing::Values(
        Expected{"FullStack", CONFIG_FULL_STACK, 15, 6320 + 250, 6, {"talvek", "tlvsat"}, {900, 60}, 23, 14, -1, true, true},
        // The stack's dock and transponder stay with every later configuration.
        Expected{"Descent", CONFIG_DESCENT, 5, 2950 + 250, 5, {"talvek-descent", "tlvsat"}, {60}, 6, 6, -1, true, true},
        Expected{"Drogue", CONFIG_DROGUE, 80, 2950 + 250, 40, {"talvek-descent", "tlvdrogue", "tlvsat"}, {70}, 0, 0, -1,
                 true, true},
        Expected{"MainChute", CONFIG_MAIN_CHUTE, 80, 2950 + 250, 1000, {"tlvchute", "talvek-descent", "tlvsat"}, {70}, 1,
                 0, 0, true, true},
        // Set up straight from the stack: the attitude tank it finds is kept, cut to 40 kg.
        Expected{"Landing", CONFIG_LANDING, 5, 2950 + 250, 5, {"talvek-descent", "tlvsat"}, {60, 70}, 7, 6, 1, true,
                 true}),
    [](const testing::TestParamInfo<Expected>& info) { return std::string(info.param.name); });
