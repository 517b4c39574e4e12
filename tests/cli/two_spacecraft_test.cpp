// Two spacecraft in one scenario that both separate: each releases its own modules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "test_support.h"

using testing::UnorderedElementsAre;

namespace {

std::string Talvek(const std::string& name, const std::string& rpos, const std::string& rvel,
                   const std::string& payload = "") {
    return name + ":Talvek\n  STATUS Orbiting Earth\n  RPOS " + rpos + "\n  RVEL " + rvel +
           "\n  AROT 0 0 0\n  PRPLEVEL 0:1 1:1\n  CONFIGURATION 0\n  PANELS 0.0\n" + payload + "END\n";
}

}  // namespace

TEST(TwoSpacecraft, BothSeparateAndEveryModuleExistsUnderANameOfItsOwn) {
    talvek_test::ScratchDir scratch{"talvek-two"};
    scratch.Write("two.scn", "BEGIN_SHIPS\n" + Talvek("T1", "6771010 0 0", "0 0 7672.593") +
                                 Talvek("T2", "0 0 6771010", "7672.593 0 0") + "END_SHIPS\n");
    // The same key is refused within its delay, so the second separation comes later.
    scratch.Write("sep.txt", "at 0 T1 key Ctrl+J\nat 2 T2 key Ctrl+J\n");
    const auto r = talvek_test::RunSim(
        {"run", "two.scn", "--script", "sep.txt", "--until", "3", "--dump", "out.json"}, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("not created"), std::string::npos) << r.err;
    std::vector<std::string> orbital, service;
    const auto dump = nlohmann::json::parse(scratch.Read("out.json"));
    for (const auto& v : dump["vessels"]) {
        if (v["class"] == "tlvorbit") orbital.push_back(v["name"]);
        if (v["class"] == "tlvservice") service.push_back(v["name"]);
    }
    EXPECT_THAT(orbital, UnorderedElementsAre("TalvekOrbitMod", "TalvekOrbitMod-2"));
    EXPECT_THAT(service, UnorderedElementsAre("TalvekServiceMod", "TalvekServiceMod-2"));
}

// Two carriers that hold payloads of the same name release both.
TEST(TwoSpacecraft, PayloadsOfOneNameAreBothReleased) {
    talvek_test::ScratchDir scratch{"talvek-two-payloads"};
    const std::string sat = "  PAYLOAD Sat1 tlvsat tlvsat 0 1.5 3 200 0 1\n";
    scratch.Write("two.scn", "BEGIN_SHIPS\n" + Talvek("T1", "6771010 0 0", "0 0 7672.593", sat) +
                                 Talvek("T2", "0 0 6771010", "7672.593 0 0", sat) + "END_SHIPS\n");
    scratch.Write("rel.txt", "at 0 T1 key J\nat 2 T2 key J\n");
    const auto r = talvek_test::RunSim(
        {"run", "two.scn", "--script", "rel.txt", "--until", "3", "--dump", "out.json"}, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> satellites;
    const auto dump = nlohmann::json::parse(scratch.Read("out.json"));
    for (const auto& v : dump["vessels"])
        if (v["class"] == "tlvsat") satellites.push_back(v["name"]);
    EXPECT_THAT(satellites, UnorderedElementsAre("Sat1", "Sat1-2"));
}
