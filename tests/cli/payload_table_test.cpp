// A payload and stage table declared in a scenario, saved and read back through talvek-sim.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {
// The payload lines of a saved scenario.
std::vector<std::string> PayloadLines(const std::string& scenario) {
    std::vector<std::string> lines;
    std::istringstream in(scenario);
    for (std::string l; std::getline(in, l);)
        if (l.find("PAYLOAD") != std::string::npos || l.find("STAGE") != std::string::npos) lines.push_back(l);
    return lines;
}
}  // namespace

TEST(PayloadTable, SavedInTheGrammarAndReadBackTheSame) {
    const fs::path dir = fs::temp_directory_path() / ("talvek-table-" + std::to_string(talvek_test::ProcessId()));
    fs::create_directories(dir);
    auto r = talvek_test::RunSim(
        {"run", (talvek_test::TestData() / "payload-table.scn").string(), "--frames", "0", "--save", "a.scn"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto first = PayloadLines(talvek_test::ReadFile(dir / "a.scn"));
    ASSERT_GE(first.size(), 9u);
    EXPECT_EQ(first[0], "  STAGE Upper tlvdrogue tlvstage 0.00 1.00 3.00 500.00 0.00 1.00");
    EXPECT_EQ(first[1], "  STAGE Kick tlvdrogue tlvstage 0.00 1.20 3.50 200.00 0.00 0.50");
    EXPECT_EQ(first[2], "  PAYLOAD Cube1 tlvdrogue tlvorbit 0.30 1.30 3.60 4.00 90.00 0.00");
    EXPECT_EQ(first[3], "  ENDSTAGE ") << "two levels close here: two lines";
    EXPECT_EQ(first[4], "  ENDSTAGE ");
    EXPECT_EQ(first[5], "  STAGE Empty tlvdrogue tlvorbit 0.00 -1.00 0.00 10.00 0.00 0.00");
    EXPECT_EQ(first[6], "  ENDSTAGE ") << "the empty stage is closed before the next slot";
    EXPECT_EQ(first[7], "  PAYLOAD " + std::string(127, 'L') + " tlvdrogue tlvorbit 1.00 0.00 0.00 2.00 0.00 0.00")
        << "the tab and lower-case lines fill no slot; the long name is cut to 127";
    EXPECT_EQ(first[8], "  PAYLOAD P1 tlvdrogue tlvorbit 0.00 0.00 -1.004 1.005 0.00 0.00")
        << "values that two decimals would change are saved as they are held";
    EXPECT_EQ(first.back(), "  PAYLOAD P45 tlvdrogue tlvorbit 0.00 0.00 -45.004 1.005 0.00 0.00")
        << "50 slots: the lines after the 50th are ignored";
    EXPECT_EQ(first.size(), 50u + 3u) << "fifty slots and three stage closings";

    r = talvek_test::RunSim({"run", "a.scn", "--frames", "0", "--save", "b.scn"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PayloadLines(talvek_test::ReadFile(dir / "b.scn")), first);
    fs::remove_all(dir);
}
