// Each configuration's hull record, applied alone, makes the same host calls as that part of the
// configuration's own set-up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/module/module_fixture.h"
#include "spacecraft/internal/test_access.h"

namespace {

struct HullCase {
    const char* name;
    Configuration configuration;
    const HullDefinition* hull;
};
void PrintTo(const HullCase& c, std::ostream* os) { *os << c.name; }

class HullRecords : public ModuleTest, public testing::WithParamInterface<HullCase> {};

}  // namespace

TEST_P(HullRecords, AppliedAloneGiveTheSetUpsCallsInItsOrder) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);  // a defined vessel, as every set-up but the first finds it
    Inside(t).sequencer.configuration = GetParam().configuration;
    world->trace.clear();
    Inside(t).ApplyConfiguration();
    const std::vector<std::string> setUp = Calls();
    world->trace.clear();
    Inside(t).ApplyHull(*GetParam().hull);
    const std::vector<std::string> applied = Calls();
    ASSERT_FALSE(applied.empty());
    EXPECT_EQ(applied.front().rfind("SetSize(", 0), 0u) << applied.front();
    const auto start = std::find(setUp.begin(), setUp.end(), applied.front());
    ASSERT_NE(start, setUp.end());
    ASSERT_GE(static_cast<std::size_t>(setUp.end() - start), applied.size());
    EXPECT_EQ(std::vector<std::string>(start, start + static_cast<std::ptrdiff_t>(applied.size())), applied);
}

INSTANTIATE_TEST_SUITE_P(Configurations, HullRecords,
                         testing::Values(HullCase{"FullStack", CONFIG_FULL_STACK, &STACK_HULL},
                                         HullCase{"Descent", CONFIG_DESCENT, &DESCENT_HULL},
                                         HullCase{"Drogue", CONFIG_DROGUE, &DROGUE_HULL},
                                         HullCase{"MainChute", CONFIG_MAIN_CHUTE, &MAIN_CHUTE_HULL},
                                         HullCase{"Landing", CONFIG_LANDING, &DESCENT_HULL}));

// The records' values reach the host's record of the vessel as given (the shift taken off the
// design-frame points).
TEST_F(ModuleTest, HullRecordValuesReachTheHost) {
    TalvekVessel t(record->Handle());
    Inside(t).Define(CONFIG_FULL_STACK);
    for (const HullDefinition* hull : {&STACK_HULL, &DESCENT_HULL, &DROGUE_HULL, &MAIN_CHUTE_HULL}) {
        Inside(t).PlaceHull(*hull);
        Inside(t).ApplyHull(*hull);
        EXPECT_EQ(record->def.size, hull->size);
        EXPECT_EQ(record->def.crossSections.z, hull->crossSections.z);
        EXPECT_EQ(record->def.pitchMomentScale, hull->pitchMomentScale);
        EXPECT_EQ(Inside(t).cogShift.z, hull->cogShift.z);
        EXPECT_EQ(record->def.cameraOffset.y, hull->camera.y - hull->cogShift.y);
    }
}
