// The host's warnings and log lines: collected in the world, handed to its listener as they
// happen, and shown by the program on standard error in that same order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/oapi.h"
#include "sim/host_notice.h"
#include "tests/host/host_fixture.h"

using testing::ElementsAre;

namespace {

class HostNotices : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        world->onNotice = [this](const sim::HostNotice& n) { heard.push_back(sim::NoticeLine(n)); };
    }
    std::vector<std::string> heard;
};

VESSELSTATUS InOrbit() {
    VESSELSTATUS s{};
    s.rpos = {6771010, 0, 0};
    s.rvel = {0, 0, 7672.593};
    return s;
}

}  // namespace

TEST_F(HostNotices, WarningsAndLogLinesReachTheListenerInTheOrderTheyHappen) {
    world->LoadMesh("no-such-mesh");
    char line[] = "a line";
    oapiWriteLog(line);
    EXPECT_EQ(oapiCreateVessel("", "Probe", InOrbit()), nullptr);
    const std::string meshWarning =
        "mesh 'no-such-mesh' not found at " + (root.Path() / "Meshes" / "no-such-mesh.msh").string() +
        "; its template is null";
    EXPECT_THAT(heard, ElementsAre("talvek-sim: warning: " + meshWarning, "talvek-sim: log: a line",
                                   "talvek-sim: warning: vessel '' of class 'Probe' not created: a vessel needs a name"));
    EXPECT_THAT(world->warnings,
                ElementsAre(meshWarning, "vessel '' of class 'Probe' not created: a vessel needs a name"))
        << "log lines are not warnings";
}

TEST_F(HostNotices, AMissingMeshIsWarnedOfOnce) {
    world->LoadMesh("no-such-mesh");
    world->LoadMesh("no-such-mesh");
    EXPECT_EQ(heard.size(), 1u);
    EXPECT_EQ(world->warnings.size(), 1u);
}

TEST_F(HostNotices, WithoutAListenerTheWarningIsStillKept) {
    world->onNotice = nullptr;
    testing::internal::CaptureStderr();
    world->LoadMesh("no-such-mesh");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(world->warnings.size(), 1u);
}

TEST_F(HostTest, TheProgramShowsEachNoticeOnStandardErrorAtOnce) {
    testing::internal::CaptureStderr();
    char first[] = "before";
    oapiWriteLog(first);
    world->LoadMesh("no-such-mesh");
    char second[] = "after";
    oapiWriteLog(second);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "talvek-sim: log: before\ntalvek-sim: warning: mesh 'no-such-mesh' not found at " +
                  (root.Path() / "Meshes" / "no-such-mesh.msh").string() +
                  "; its template is null\ntalvek-sim: log: after\n");
}

TEST_F(HostNotices, TheGuardOfAHostCallLetsNoInputErrorReachTheModule) {
    EXPECT_EQ(world->GuardHostCall("x: ", 0, [] { return 7; }), 7) << "a call that succeeds gives its value";
    EXPECT_TRUE(heard.empty());

    EXPECT_EQ(world->GuardHostCall("vessel 'V' not created: ", -1,
                                   []() -> int { throw sim::VesselRefused("its name is taken"); }),
              -1);
    EXPECT_THAT(world->warnings, ElementsAre("vessel 'V' not created: its name is taken")) << "a refusal is a warning";
    EXPECT_FALSE(world->PendingError());

    EXPECT_EQ(world->GuardHostCall("y: ", -1, []() -> int { throw sim::InputError("f.cfg:3: broken"); }), -1);
    EXPECT_EQ(world->PendingError(), "f.cfg:3: broken") << "any other input error waits for the module to return";
    EXPECT_EQ(world->warnings.size(), 1u);
}

namespace {

// A module's log line is a printf format with no arguments, as in the simulator.
struct LogFormatCase {
    const char* format;
    const char* printed;     // nullptr: a module fault, the line not printed
    const char* conversion;  // the conversion the fault names
};

const LogFormatCase LOG_FORMATS[] = {
    {"plain text", "plain text", ""},
    {"100%% sure", "100% sure", ""},
    {"%%s and %%n", "%s and %n", ""},
    {"%%%%", "%%", ""},
    {"%s", nullptr, "%s"},
    {"name: %d items", nullptr, "%d"},
    {"%n", nullptr, "%n"},
    {"x %5.2f y", nullptr, "%5.2f"},
    {"%-08lld", nullptr, "%-08lld"},
    {"100%", nullptr, "%"},
    {"50%% of 100% ", nullptr, "% "},
    {"%%%s", nullptr, "%s"},
    {"a %\nb", nullptr, "%\\x0a"},
};

}  // namespace

TEST_F(HostNotices, ALogLineIsPrintedAsThePrintfFormatItIsOrIsAModuleFault) {
    sim::VesselRecord* v = Probe("Writer");
    for (const auto& c : LOG_FORMATS) {
        heard.clear();
        world->warnings.clear();
        world->events.clear();
        const long faultsBefore = world->ModuleFaults();
        std::string format = c.format;
        world->InContext(*v, [&] { oapiWriteLog(format.data()); });
        if (c.printed) {
            EXPECT_THAT(heard, ElementsAre(std::string("talvek-sim: log: ") + c.printed)) << c.format;
            ASSERT_EQ(world->events.size(), 1u) << c.format;
            EXPECT_EQ(world->events[0].what, std::string("log ") + c.printed);
            EXPECT_EQ(world->ModuleFaults(), faultsBefore);
            continue;
        }
        EXPECT_TRUE(world->events.empty()) << "nothing of the line reaches the timeline: " << c.format;
        EXPECT_EQ(world->ModuleFaults(), faultsBefore + 1) << c.format;
        ASSERT_EQ(world->warnings.size(), 1u) << c.format;
        EXPECT_EQ(world->warnings[0].rfind("module fault: vessel 'Writer' wrote a log line with the conversion '" +
                                               std::string(c.conversion) + "'",
                                           0),
                  0u)
            << world->warnings[0];
        EXPECT_EQ(world->warnings[0].find('\n'), std::string::npos) << "the raw line is shown on one line";
    }
}
