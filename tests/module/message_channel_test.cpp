// The message channel over the real message module and over stand-ins.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "carrier/internal/test_access.h"
#include "messagebus/message_bus.h"
#include "module_fixture.h"
#include "sim/file_handles.h"
#include "sim/platform.h"

using testing::ElementsAre;
using testing::Pair;

namespace {


// The message module of the test root, as the carriers see it.
class MessageBus {
public:
    explicit MessageBus(const std::filesystem::path& root)
        : handle_(sim::platform::OpenLibrary(root / "Modules" / (std::string("dravomessage") + sim::platform::LIBRARY_SUFFIX),
                                             error_)) {}
    ~MessageBus() { sim::platform::CloseLibrary(handle_); }
    template <class Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(sim::platform::LibrarySymbol(handle_, name));
    }

private:
    std::string error_;  // why the library could not be loaded
    sim::platform::Library handle_;
};

class Channel : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        receiver = world->AddVessel("U", "Shell");
    }
    sim::VesselRecord* receiver = nullptr;
};

}  // namespace

TEST_F(Channel, MessagesArriveInOrderAndAreRoutedByName) {
    Recording sender(record->Handle());
    Recording target(receiver->Handle());
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "NOTE", "first");
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "PAYLOAD",
                                                "PAYLOAD Sat1 tlvdrogue tlvorbit 0 0 2 10 0 0");
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "EMPTY", "");
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "NOTE", "second");
    PayloadCarrierTestAccess::SendVesselMessage(sender, &sender, "NOTE", "for the sender");

    EXPECT_TRUE(target.PollMessages());
    EXPECT_THAT(target.messages, ElementsAre(Pair("NOTE", "first"), Pair("NOTE", "second")))
        << "an empty text is dropped";
    EXPECT_STREQ(target.PayloadTable()[0].vesselName, "Sat1");
    EXPECT_FALSE(target.PollMessages()) << "nothing left";
    EXPECT_TRUE(sender.messages.empty()) << "messages are addressed";
    EXPECT_TRUE(sender.PollMessages());
    EXPECT_THAT(sender.messages, ElementsAre(Pair("NOTE", "for the sender")));
}

TEST_F(Channel, TimeStepDrainsTheChannelFirst) {
    Recording sender(record->Handle());
    Recording target(receiver->Handle());
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "STAGE", "STAGE S m c 0 0 1 5 0 0");
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "PAYLOAD", "PAYLOAD p m c 0 0 2 5 0 0");
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "ENDSTAGE", "ENDSTAGE");
    testing::internal::CaptureStderr();
    target.Timestep();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(target.PayloadTable()[1].parentStage, 0);
    EXPECT_EQ(PayloadCarrierTestAccess::OpenStage(target), -1);
}

// A save between the hand-over and the receiver's next step: the waiting lines are part of it.
TEST_F(Channel, SaveHoldsTheLinesStillWaiting) {
    Recording sender(record->Handle());
    Recording target(receiver->Handle());
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "STAGE", "STAGE S m c 0 0 1 5 0 0");
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "PAYLOAD", "PAYLOAD p m c 0 0 2 5 0 0");
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "ENDSTAGE", "ENDSTAGE");
    sim::ScenarioWriter out;
    target.SavePayloadLines(&out);
    EXPECT_EQ(out.text, "  STAGE S m c 0.00 0.00 1.00 5.00 0.00 0.00\n  PAYLOAD p m c 0.00 0.00 2.00 5.00 0.00 0.00\n"
                        "  ENDSTAGE \n");
    EXPECT_FALSE(target.PollMessages()) << "taken, not copied";
}

TEST_F(Channel, ModuleWithoutTheFunctionsIsSilent) {
    ChangeModules([&] { root.AddFixtureModule("empty_library", "dravomessage"); });
    Recording a(record->Handle());
    ASSERT_NE(PayloadCarrierTestAccess::MessageModule(a), nullptr);
    PayloadCarrierTestAccess::SendVesselMessage(a, &a, "NOTE", "text");
    EXPECT_FALSE(a.PollMessages());
    EXPECT_TRUE(a.messages.empty());
}

namespace {
struct PollCase {
    std::vector<int> results;
    std::vector<const char*> texts;
    bool received;
    std::vector<std::string> dispatched;
    int calls;
};
void PrintTo(const PollCase& c, std::ostream* os) { *os << testing::PrintToString(c.results); }
class Polling : public ModuleTest, public testing::WithParamInterface<PollCase> {
protected:
    // The stand-in must be in place before the host loads the root's message module.
    void SetUp() override {
        root.AddFixtureModule("scripted_messages", "dravomessage");
        ModuleTest::SetUp();
    }
};
}  // namespace

TEST_P(Polling, ResultsDecideTheLoop) {
    MessageBus bus(root.Path());
    auto program = bus.Get<void (*)(const int*, const char* const*, int)>("ScriptedMessagesProgram");
    auto calls = bus.Get<int (*)()>("ScriptedMessagesCalls");
    ASSERT_NE(program, nullptr);
    program(GetParam().results.data(), GetParam().texts.data(), static_cast<int>(GetParam().results.size()));
    Recording t(record->Handle());
    EXPECT_EQ(t.PollMessages(), GetParam().received);
    std::vector<std::string> texts;
    for (const auto& m : t.messages) texts.push_back(m.second);
    EXPECT_EQ(texts, GetParam().dispatched);
    EXPECT_EQ(calls(), GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Polling,
    testing::Values(PollCase{{0, 3, -1}, {"a", "b", "unused"}, true, {"a", "b"}, 3},
                    PollCase{{}, {}, false, {}, 1},
                    PollCase{{-5, 0}, {"last", "never"}, true, {"last"}, 1},  // another negative ends the loop
                    PollCase{{0, -1}, {"", "x"}, false, {}, 2},                // an empty text does not count
                    PollCase{{2, 1, 0}, {"x", "", "z"}, true, {"x", "z"}, 4}));

TEST_F(Channel, MessagesForADeletedVesselNeverReachAnother) {
    MessageBus bus(root.Path());
    auto send = bus.Get<decltype(&SendCMessage)>("SendCMessage");
    auto check = bus.Get<decltype(&CheckCMessage)>("CheckCMessage");
    sim::VesselRecord* doomed = world->AddVessel("Doomed", "Talvek");
    VESSEL* address = doomed->iface;
    ASSERT_EQ(send(address, "PAYLOAD", "PAYLOAD x m c 0 0 1 1 0 0"), 0);
    world->RequestDelete(*doomed);
    world->ApplyDeletions();
    char name[256], text[2048];
    EXPECT_EQ(check(address, name, text), -1) << "the host told the module of the deletion";
}

TEST_F(Channel, QueuesAreBounded) {
    MessageBus bus(root.Path());
    auto send = bus.Get<decltype(&SendCMessage)>("SendCMessage");
    auto check = bus.Get<decltype(&CheckCMessage)>("CheckCMessage");
    auto forget = bus.Get<decltype(&ForgetCMessages)>("ForgetCMessages");
    int accepted = 0;
    VESSEL* target = reinterpret_cast<VESSEL*>(0x1000);
    for (int i = 0; i < 2000; ++i) accepted += send(target, "N", "t") == 0;
    EXPECT_EQ(accepted, 1024);
    for (int k = 0; k < 8; ++k)
        for (int i = 0; i < 1024; ++i) send(reinterpret_cast<VESSEL*>(0x2000 + 16 * k), "N", "t");
    EXPECT_EQ(send(reinterpret_cast<VESSEL*>(0x9000), "N", "t"), -1) << "the module as a whole is full";
    char name[256], text[2048];
    EXPECT_EQ(check(target, name, text), 1023);
    for (int k = 0; k < 8; ++k) forget(reinterpret_cast<VESSEL*>(0x2000 + 16 * k));
    forget(target);
    EXPECT_EQ(send(reinterpret_cast<VESSEL*>(0x9000), "N", "t"), 0);
    forget(reinterpret_cast<VESSEL*>(0x9000));
}

TEST_F(Channel, LongNamesAndTextsAreTerminatedWithinTheirBuffers) {
    MessageBus bus(root.Path());
    auto send = bus.Get<decltype(&SendCMessage)>("SendCMessage");
    auto check = bus.Get<decltype(&CheckCMessage)>("CheckCMessage");
    VESSEL* target = reinterpret_cast<VESSEL*>(0x4000);
    const std::string longName(600, 'n'), longText(5000, 't');
    send(target, longName.c_str(), longText.c_str());
    std::vector<char> name(256, 'x'), text(2048, 'x');
    EXPECT_EQ(check(target, name.data(), text.data()), 0);
    EXPECT_EQ(std::string(name.data()).size(), 255u);
    EXPECT_EQ(std::string(text.data()).size(), 2047u);
}
