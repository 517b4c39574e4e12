// How the host calls a vessel module: the current simulator's callbacks (the default) or the
// eight exported entry points of older hosts, in the order each host makes its calls (a scenario's
// creation, oapiCreateVessel, the times of a frame's steps, the keys), and which vessels get a
// visual.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/app/simulation.h"
#include "sim/placement.h"
#include "sim/planet.h"
#include "sim/platform.h"
#include "sim/scenario.h"
#include "sim/text.h"
#include "tests/host/host_fixture.h"

using testing::HasSubstr;

namespace {

std::string RecorderBlock(const std::string& name) {
    return name +
           ":Recorder\n"
           "  STATUS Orbiting Earth\n"
           "  RPOS 7000000 0 0\n"
           "  RVEL 0 0 7546\n"
           "  PRPLEVEL 0:0.25\n"
           "END\n";
}

std::string RecorderScenario(const std::vector<std::string>& names, const std::string& focus = "") {
    std::string text = "BEGIN_ENVIRONMENT\n  Date MJD 60000.5\nEND_ENVIRONMENT\n";
    if (!focus.empty()) text += "BEGIN_FOCUS\n  Ship " + focus + "\nEND_FOCUS\n";
    text += "BEGIN_SHIPS\n";
    for (const auto& n : names) text += RecorderBlock(n);
    return text + "END_SHIPS\n";
}

class Dispatch : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        root.AddFixtureModule("callback_recorder", "Recorder");
        root.Write("Config/Recorder.cfg", "Module = Recorder\n");
        // The same library the host loads: the recorder's log is shared with it.
        std::string error;
        library = sim::platform::OpenLibrary(root.Path() / "Modules" / (std::string("Recorder") + sim::platform::LIBRARY_SUFFIX), error);
        ASSERT_NE(library, nullptr);
        log = reinterpret_cast<const char* (*)()>(sim::platform::LibrarySymbol(library, "CallbackRecorderLog"));
        clear = reinterpret_cast<void (*)()>(sim::platform::LibrarySymbol(library, "CallbackRecorderClear"));
        ASSERT_TRUE(log && clear);
        clear();
    }
    void TearDown() override {
        HostTest::TearDown();
        sim::platform::CloseLibrary(library);
    }
    std::string Log() const { return log(); }
    sim::Scenario Load(const std::string& text) {
        sim::Scenario scenario = sim::ParseScenario(text, "r.scn");
        sim::LoadScenario(*world, scenario);
        return scenario;
    }

    void* library = nullptr;
    const char* (*log)() = nullptr;
    void (*clear)() = nullptr;
};

struct RouteCase {
    const char* name;
    sim::Dispatch dispatch;
    const char* expected;
};

void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }

std::string RouteName(const testing::TestParamInfo<RouteCase>& info) { return info.param.name; }

class DispatchLife : public Dispatch, public testing::WithParamInterface<RouteCase> {};

// A vessel read from a scenario, one frame, a key, a save and the end of the world.
TEST_P(DispatchLife, EveryCallInTheHostsOrder) {
    world->dispatch = GetParam().dispatch;
    const sim::Scenario scenario = Load(RecorderScenario({"R"}));
    world->AdvanceFrame(0.5);
    char keys[256] = {};
    keys[OAPI_KEY_J] = static_cast<char>(0x80);
    EXPECT_EQ(world->KeyToFocus(OAPI_KEY_J, true, keys), 1);
    EXPECT_THAT(sim::SaveScenario(*world, scenario), HasSubstr("PRPLEVEL 0:0.25"));
    world.reset();
    EXPECT_EQ(Log(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Routes, DispatchLife,
                         testing::Values(RouteCase{"callbacks", sim::Dispatch::Callbacks,
                                                   "R ovcInit\n"
                                                   "R clbkSetClassCaps\n"
                                                   "R clbkLoadStateEx\n"
                                                   "R clbkFocusChanged got\n"
                                                   "R clbkPostCreation tank 25.000000 main 0.000000\n"
                                                   "R clbkPreStep 0.000000000 0.500000000 60000.500000000\n"
                                                   "R clbkPostStep 0.500000000 0.500000000 60000.500005787\n"
                                                   "R clbkVisualCreated\n"
                                                   "R clbkConsumeBufferedKey 36 down\n"
                                                   "R clbkSaveState\n"
                                                   "R clbkVisualDestroyed\n"
                                                   "R ovcExit\n"},
                                         RouteCase{"legacy", sim::Dispatch::EntryPoints,
                                                   "R ovcInit\n"
                                                   "R ovcSetClassCaps\n"
                                                   "R ovcLoadStateEx\n"
                                                   "R ovcTimestep 0.500000000\n"
                                                   "R ovcVisualCreated\n"
                                                   "R ovcConsumeBufferedKey 36 down\n"
                                                   "R ovcSaveState\n"
                                                   "R ovcExit\n"}),
                         RouteName);

class ScenarioCreation : public Dispatch, public testing::WithParamInterface<RouteCase> {};

// Every vessel of a scenario is constructed, set up and loaded (its PRPLEVEL applied) before any
// gets its post-creation call; the focus is given in between; visuals come with the first frame.
TEST_P(ScenarioCreation, EveryVesselExistsBeforeAnyPostCreationAndVisualsComeAfterTheFirstStep) {
    world->dispatch = GetParam().dispatch;
    Load(RecorderScenario({"A", "B"}, "B"));
    world->AdvanceFrame(0.5);
    EXPECT_EQ(Log(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Routes, ScenarioCreation,
                         testing::Values(RouteCase{"callbacks", sim::Dispatch::Callbacks,
                                                   "A ovcInit\n"
                                                   "A clbkSetClassCaps\n"
                                                   "A clbkLoadStateEx\n"
                                                   "B ovcInit\n"
                                                   "B clbkSetClassCaps\n"
                                                   "B clbkLoadStateEx\n"
                                                   "B clbkFocusChanged got\n"
                                                   "A clbkPostCreation tank 25.000000 main 0.000000\n"
                                                   "B clbkPostCreation tank 25.000000 main 0.000000\n"
                                                   "A clbkPreStep 0.000000000 0.500000000 60000.500000000\n"
                                                   "B clbkPreStep 0.000000000 0.500000000 60000.500000000\n"
                                                   "A clbkPostStep 0.500000000 0.500000000 60000.500005787\n"
                                                   "B clbkPostStep 0.500000000 0.500000000 60000.500005787\n"
                                                   "A clbkVisualCreated\n"
                                                   "B clbkVisualCreated\n"},
                                         RouteCase{"legacy", sim::Dispatch::EntryPoints,
                                                   "A ovcInit\n"
                                                   "A ovcSetClassCaps\n"
                                                   "A ovcLoadStateEx\n"
                                                   "B ovcInit\n"
                                                   "B ovcSetClassCaps\n"
                                                   "B ovcLoadStateEx\n"
                                                   "A ovcTimestep 0.500000000\n"
                                                   "B ovcTimestep 0.500000000\n"
                                                   "A ovcVisualCreated\n"
                                                   "B ovcVisualCreated\n"}),
                         RouteName);

class StepTimes : public Dispatch, public testing::WithParamInterface<RouteCase> {};

// The pre-step gets the step's start time and date, the post-step its end; a vessel created in a
// step gets the rest of that frame's calls and flies the frame's step.
TEST_P(StepTimes, StartAndEndOfTheStepAndAVesselCreatedInItIsSteppedAtOnce) {
    world->dispatch = GetParam().dispatch;
    world->visuals = sim::Visuals::None;
    Load(RecorderScenario({"SpawnA"}));
    clear();
    world->AdvanceFrame(0.5);
    EXPECT_EQ(Log(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, StepTimes,
    testing::Values(RouteCase{"callbacks", sim::Dispatch::Callbacks,
                              "SpawnA clbkPreStep 0.000000000 0.500000000 60000.500000000\n"
                              "SpawnAChild ovcInit\n"
                              "SpawnAChild clbkSetClassCaps\n"
                              "SpawnAChild clbkPostCreation tank 100.000000 main 0.000000\n"
                              "SpawnAChild clbkPreStep 0.000000000 0.500000000 60000.500000000\n"
                              "SpawnA clbkPostStep 0.500000000 0.500000000 60000.500005787\n"
                              "SpawnAChild clbkPostStep 0.500000000 0.500000000 60000.500005787\n"},
                    RouteCase{"legacy", sim::Dispatch::EntryPoints,
                              "SpawnA ovcTimestep 0.500000000\n"
                              "SpawnAChild ovcInit\n"
                              "SpawnAChild ovcSetClassCaps\n"
                              "SpawnAChild ovcTimestep 0.500000000\n"}),
    RouteName);

// The child created in its parent's pre-step flew the whole step: it moved as its parent did.
TEST_F(Dispatch, AVesselCreatedInAPreStepFliesThatFramesStep) {
    Load(RecorderScenario({"SpawnA"}));
    const VECTOR3 start = world->FindByName("SpawnA")->pos;
    world->AdvanceFrame(0.5);
    const sim::VesselRecord* child = world->FindByName("SpawnAChild");
    ASSERT_NE(child, nullptr);
    EXPECT_GT(sim::Length(child->pos - start), 3000) << "about 7.5 km/s for half a second";
    EXPECT_LT(sim::Length(child->pos - world->FindByName("SpawnA")->pos), 1e-6);
}

struct VisualsCase {
    const char* name;
    sim::Dispatch dispatch;
    sim::Visuals visuals;
    const char* focus;
    const char* expected;  // for vessel "R2"
};

void PrintTo(const VisualsCase& c, std::ostream* os) { *os << c.name; }

class CreatedVessel : public Dispatch, public testing::WithParamInterface<VisualsCase> {};

// oapiCreateVessel: construction, class set-up, the given state, the visual only for a vessel in
// view, then clbkPostCreation.
TEST_P(CreatedVessel, VisualWhenInViewThenPostCreation) {
    world->dispatch = GetParam().dispatch;
    world->visuals = GetParam().visuals;
    world->SetFocus(GetParam().focus);
    VESSELSTATUS status{};
    status.rpos = {7e6, 0, 0};
    ASSERT_NE(oapiCreateVessel("R2", "Recorder", status), nullptr);
    EXPECT_EQ(Log(), GetParam().expected);
    EXPECT_EQ(world->FindByName("R2")->hasVisual, std::string(GetParam().expected).find("Visual") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Visuals, CreatedVessel,
    testing::Values(VisualsCase{"all", sim::Dispatch::Callbacks, sim::Visuals::All, "",
                                "R2 ovcInit\nR2 clbkSetClassCaps\nR2 clbkVisualCreated\n"
                                "R2 clbkPostCreation tank 100.000000 main 0.000000\n"},
                    VisualsCase{"none", sim::Dispatch::Callbacks, sim::Visuals::None, "R2",
                                "R2 ovcInit\nR2 clbkSetClassCaps\nR2 clbkPostCreation tank 100.000000 main 0.000000\n"},
                    VisualsCase{"focusOnIt", sim::Dispatch::Callbacks, sim::Visuals::Focus, "R2",
                                "R2 ovcInit\nR2 clbkSetClassCaps\nR2 clbkVisualCreated\n"
                                "R2 clbkPostCreation tank 100.000000 main 0.000000\n"},
                    VisualsCase{"focusElsewhere", sim::Dispatch::Callbacks, sim::Visuals::Focus, "Other",
                                "R2 ovcInit\nR2 clbkSetClassCaps\nR2 clbkPostCreation tank 100.000000 main 0.000000\n"},
                    VisualsCase{"legacyAll", sim::Dispatch::EntryPoints, sim::Visuals::All, "",
                                "R2 ovcInit\nR2 ovcSetClassCaps\nR2 ovcVisualCreated\n"},
                    VisualsCase{"legacyNone", sim::Dispatch::EntryPoints, sim::Visuals::None, "",
                                "R2 ovcInit\nR2 ovcSetClassCaps\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct StatusFlagsCase {
    const char* name;
    DWORD flags;      // VESSELSTATUS::flag[0]
    double tankMass;  // [kg] of the Probe's 50 kg tank after the creation
    double mainLevel;
};

void PrintTo(const StatusFlagsCase& c, std::ostream* os) { *os << c.name; }

class StatusFlags : public HostTest, public testing::WithParamInterface<StatusFlagsCase> {};

// The status's fuel and engine levels apply only as flag[0] asks: without the bits the vessel
// keeps what its class gave it (a full tank, engines off), as a status from GetStatus does.
TEST_P(StatusFlags, FuelAndEngineLevelsOnlyAsFlagZeroSays) {
    VESSELSTATUS status{};
    status.rpos = {7e6, 0, 0};
    status.fuel = 0.5;
    status.eng_main = 0.7;
    status.flag[0] = GetParam().flags;
    ASSERT_NE(oapiCreateVessel("P2", "Probe", status), nullptr);
    const sim::VesselRecord& v = *world->FindByName("P2");
    ASSERT_EQ(v.def.tanks.size(), 1u);
    EXPECT_DOUBLE_EQ(v.def.tanks[0].mass, GetParam().tankMass);
    ASSERT_FALSE(v.def.thrusters.empty());
    EXPECT_DOUBLE_EQ(v.def.thrusters[0].level, GetParam().mainLevel);
}

INSTANTIATE_TEST_SUITE_P(Bits, StatusFlags,
                         testing::Values(StatusFlagsCase{"none", 0, 50, 0}, StatusFlagsCase{"engines", 1, 50, 0.7},
                                         StatusFlagsCase{"fuel", 2, 25, 0}, StatusFlagsCase{"both", 3, 25, 0.7}),
                         [](const auto& info) { return std::string(info.param.name); });

// GetStatus of a landed vessel: its attitude in the planet's axes (the same however far the
// planet has turned) and the planet as its reference body; a vessel created from it stands alike.
TEST_F(HostTest, LandedStatusGivesTheAttitudeInThePlanetsAxesAndThePlanet) {
    sim::VesselRecord* p = Probe("Landed");
    sim::PlaceLanded(*world, *p, 0.3, 0.2, 1.0);
    VESSELSTATUS before;
    p->iface->GetStatus(before);
    EXPECT_EQ(before.rbody, sim::PlanetHandle());
    EXPECT_NE(before.rbody, nullptr);
    EXPECT_EQ(before.status, sim::STATUS_LANDED);
    const VECTOR3 globalBefore = sim::AnglesFromRotation(p->rot);
    for (int i = 0; i < 60; ++i) world->AdvanceFrame(1.0);  // the planet turns by a quarter degree
    VESSELSTATUS after;
    p->iface->GetStatus(after);
    EXPECT_GT(sim::Length(sim::AnglesFromRotation(p->rot) - globalBefore), 1e-3) << "the global attitude turned";
    EXPECT_LT(sim::Length(after.arot - before.arot), 1e-9) << "the planet's axes hold it";
    const sim::Mat3 expected = sim::PlanetRotation(world->Mjd()).Transposed() * p->rot;
    EXPECT_LT(sim::Length(after.arot - sim::AnglesFromRotation(expected)), 1e-9);
}

// A plain VESSEL gets no callback: the host reads and writes its state itself and steps nothing;
// a VESSEL2 that overrides nothing still gets the callbacks' defaults.
TEST_F(HostTest, PassiveAndPlainVesselsGetNoCallbacks) {
    root.AddFixtureModule("partial_module", "Partial");
    root.Write("Config/Partial.cfg", "Module = Partial\nSize = 3\n");
    world->tracing = true;
    sim::VesselRecord* q = world->AddVessel("Q", "Partial");
    world->PostCreation(*q);
    world->AdvanceFrame(0.1);
    std::vector<std::string> calls;
    for (const auto& t : world->trace)
        if (t.call.rfind("> ", 0) == 0) calls.push_back(t.call);
    EXPECT_THAT(calls, testing::ElementsAre("> ovcInit", "> clbkSetClassCaps", "> clbkPostCreation", "> clbkPreStep",
                                            "> clbkPostStep", "> clbkVisualCreated"))
        << "a VESSEL2 that overrides nothing still gets its callbacks' defaults";
}

class KeyDelivery : public Dispatch, public testing::WithParamInterface<RouteCase> {};

// A script's key for another vessel moves the focus to it first; only the focus vessel gets
// keys: the modifier and the letter going down after the frame's step, coming up after the next.
TEST_P(KeyDelivery, ToTheFocusVesselOnlyDownAndUpAfterTheStep) {
    const std::filesystem::path scenario = root.Write("Scenarios/keys.scn", RecorderScenario({"A", "B"}, "A"));
    sim::HostOptions options;
    options.dispatch = GetParam().dispatch;
    options.visuals = sim::Visuals::None;
    sim::Simulation s(root.Path(), scenario, options);
    s.SetScript(sim::ParseScript("at 0.5 B key Ctrl+J\n", "keys.txt", root.Path()));
    clear();
    s.Frame(0.5);
    s.Frame(0.5);
    EXPECT_EQ(Log(), GetParam().expected);
    std::vector<std::string> events;
    for (const auto& e : s.GetWorld().events)
        if (e.time > 0) events.push_back(sim::FormatFixed(e.time, 2) + " " + e.vessel + " " + e.what);
    EXPECT_THAT(events,
                testing::ElementsAre("0.50 B focus (from A)", "0.50 B key Ctrl+J -> 1", "1.00 B key Ctrl+J up -> 1"));
    EXPECT_EQ(s.GetWorld().FocusName(), "B");
}

INSTANTIATE_TEST_SUITE_P(Routes, KeyDelivery,
                         testing::Values(RouteCase{"callbacks", sim::Dispatch::Callbacks,
                                                   "A clbkPreStep 0.000000000 0.500000000 60000.500000000\n"
                                                   "B clbkPreStep 0.000000000 0.500000000 60000.500000000\n"
                                                   "A clbkPostStep 0.500000000 0.500000000 60000.500005787\n"
                                                   "B clbkPostStep 0.500000000 0.500000000 60000.500005787\n"
                                                   "A clbkFocusChanged lost\n"
                                                   "B clbkFocusChanged got\n"
                                                   "B clbkConsumeBufferedKey 29 down\n"
                                                   "B clbkConsumeBufferedKey 36 down\n"
                                                   "A clbkPreStep 0.500000000 0.500000000 60000.500005787\n"
                                                   "B clbkPreStep 0.500000000 0.500000000 60000.500005787\n"
                                                   "A clbkPostStep 1.000000000 0.500000000 60000.500011574\n"
                                                   "B clbkPostStep 1.000000000 0.500000000 60000.500011574\n"
                                                   "B clbkConsumeBufferedKey 36 up\n"
                                                   "B clbkConsumeBufferedKey 29 up\n"},
                                         RouteCase{"legacy", sim::Dispatch::EntryPoints,
                                                   "A ovcTimestep 0.500000000\n"
                                                   "B ovcTimestep 0.500000000\n"
                                                   "B ovcConsumeBufferedKey 29 down\n"
                                                   "B ovcConsumeBufferedKey 36 down\n"
                                                   "A ovcTimestep 1.000000000\n"
                                                   "B ovcTimestep 1.000000000\n"
                                                   "B ovcConsumeBufferedKey 36 up\n"
                                                   "B ovcConsumeBufferedKey 29 up\n"}),
                         RouteName);

// When the focus vessel is deleted, the vessel nearest to it takes the focus, as in the simulator.
TEST_F(Dispatch, TheNearestVesselTakesTheFocusOfADeletedOne) {
    Load("BEGIN_SHIPS\n" + RecorderBlock("A") +
         "Far:Recorder\n  STATUS Orbiting Earth\n  RPOS -7000000 0 0\n  RVEL 0 0 -7546\nEND\n"
         "Near:Recorder\n  STATUS Orbiting Earth\n  RPOS 7000000 1000 0\n  RVEL 0 0 7546\nEND\nEND_SHIPS\n");
    ASSERT_EQ(world->FocusName(), "A");
    clear();
    oapiDeleteVessel(world->FindByName("A")->Handle());
    world->AdvanceFrame(0.5);
    EXPECT_EQ(world->FocusName(), "Near");
    EXPECT_THAT(Log(), HasSubstr("A clbkFocusChanged lost\nNear clbkFocusChanged got\n"));
}

}  // namespace
