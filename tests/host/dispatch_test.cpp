// How the host calls a vessel module: the current simulator's callbacks (the default) or the
// eight exported entry points of older hosts, in the order each host makes its calls, and which
// vessels get a visual.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/scenario.h"
#include "tests/host/host_fixture.h"

using testing::HasSubstr;

namespace {

constexpr const char* RECORDER_SCENARIO =
    "BEGIN_SHIPS\n"
    "R:Recorder\n"
    "  STATUS Orbiting Earth\n"
    "  RPOS 7000000 0 0\n"
    "  RVEL 0 0 7546\n"
    "  PRPLEVEL 0:0.25\n"
    "END\n"
    "END_SHIPS\n";

class Dispatch : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        root.AddFixtureModule("callback_recorder", "Recorder");
        root.Write("Config/Recorder.cfg", "Module = Recorder\n");
        // The same library the host loads: the recorder's log is shared with it.
        library = dlopen((root.Path() / "Modules" / "Recorder.so").c_str(), RTLD_NOW);
        ASSERT_NE(library, nullptr);
        log = reinterpret_cast<const char* (*)()>(dlsym(library, "CallbackRecorderLog"));
        auto clear = reinterpret_cast<void (*)()>(dlsym(library, "CallbackRecorderClear"));
        ASSERT_TRUE(log && clear);
        clear();
    }
    void TearDown() override {
        HostTest::TearDown();
        if (library) dlclose(library);
    }
    std::string Log() const { return log(); }

    void* library = nullptr;
    const char* (*log)() = nullptr;
};

struct LifeCase {
    const char* name;
    sim::Dispatch dispatch;
    const char* expected;
};

void PrintTo(const LifeCase& c, std::ostream* os) { *os << c.name; }

class DispatchLife : public Dispatch, public testing::WithParamInterface<LifeCase> {};

// A vessel read from a scenario, one frame, a key, a save and the end of the world.
TEST_P(DispatchLife, EveryCallInTheHostsOrder) {
    world->dispatch = GetParam().dispatch;
    const sim::Scenario scenario = sim::ParseScenario(RECORDER_SCENARIO, "r.scn");
    sim::LoadScenario(*world, scenario);
    world->AdvanceFrame(0.5);
    char keys[256] = {};
    keys[OAPI_KEY_J] = static_cast<char>(0x80);
    EXPECT_EQ(world->DeliverBufferedKey(*world->FindByName("R"), OAPI_KEY_J, true, keys), 1);
    EXPECT_THAT(sim::SaveScenario(*world, scenario), HasSubstr("PRPLEVEL 0:0.25"));
    world.reset();
    EXPECT_EQ(Log(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, DispatchLife,
    testing::Values(LifeCase{"callbacks", sim::Dispatch::Callbacks,
                             "ovcInit\n"
                             "clbkSetClassCaps\n"
                             "clbkLoadStateEx\n"
                             "clbkPostCreation tank 25.000000\n"  // PRPLEVEL applied before
                             "clbkVisualCreated\n"
                             "clbkPreStep 0.500000 0.500000\n"
                             "clbkPostStep 0.500000 0.500000\n"
                             "clbkConsumeBufferedKey 36\n"
                             "clbkSaveState\n"
                             "clbkVisualDestroyed\n"
                             "ovcExit\n"},
                    LifeCase{"legacy", sim::Dispatch::EntryPoints,
                             "ovcInit\n"
                             "ovcSetClassCaps\n"
                             "ovcLoadStateEx\n"
                             "ovcVisualCreated\n"
                             "ovcTimestep 0.500000\n"
                             "ovcConsumeBufferedKey 36\n"
                             "ovcSaveState\n"
                             "ovcExit\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct VisualsCase {
    const char* name;
    sim::Visuals visuals;
    const char* focus;
    bool visual;  // expected for vessel "R2"
};

void PrintTo(const VisualsCase& c, std::ostream* os) { *os << c.name; }

class CreatedVessel : public Dispatch, public testing::WithParamInterface<VisualsCase> {};

// oapiCreateVessel: construction, class set-up, the given state, clbkPostCreation, and the
// visual only for a vessel in view.
TEST_P(CreatedVessel, PostCreationThenAVisualWhenInView) {
    world->visuals = GetParam().visuals;
    world->focusVessel = GetParam().focus;
    VESSELSTATUS status{};
    status.rpos = {7e6, 0, 0};
    status.fuel = 0.5;
    ASSERT_NE(oapiCreateVessel("R2", "Recorder", status), nullptr);
    EXPECT_EQ(Log(), std::string("ovcInit\nclbkSetClassCaps\nclbkPostCreation tank 50.000000\n") +
                         (GetParam().visual ? "clbkVisualCreated\n" : ""));
    EXPECT_EQ(world->FindByName("R2")->hasVisual, GetParam().visual);
}

INSTANTIATE_TEST_SUITE_P(Visuals, CreatedVessel,
                         testing::Values(VisualsCase{"all", sim::Visuals::All, "", true},
                                         VisualsCase{"none", sim::Visuals::None, "R2", false},
                                         VisualsCase{"focusOnIt", sim::Visuals::Focus, "R2", true},
                                         VisualsCase{"focusElsewhere", sim::Visuals::Focus, "Other", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A module object that is a plain VESSEL has no callbacks: the host reads and writes its state
// itself and steps nothing.
TEST_F(HostTest, PassiveAndPlainVesselsGetNoCallbacks) {
    root.AddFixtureModule("partial_module", "Partial");
    root.Write("Config/Partial.cfg", "Module = Partial\nSize = 3\n");
    world->tracing = true;
    sim::VesselRecord* q = world->AddVessel("Q", "Partial");
    world->FinishCreation(*q);
    world->AdvanceFrame(0.1);
    std::vector<std::string> calls;
    for (const auto& t : world->trace)
        if (t.call.rfind("> ", 0) == 0) calls.push_back(t.call);
    EXPECT_THAT(calls, testing::ElementsAre("> ovcInit", "> clbkSetClassCaps", "> clbkPostCreation",
                                            "> clbkVisualCreated", "> clbkPreStep", "> clbkPostStep"))
        << "a VESSEL2 that overrides nothing still gets its callbacks' defaults";
}

}  // namespace
