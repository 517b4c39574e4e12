// The entry points defined once for any vessel class on the carrier: creation and its failure,
// destruction, forwarding, and an event that the callbacks already own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "carrier/vessel_entry_points.h"
#include "module_fixture.h"

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// A vessel class that records the operations the entry points reach.
class Probe : public PayloadCarrier {
public:
    explicit Probe(OBJHANDLE hVessel) : PayloadCarrier(hVessel) {
        if (failNextCreation) {
            failNextCreation = false;
            throw std::bad_alloc();
        }
    }
    ~Probe() override { ++destroyed; }

    void SetClassCaps(FILEHANDLE) { calls.push_back("SetClassCaps"); }
    void Timestep() { calls.push_back("Timestep"); }
    void VisualCreated() { calls.push_back("VisualCreated"); }
    void LoadStateEx(FILEHANDLE, void*) { calls.push_back("LoadStateEx"); }
    void SaveState(FILEHANDLE) { calls.push_back("SaveState"); }
    int ConsumeBufferedKey(DWORD key, bool down, char*) {
        calls.push_back("ConsumeBufferedKey " + std::to_string(key) + (down ? " down" : " up"));
        return 1;
    }

    std::vector<std::string> calls;
    static inline bool failNextCreation = false;
    static inline int destroyed = 0;
};

using Entry = VesselEntryPoints<Probe>;

struct ForwardCase {
    std::string label;
    HostEvent event;                   // HostEvent::Count: not routed, always forwarded
    std::function<int(VESSEL*)> call;  // the entry point's result; 0 for those that give none
    std::string reached;
    int result;  // when the operation is reached
};

void PrintTo(const ForwardCase& c, std::ostream* os) { *os << c.label; }

class EntryPointForwarding : public ModuleTest, public testing::WithParamInterface<ForwardCase> {};

int KeyJ(VESSEL* v) { return Entry::ConsumeBufferedKey(v, OAPI_KEY_J, true, nullptr); }

const ForwardCase FORWARDS[] = {
    {"SetClassCaps", HostEvent::Count, [](VESSEL* v) { Entry::SetClassCaps(v, nullptr); return 0; }, "SetClassCaps", 0},
    {"Timestep", HostEvent::TimeStep, [](VESSEL* v) { Entry::Timestep(v); return 0; }, "Timestep", 0},
    {"VisualCreated", HostEvent::VisualCreated, [](VESSEL* v) { Entry::VisualCreated(v); return 0; },
     "VisualCreated", 0},
    {"LoadStateEx", HostEvent::LoadState, [](VESSEL* v) { Entry::LoadStateEx(v, nullptr, nullptr); return 0; },
     "LoadStateEx", 0},
    {"SaveState", HostEvent::SaveState, [](VESSEL* v) { Entry::SaveState(v, nullptr); return 0; }, "SaveState", 0},
    {"ConsumeBufferedKey", HostEvent::Key, KeyJ, "ConsumeBufferedKey 36 down", 1},
};

}  // namespace

TEST_P(EntryPointForwarding, EachCallReachesTheOperation) {
    Probe probe(record->Handle());
    EXPECT_EQ(GetParam().call(&probe), GetParam().result);
    EXPECT_EQ(GetParam().call(&probe), GetParam().result);
    EXPECT_THAT(probe.calls, ElementsAre(GetParam().reached, GetParam().reached));
}

// With every event owned by the callbacks, only the class set-up, which is not routed, still acts.
TEST_P(EntryPointForwarding, LeavesTheEventsTheCallbacksOwn) {
    Probe probe(record->Handle());
    for (int e = 0; e < static_cast<int>(HostEvent::Count); ++e)
        ASSERT_TRUE(probe.Accepts(static_cast<HostEvent>(e), HostRoute::Callback));
    const bool routed = GetParam().event != HostEvent::Count;
    EXPECT_EQ(GetParam().call(&probe), routed ? 0 : GetParam().result) << "a key not delivered is not used";
    if (routed) EXPECT_THAT(probe.calls, IsEmpty());
    else EXPECT_THAT(probe.calls, ElementsAre(GetParam().reached));
}

INSTANTIATE_TEST_SUITE_P(Operations, EntryPointForwarding, testing::ValuesIn(FORWARDS),
                         [](const testing::TestParamInfo<ForwardCase>& info) { return info.param.label; });

TEST_F(ModuleTest, EntryPointsCreateAndDestroyTheObject) {
    Probe::destroyed = 0;
    VESSEL* v = Entry::Init(record->Handle());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::string(v->GetName()), "T");
    Entry::Exit(v);
    EXPECT_EQ(Probe::destroyed, 1) << "deleted as the vessel class, its destructor run";
    Entry::Exit(nullptr);
    EXPECT_EQ(Probe::destroyed, 1);
}

TEST_F(ModuleTest, EntryPointsGiveNoObjectWhenItCannotBeAllocated) {
    Probe::failNextCreation = true;
    EXPECT_EQ(Entry::Init(record->Handle()), nullptr);
}
