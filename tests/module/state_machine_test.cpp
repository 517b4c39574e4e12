// The automatic descent sequence, the time-acceleration cap and the main parachute's release.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "module_fixture.h"
#include "sim/file_handles.h"
#include "sim/mathx.h"
#include "sim/planet.h"
#include "spacecraft/internal/test_access.h"

namespace {

class Descent : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        t = std::make_unique<TalvekVessel>(record->Handle());
        Inside(*t).Define(CONFIG_FULL_STACK);
    }
    void TearDown() override {
        t.reset();
        ModuleTest::TearDown();
    }
    // Puts the vessel at an altitude, moving down through the air (which turns with the planet)
    // at the given airspeed.
    void At(double altitude, double airspeed) {
        record->pos = {0, sim::EARTH_RADIUS + altitude, 0};
        record->vel = sim::SurfaceVelocity(record->pos, world->Mjd()) + VECTOR3{0, -airspeed, 0};
    }
    void Step() { FrameSteps(*t); }
    // The capsule's base on the ground.
    void Touching() { record->contact.touching = true; }

    std::unique_ptr<TalvekVessel> t;
};

struct Threshold {
    Configuration from;
    double altitude, airspeed;
    Configuration to;
};
void PrintTo(const Threshold& c, std::ostream* os) {
    *os << c.from << " at " << c.altitude << " m, " << c.airspeed << " m/s -> " << c.to;
}
class Thresholds : public Descent, public testing::WithParamInterface<Threshold> {};

}  // namespace

TEST_P(Thresholds, AreStrict) {
    Inside(*t).sequencer.configuration = GetParam().from;
    At(GetParam().altitude, GetParam().airspeed);
    Step();
    EXPECT_EQ(Inside(*t).sequencer.configuration, GetParam().to);
    EXPECT_EQ(Inside(*t).sequencer.rebuildCounter, GetParam().to != GetParam().from ? RebuildPhase::Requested : RebuildPhase::Idle);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Thresholds,
    testing::Values(Threshold{CONFIG_DESCENT, 11999, 299, CONFIG_DROGUE}, Threshold{CONFIG_DESCENT, 12000, 299, CONFIG_DESCENT},
                    Threshold{CONFIG_DESCENT, 11999, 300, CONFIG_DESCENT}, Threshold{CONFIG_DROGUE, 1999, 79, CONFIG_MAIN_CHUTE},
                    Threshold{CONFIG_DROGUE, 1999, 80, CONFIG_DROGUE}, Threshold{CONFIG_DROGUE, 2000, 79, CONFIG_DROGUE},
                    Threshold{CONFIG_DROGUE, 599, 200, CONFIG_MAIN_CHUTE}, Threshold{CONFIG_DROGUE, 600, 200, CONFIG_DROGUE},
                    Threshold{CONFIG_FULL_STACK, 10, 10, CONFIG_FULL_STACK}, Threshold{CONFIG_LANDING, 1, 1, CONFIG_LANDING},
                    Threshold{ConfigurationNumbered(7), 1, 1, ConfigurationNumbered(7)}));

TEST_F(Descent, TimeAccelerationIsCappedUnderTheCanopiesOnly) {
    const std::pair<Configuration, double> cases[] = {{CONFIG_DROGUE, 10}, {CONFIG_MAIN_CHUTE, 10}, {CONFIG_DESCENT, 100},
                                                     {CONFIG_LANDING, 100}, {CONFIG_FULL_STACK, 100}};
    At(5000, 100);
    for (const auto& [configuration, expected] : cases) {
        Inside(*t).sequencer.configuration = configuration;
        world->SetTimeAcceleration(100);
        Step();
        EXPECT_EQ(world->TimeAcceleration(), expected) << configuration;
    }
    Inside(*t).sequencer.configuration = CONFIG_DROGUE;
    world->SetTimeAcceleration(10);
    world->trace.clear();
    Step();
    for (const auto& c : Calls()) EXPECT_EQ(c.rfind("oapiSetTimeAcceleration", 0), std::string::npos) << "10 is left alone";
}

namespace {

// A frame at a time acceleration, then the capsule somewhere on its way down.
struct CapCase {
    const char* what;
    Configuration configuration;
    double height;      // [m] over the ground
    double downwards;   // [m/s]
    double across;      // [m/s], over the ground's non-rotating frame
    double frame;       // [s] of real time
    double timeAcceleration;
    double expected;
    const char* logged;  // "" for none
};
void PrintTo(const CapCase& c, std::ostream* os) { *os << c.what; }
class TimeAccelerationCaps : public Descent, public testing::WithParamInterface<CapCase> {};

}  // namespace

// The module looks at the capsule once a frame: a frame must not carry it past the height at
// which its sequence acts next, whatever the time acceleration.
TEST_P(TimeAccelerationCaps, KeepTheNextFrameShortOfTheNextHeight) {
    const CapCase& c = GetParam();
    Inside(*t).sequencer.configuration = c.configuration;
    world->SetTimeAcceleration(c.timeAcceleration);
    world->AdvanceFrame(c.frame);  // the step the host reports
    record->pos = {0, sim::EARTH_RADIUS + c.height, 0};
    record->vel = {c.across, -c.downwards, 0};
    world->log.clear();
    Step();
    EXPECT_EQ(world->TimeAcceleration(), c.expected);
    std::string logged;
    for (const auto& line : world->log)
        if (line.find("time acceleration") != std::string::npos) logged = line;
    EXPECT_EQ(logged, c.logged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeAccelerationCaps,
    testing::Values(
        // 13 km, falling at 250 m/s: half the least time to 200 m past the drogue's height is 2.2 s.
        CapCase{"above the drogue", CONFIG_DESCENT, 13000, 250, 0, 1.0 / 60, 10000, 100,
                "T: time acceleration capped at x100 before the drogue"},
        CapCase{"above the drogue, slow enough", CONFIG_DESCENT, 13000, 250, 0, 1.0 / 60, 100, 100, ""},
        CapCase{"near the drogue", CONFIG_DESCENT, 12500, 200, 0, 1.0 / 60, 100, 10,
                "T: time acceleration capped at x10 before the drogue"},
        CapCase{"as the demo flies it", CONFIG_DESCENT, 12500, 200, 0, 1.0 / 60, 10, 10, ""},
        // Out of the air on a circular orbit, and on one whose periapsis is 150 km up: nothing comes.
        CapCase{"in a lasting orbit", CONFIG_DESCENT, 400e3, 0, 7672.593, 1.0 / 60, 100000, 100000, ""},
        CapCase{"in an orbit above the air", CONFIG_DESCENT, 400e3, 0, 7600, 1.0 / 60, 100000, 100000, ""},
        // After the de-orbit burn (periapsis 23 km): 281 s to fall at the least.
        CapCase{"on the way down from orbit", CONFIG_DESCENT, 400e3, 0, 7562, 1.0 / 60, 100000, 1000,
                "T: time acceleration capped at x1000 before the drogue"},
        // Frames of a second: the canopy's x10 would carry it 300 m a frame.
        CapCase{"under the drogue, long frames", CONFIG_DROGUE, 2500, 30, 0, 1, 10, 1,
                "T: time acceleration capped at x1 before the main parachute"},
        CapCase{"under the drogue", CONFIG_DROGUE, 2500, 30, 0, 1.0 / 60, 10, 10, ""},
        CapCase{"under the main canopy, long frames", CONFIG_MAIN_CHUTE, 100, 9.4, 0, 1, 10, 1,
                "T: time acceleration capped at x1 before the landing"},
        CapCase{"full stack", CONFIG_FULL_STACK, 13000, 250, 0, 1.0 / 60, 10000, 10000, ""},
        CapCase{"landed configuration", CONFIG_LANDING, 13000, 250, 0, 1.0 / 60, 10000, 10000, ""}));

TEST_F(Descent, DrogueLoadedLowGoesToTheMainChuteBeforeItsOwnSetUp) {
    Inside(*t).sequencer.configuration = CONFIG_DROGUE;
    Inside(*t).sequencer.rebuildCounter = RebuildPhase::Requested;  // as after loading
    At(500, 50);
    Step();
    EXPECT_EQ(Inside(*t).sequencer.configuration, CONFIG_MAIN_CHUTE);
    EXPECT_EQ(record->def.size, 15) << "the drogue's set-up has not run";
    Step();
    EXPECT_EQ(record->def.size, 15);
    Step();
    EXPECT_EQ(record->def.size, 80) << "the main-chute set-up, two steps after the change";
    EXPECT_EQ(record->def.meshes[0].file, "tlvchute");
}

TEST_F(Descent, MainChuteWaitsForTheLandingThrusterThenReleasesTheCanopyOnTheGround) {
    Inside(*t).sequencer.configuration = CONFIG_MAIN_CHUTE;
    At(1.5, 8);
    record->rot = sim::RotationFromAngles({0.2, -0.4, 0.9});
    Touching();
    Step();
    EXPECT_EQ(Inside(*t).sequencer.configuration, CONFIG_MAIN_CHUTE) << "no landing thruster yet";
    EXPECT_EQ(world->FindByName("TalvekChute"), nullptr);
    Inside(*t).Define(CONFIG_MAIN_CHUTE);
    Inside(*t).sequencer.definedConfiguration = CONFIG_MAIN_CHUTE;
    t->SetThrusterLevel(Inside(*t).burn.thruster, 1);  // the burn's last moment
    Step();
    EXPECT_EQ(Inside(*t).sequencer.configuration, CONFIG_LANDING);
    // Released in the pre-step, the rebuild's first step follows in that frame's post-step; older
    // hosts release in their one time step.
    EXPECT_EQ(Inside(*t).sequencer.rebuildCounter,
              talvek_test::LegacyEntryPoints() ? RebuildPhase::Requested : RebuildPhase::PanelsStowed);
    EXPECT_EQ(t->GetThrusterLevel(Inside(*t).burn.thruster), 0) << "no burn on the ground";
    const sim::VesselRecord* chute = world->FindByName("TalvekChute");
    ASSERT_NE(chute, nullptr);
    EXPECT_EQ(chute->ClassName(), "tlvchute");
    const VECTOR3 local = record->rot.Transposed() * (chute->pos - record->pos);
    EXPECT_NEAR(local.x, 0, 1e-9);
    EXPECT_NEAR(local.y, 0.1, 1e-9) << "where the canopy mesh stood";
    EXPECT_NEAR(local.z, 72, 1e-9);
    EXPECT_NEAR(sim::Length(chute->vel - record->vel), 0, 1e-9);
    EXPECT_EQ(Inside(*t).chute.chuteVessel, chute->iface);
}

TEST_F(Descent, ChuteIsDeletedOnceItTouchesTheGround) {
    Inside(*t).sequencer.configuration = CONFIG_MAIN_CHUTE;
    Inside(*t).Define(CONFIG_MAIN_CHUTE);
    At(1.5, 8);
    Touching();
    Step();
    sim::VesselRecord* chute = world->FindByName("TalvekChute");
    ASSERT_NE(chute, nullptr);
    const OBJHANDLE h = chute->Handle();
    Step();
    EXPECT_TRUE(oapiIsVessel(h)) << "in the air";
    chute->landed = true;
    Step();
    EXPECT_EQ(Inside(*t).chute.chuteVessel, nullptr);
    world->ApplyDeletions();
    EXPECT_FALSE(oapiIsVessel(h));
}

TEST_F(Descent, ChuteDeletedByTheHostIsNeverTouched) {
    Inside(*t).sequencer.configuration = CONFIG_MAIN_CHUTE;
    Inside(*t).Define(CONFIG_MAIN_CHUTE);
    At(1.5, 8);
    Touching();
    Step();
    sim::VesselRecord* chute = world->FindByName("TalvekChute");
    ASSERT_NE(chute, nullptr);
    world->RequestDelete(*chute);
    world->ApplyDeletions();  // its interface is freed with it
    world->trace.clear();
    Step();  // under the sanitizers a use of the freed interface would fail here
    EXPECT_EQ(Inside(*t).chute.chuteVessel, nullptr);
    for (const auto& e : world->trace) EXPECT_NE(e.vessel, "TalvekChute");
}

namespace {

// A vessel that the host creates on the handle of the deleted parachute.
struct Newcomer {
    const char* name;
    const char* className;
};
void PrintTo(const Newcomer& n, std::ostream* os) { *os << n.name << ":" << n.className; }

// The host gives new vessels the handles of deleted ones, as the simulator may.
class ChuteHandleReused : public Descent, public testing::WithParamInterface<Newcomer> {
protected:
    void SetUp() override {
        Descent::SetUp();
        world->reuseHandles = true;
        root.Write("Config/Probe.cfg", "Mass = 60\nTouchdownPoints = 0 -1 1  -1 -1 -1  1 -1 -1\n");
        Inside(*t).sequencer.configuration = CONFIG_MAIN_CHUTE;
        Inside(*t).Define(CONFIG_MAIN_CHUTE);
        At(1.5, 8);
        Touching();
        Step();  // the canopy is released
        chute = world->FindByName("TalvekChute");
        ASSERT_NE(chute, nullptr);
        chuteHandle = chute->Handle();
    }
    // The newcomer, landed, so that it is in ground contact as a parachute to delete would be.
    sim::VesselRecord* Arrive() {
        VESSELSTATUS s{};
        s.status = 1;
        s.vdata[0] = {0.1, 0.2, 0};
        const OBJHANDLE h = oapiCreateVessel(GetParam().name, GetParam().className, s);
        EXPECT_EQ(h, chuteHandle) << "on the parachute's handle";
        world->trace.clear();
        return world->Find(h);
    }
    // Time steps, then the frame's end; the newcomer must be there, untouched.
    void ExpectLeftAlone(const sim::VesselRecord* newcomer) {
        for (int i = 0; i < 3; ++i) Step();
        world->ApplyDeletions();
        EXPECT_EQ(world->Find(chuteHandle), newcomer) << "not deleted";
        for (const auto& e : world->trace) EXPECT_NE(e.vessel, GetParam().name) << e.call;
        EXPECT_EQ(Inside(*t).chute.chuteVessel, nullptr);
    }

    sim::VesselRecord* chute = nullptr;
    OBJHANDLE chuteHandle = nullptr;
};

}  // namespace

TEST_P(ChuteHandleReused, VesselAfterTheChuteTheTalvekDeletedIsLeftAlone) {
    chute->landed = true;
    Step();
    world->ApplyDeletions();
    ExpectLeftAlone(Arrive());
}

TEST_P(ChuteHandleReused, VesselAfterAChuteDeletedByTheHostIsNeitherSavedNorTouched) {
    world->RequestDelete(*chute);
    world->ApplyDeletions();  // its interface is freed with it
    sim::VesselRecord* newcomer = Arrive();
    sim::ScenarioWriter saved;
    t->SaveState(&saved);  // under the sanitizers a use of the freed interface would fail here
    EXPECT_THAT(saved.text, testing::Not(testing::HasSubstr("CHUTE_VESSEL")));
    ExpectLeftAlone(newcomer);
}

// Only a vessel with the parachute's own name and class would pass for it.
INSTANTIATE_TEST_SUITE_P(Newcomers, ChuteHandleReused,
                         testing::Values(Newcomer{"Other", "Probe"}, Newcomer{"Other", "tlvchute"},
                                         Newcomer{"TalvekChute", "Probe"}));

TEST_F(Descent, VesselLoadedInTheLandingConfigurationDeletesNoChute) {
    root.Write("Config/Probe.cfg", "Mass = 60\nTouchdownPoints = 0 0 -1  -1 0 -1  1 0 -1\n");
    sim::VesselRecord* other = world->AddVessel("TalvekChute", "Probe");
    other->landed = true;
    Inside(*t).sequencer.configuration = CONFIG_LANDING;
    EXPECT_EQ(Inside(*t).chute.chuteVessel, nullptr);
    Step();
    world->ApplyDeletions();
    EXPECT_NE(world->FindByName("TalvekChute"), nullptr);
}
