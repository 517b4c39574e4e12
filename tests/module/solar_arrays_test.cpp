// The solar arrays on their own: their scenario keys, the toggle and the save.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/module/module_fixture.h"
#include "sim/file_handles.h"
#include "spacecraft/internal/test_access.h"

namespace {

struct LineCase {
    const char* line;
    bool taken;           // the arrays read the line
    float panelState;     // after the line, from 0.75 and deploying
    SolarArrays::PanelMotion motion;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.line)); }

class SolarArrayLines : public ModuleTest, public testing::WithParamInterface<LineCase> {};

constexpr SolarArrays::PanelMotion STILL = SolarArrays::PanelMotion::Still,
                                   DEPLOYING = SolarArrays::PanelMotion::Deploying,
                                   RETRACTING = SolarArrays::PanelMotion::Retracting;

}  // namespace

TEST_P(SolarArrayLines, ReadTheirKeysAndLeaveOtherLinesAlone) {
    TalvekVessel t(record->Handle());
    Inside(t).arrays.panelState = 0.75f;
    Inside(t).arrays.panelMotion = DEPLOYING;
    EXPECT_EQ(Inside(t).arrays.ParseLine(GetParam().line), GetParam().taken);
    EXPECT_EQ(Inside(t).arrays.panelState, GetParam().panelState);
    EXPECT_EQ(Inside(t).arrays.panelMotion, GetParam().motion);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SolarArrayLines,
    testing::Values(LineCase{"PANEL_MOTION 1", true, 0.75f, DEPLOYING}, LineCase{"panel_motion 2", true, 0.75f, RETRACTING},
                    LineCase{"PANEL_MOTION 0", true, 0.75f, STILL}, LineCase{"PANEL_MOTION 3", true, 0.75f, STILL},
                    LineCase{"PANEL_MOTION -1", true, 0.75f, STILL}, LineCase{"PANEL_MOTION x", true, 0.75f, STILL},
                    LineCase{"PANEL_MOTION 65538", true, 0.75f, RETRACTING},
                    LineCase{"PANELS 0.5", true, 0.5f, DEPLOYING}, LineCase{"PANELS nan", true, 0.0f, DEPLOYING},
                    LineCase{"PANEL 0.5", false, 0.75f, DEPLOYING}, LineCase{"PANEL_MOTIO 2", false, 0.75f, DEPLOYING},
                    LineCase{"CONFIGURATION 2", false, 0.75f, DEPLOYING}, LineCase{"", false, 0.75f, DEPLOYING}));

TEST_F(ModuleTest, SolarArraysToggleTowardsTheFartherEnd) {
    TalvekVessel t(record->Handle());
    const struct {
        float state;
        SolarArrays::PanelMotion motion;
    } cases[] = {{0.0f, DEPLOYING}, {0.5f, DEPLOYING}, {0.51f, RETRACTING}, {1.0f, RETRACTING}};
    for (const auto& c : cases) {
        Inside(t).arrays.panelState = c.state;
        Inside(t).arrays.panelMotion = STILL;
        EXPECT_EQ(Inside(t).arrays.Toggle(), c.motion) << c.state;
        EXPECT_EQ(Inside(t).arrays.panelMotion, c.motion) << c.state;
        EXPECT_EQ(Inside(t).arrays.panelState, c.state) << "the toggle moves nothing yet";
    }
}

TEST_F(ModuleTest, SolarArraysSaveTheMotionOnlyWhileMoving) {
    TalvekVessel t(record->Handle());
    const struct {
        SolarArrays::PanelMotion motion;
        const char* text;
    } cases[] = {{STILL, "  PANELS 0.25\n"},
                 {DEPLOYING, "  PANELS 0.25\n  PANEL_MOTION 1\n"},
                 {RETRACTING, "  PANELS 0.25\n  PANEL_MOTION 2\n"}};
    for (const auto& c : cases) {
        Inside(t).arrays.panelState = 0.25f;
        Inside(t).arrays.panelMotion = c.motion;
        sim::ScenarioWriter out;
        Inside(t).arrays.Save(&out);
        EXPECT_EQ(out.text, c.text);
        // What is saved reads back as it was.
        SolarArrays& arrays = Inside(t).arrays;
        arrays.panelState = 0;
        arrays.panelMotion = STILL;
        std::size_t start = 0;
        while (start < out.text.size()) {
            const std::size_t end = out.text.find('\n', start);
            EXPECT_TRUE(arrays.ParseLine(out.text.substr(start + 2, end - start - 2).c_str()));
            start = end + 1;
        }
        EXPECT_EQ(arrays.panelState, 0.25f);
        EXPECT_EQ(arrays.panelMotion, c.motion);
    }
}
