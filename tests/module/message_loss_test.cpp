// Messages nobody reads do not fill the message module, and a refused message is reported.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "messagebus/message_bus.h"
#include "carrier/internal/test_access.h"
#include "module_fixture.h"
#include "sim/platform.h"

using testing::HasSubstr;

namespace {

constexpr int PER_TARGET = 1024;  // the message module's bounds
constexpr int TARGETS_TO_FILL = 4;

class MessageLoss : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        std::string error;
        bus = sim::platform::OpenLibrary(root.Path() / "Modules" / (std::string("dravomessage") + sim::platform::LIBRARY_SUFFIX), error);
        ASSERT_NE(bus, nullptr);
        send = reinterpret_cast<decltype(&SendCMessage)>(sim::platform::LibrarySymbol(bus, "SendCMessage"));
        check = reinterpret_cast<decltype(&CheckCMessage)>(sim::platform::LibrarySymbol(bus, "CheckCMessage"));
        forget = reinterpret_cast<decltype(&ForgetCMessages)>(sim::platform::LibrarySymbol(bus, "ForgetCMessages"));
    }
    void TearDown() override {
        for (VESSEL* t : filled) forget(t);
        ModuleTest::TearDown();
        sim::platform::CloseLibrary(bus);
    }
    // Fills the whole module with messages for these targets.
    void Fill(const std::vector<VESSEL*>& targets) {
        for (VESSEL* t : targets) {
            filled.push_back(t);
            for (int i = 0; i < PER_TARGET; ++i) ASSERT_EQ(send(t, "PAYLOAD", "PAYLOAD p m c 0 0 1 1 0 0"), 0);
        }
    }

    void* bus = nullptr;
    decltype(&SendCMessage) send = nullptr;
    decltype(&CheckCMessage) check = nullptr;
    decltype(&ForgetCMessages) forget = nullptr;
    std::vector<VESSEL*> filled;
};

}  // namespace

TEST_F(MessageLoss, MessagesForPassiveVesselsAreDroppedAtTheFrameEndSoHandOversStillArrive) {
    std::vector<VESSEL*> passive;
    for (int i = 0; i < TARGETS_TO_FILL; ++i) passive.push_back(world->AddVessel("Stage" + std::to_string(i), "Shell")->iface);
    Fill(passive);
    VESSEL* carrier = reinterpret_cast<VESSEL*>(0x7000);
    ASSERT_EQ(send(carrier, "PAYLOAD", "x"), -1) << "the module is full";

    testing::internal::CaptureStderr();
    world->AdvanceFrame(1.0 / 60);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("dropped 1024 message(s) for vessel 'Stage0'"));
    EXPECT_THAT(err, HasSubstr("dropped 1024 message(s) for vessel 'Stage3'"));
    char name[256], text[2048];
    for (VESSEL* p : passive) EXPECT_EQ(check(p, name, text), -1);
    EXPECT_EQ(send(carrier, "PAYLOAD", "x"), 0) << "a later hand-over to a real carrier is held";
    filled.push_back(carrier);
}

TEST_F(MessageLoss, RefusedHandOverIsWrittenToTheHostLog) {
    std::vector<VESSEL*> fakes;
    for (int i = 0; i < TARGETS_TO_FILL; ++i) fakes.push_back(reinterpret_cast<VESSEL*>(0x1000 + 16 * i));
    Fill(fakes);
    sim::VesselRecord* u = world->AddVessel("U", "Shell");
    Recording sender(record->Handle());
    Recording target(u->Handle());
    testing::internal::CaptureStderr();
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "PAYLOAD", "PAYLOAD p m c 0 0 1 1 0 0");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("talvek-sim: log: Talvek: message PAYLOAD for U was refused by the message module "
                               "(queue full)\n"));
}

TEST_F(MessageLoss, AcceptedMessagesLeaveTheLogAlone) {
    sim::VesselRecord* u = world->AddVessel("U", "Shell");
    Recording sender(record->Handle());
    Recording target(u->Handle());
    testing::internal::CaptureStderr();
    PayloadCarrierTestAccess::SendVesselMessage(sender, &target, "PAYLOAD", "PAYLOAD p m c 0 0 1 1 0 0");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(target.PollMessages());
}

TEST_F(MessageLoss, LogLinesReachTheWorldAndStandardError) {
    char line[] = "a line";
    testing::internal::CaptureStderr();
    oapiWriteLog(line);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "talvek-sim: log: a line\n");
    EXPECT_THAT(world->log, testing::ElementsAre("a line"));
}
