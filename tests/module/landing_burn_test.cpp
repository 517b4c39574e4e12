// The soft-landing burn under the main canopy: when it starts, how it keeps going, the time
// acceleration near the ground, and which thruster it may touch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "module_fixture.h"
#include "sim/planet.h"
#include "spacecraft/landing_burn.h"
#include "spacecraft/internal/test_access.h"

namespace {

constexpr double CANOPY_SPEED = 9.4;  // [m/s]
constexpr double FRAME = 1.0 / 60;    // [s]
constexpr double BASE_BELOW_CENTRE = 1.5;  // [m] under the canopy, the capsule hanging upright

struct StartCase {
    const char* name;
    double lead;  // [m] of base height beyond what the burn needs
    double speed, propellant, step;
    double low, high;  // expected level
};

void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

class StartLevel : public testing::TestWithParam<StartCase> {};

TEST_P(StartLevel, FollowsTheTimeTheBurnIsDue) {
    const StartCase& c = GetParam();
    const double mass = 3020;
    const double height = LANDING_BURN_END_HEIGHT + LandingBurnDistance(c.speed, mass, c.propellant) + c.lead;
    const double level = LandingBurnStartLevel(height, c.speed, mass, c.propellant, c.step);
    EXPECT_GE(level, c.low);
    EXPECT_LE(level, c.high);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartLevel,
    testing::Values(StartCase{"more than a step early", CANOPY_SPEED * FRAME * 1.01, CANOPY_SPEED, 70, FRAME, 0, 0},
                    StartCase{"due in the middle of the step", CANOPY_SPEED * FRAME / 2, CANOPY_SPEED, 70, FRAME, 0.499,
                              0.501},
                    StartCase{"due at the start of the step", 0, CANOPY_SPEED, 70, FRAME, 1, 1},
                    StartCase{"late", -0.5, CANOPY_SPEED, 70, FRAME, 1, 1},
                    StartCase{"longer steps start it sooner", CANOPY_SPEED * 0.1 / 2, CANOPY_SPEED, 70, 0.1, 0.499, 0.501},
                    StartCase{"no propellant", -0.5, CANOPY_SPEED, 0, FRAME, 0, 0},
                    StartCase{"rising", -0.5, -1, 70, FRAME, 0, 0},
                    StartCase{"no step yet", -0.5, CANOPY_SPEED, 70, 0, 0, 0}));

TEST(LandingBurnDistance, BrakesUnderTheCanopy) {
    const double mass = 3020, propellant = 70;
    const double duration = propellant / (LANDING_MAX_THRUST / LANDING_ISP);
    const double deltaV = LANDING_ISP * std::log(mass / (mass - propellant));
    const double d = LandingBurnDistance(CANOPY_SPEED, mass, propellant);
    EXPECT_LT(d, CANOPY_SPEED * duration) << "slower than the canopy alone";
    EXPECT_GT(d, (CANOPY_SPEED - deltaV) * duration) << "never slower than the whole delta-v allows";
    EXPECT_EQ(LandingBurnDistance(CANOPY_SPEED, mass, 0), 0);
    EXPECT_GT(LandingBurnDistance(10.1, mass, propellant), d) << "thinner air, faster canopy, longer way";
}

class UnderTheMainCanopy : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        t = std::make_unique<TalvekVessel>(record->Handle());
        Inside(*t).Define(CONFIG_FULL_STACK);
        Inside(*t).sequencer.configuration = CONFIG_MAIN_CHUTE;
        Inside(*t).Define(CONFIG_MAIN_CHUTE);
        Inside(*t).sequencer.definedConfiguration = CONFIG_MAIN_CHUTE;
        world->AdvanceFrame(FRAME);
    }
    void TearDown() override {
        t.reset();
        ModuleTest::TearDown();
    }
    // Hanging upright (+z up, over the pole of the z axis) with its base at the given height.
    void BaseAt(double height, double speed = CANOPY_SPEED) {
        record->pos = {0, 0, sim::EARTH_RADIUS + height + BASE_BELOW_CENTRE};
        record->vel = {0, 0, -speed};
        record->rot = sim::Mat3{};
        record->angVel = {0, 0, 0};
        record->contact.touching = false;
        record->landed = false;
    }
    void Touching() { record->contact.touching = true; }
    double Level() const { return t->GetThrusterLevel(Inside(*t).burn.thruster); }
    double DueHeight() const {
        return LANDING_BURN_END_HEIGHT + LandingBurnDistance(CANOPY_SPEED, t->GetMass(), 70);
    }

    std::unique_ptr<TalvekVessel> t;
};

}  // namespace

TEST_F(UnderTheMainCanopy, FiresWhenDueAndKeepsFullThrust) {
    BaseAt(DueHeight() + 1);
    FrameSteps(*t);
    EXPECT_EQ(Level(), 0) << "a metre early";
    EXPECT_EQ(Inside(*t).sequencer.configuration, CONFIG_MAIN_CHUTE);
    EXPECT_EQ(world->FindByName("TalvekChute"), nullptr) << "the canopy stays until the ground";

    BaseAt(DueHeight() + CANOPY_SPEED * FRAME / 4);
    FrameSteps(*t);
    EXPECT_NEAR(Level(), 0.75, 1e-3) << "due a quarter into the coming step";

    FrameSteps(*t);
    EXPECT_EQ(Level(), 1) << "once burning, at full thrust";
    EXPECT_EQ(Inside(*t).sequencer.configuration, CONFIG_MAIN_CHUTE);
}

TEST_F(UnderTheMainCanopy, TimeRunsAtRealSpeedNearTheGround) {
    const std::pair<double, double> cases[] = {{100, 10}, {LANDING_APPROACH_HEIGHT + 1, 10}, {LANDING_APPROACH_HEIGHT - 5, 1}};
    for (const auto& [height, expected] : cases) {
        BaseAt(height);
        world->SetTimeAcceleration(10);
        FrameSteps(*t);
        EXPECT_EQ(world->TimeAcceleration(), expected) << height << " m";
    }
}

TEST_F(UnderTheMainCanopy, LeavesTheThrusterAloneWhenAnotherSetUpDefinesTheVessel) {
    // After a baseline full-stack set-up the handle names no thruster until the rebuild.
    Inside(*t).sequencer.definedConfiguration = CONFIG_FULL_STACK;
    BaseAt(0.5);
    world->trace.clear();
    FrameSteps(*t);
    for (const auto& c : Calls()) EXPECT_EQ(c.rfind("SetThrusterLevel", 0), std::string::npos) << c;
    Touching();
    FrameSteps(*t);
    EXPECT_EQ(Inside(*t).sequencer.configuration, CONFIG_LANDING) << "the canopy is still released on the ground";
    for (const auto& c : Calls()) EXPECT_EQ(c.rfind("SetThrusterLevel", 0), std::string::npos) << c;
}

TEST_F(UnderTheMainCanopy, WithAnEmptyTankTheCapsuleLandsUnderTheCanopy) {
    t->SetPropellantMass(Inside(*t).burn.tank, 0);
    BaseAt(0.1);
    FrameSteps(*t);
    EXPECT_EQ(Level(), 0);
    Touching();
    FrameSteps(*t);
    EXPECT_EQ(Inside(*t).sequencer.configuration, CONFIG_LANDING);
    EXPECT_NE(world->FindByName("TalvekChute"), nullptr);
}
