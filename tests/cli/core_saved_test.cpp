// Scenarios that the simulator's core saved in the middle of the demo flight (tests/data/core-saved):
// each loads in talvek-sim, and its save keeps every line that talvek-sim does not own as it was
// and where it was; saved again, it is the same file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;
using talvek_test::ReadFile;
using talvek_test::RunSim;
using testing::HasSubstr;

namespace {

// The lines that are not talvek-sim's to write, in their order: every line outside the ships but the
// date, and in the ships the vessel and END lines and the vessel lines of the simulator's default
// parser that talvek-sim keeps, and XPDR, whose channel it keeps. The others in a vessel block are
// the host's state (written in its own format) or the module's own.
std::vector<std::string> NotOwned(const std::string& text) {
    static const std::set<std::string> KEPT = {"BASE",    "ATTACHED", "RCSMODE",    "AFCMODE", "DOCKINFO",
                                               "IDS",     "NAVFREQ",  "FLIGHTDATA", "XPDR"};
    std::vector<std::string> lines;
    std::istringstream in(text);
    bool ships = false;
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (line == "BEGIN_SHIPS" || line == "END_SHIPS") ships = line == "BEGIN_SHIPS";
        else if (!ships && first == "Date") continue;
        else if (ships && line[0] == ' ' && !KEPT.count(first)) continue;
        lines.push_back(line);
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

class CoreSaved : public testing::TestWithParam<const char*> {
protected:
    fs::path File() const { return talvek_test::TestData() / "core-saved" / (std::string(GetParam()) + ".scn"); }
};

TEST_P(CoreSaved, LoadsAndIsSavedWithEveryLineItDoesNotOwnInPlace) {
    talvek_test::ScratchDir scratch("talvek-core-saved");
    const std::string read = ReadFile(File());
    const auto loaded = RunSim({"run", File().string(), "--frames", "0", "--save", "loaded.scn", "--strict"}, scratch.Path());
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.err, "") << "nothing in it is unread or refused";
    const std::string saved = scratch.Read("loaded.scn");
    EXPECT_EQ(Joined(NotOwned(saved)), Joined(NotOwned(read)));

    // Saved, loaded and saved again: the same bytes.
    const auto again = RunSim({"run", "loaded.scn", "--frames", "0", "--save", "again.scn"}, scratch.Path());
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(scratch.Read("again.scn"), saved);

    // Flown on for a second, the lines are still there.
    const auto flown = RunSim({"run", File().string(), "--frames", "60", "--save", "flown.scn"}, scratch.Path());
    ASSERT_EQ(flown.status, 0) << flown.err;
    EXPECT_EQ(Joined(NotOwned(scratch.Read("flown.scn"))), Joined(NotOwned(read)));
}

INSTANTIATE_TEST_SUITE_P(Flight, CoreSaved,
                         testing::Values("core-released", "core-burn", "core-drogue", "core-main", "core-landed",
                                         "core-exit"));

// A Talvek's transponder is its module's to switch on; its channel, read from the scenario, stays.
TEST(CoreSavedLines, ATalveksTransponderChannelIsKept) {
    talvek_test::ScratchDir scratch("talvek-xpdr");
    std::string text = ReadFile(talvek_test::BuildRoot() / "Scenarios" / "Talvek-orbit.scn");
    const std::string panels = "  PANELS 0.0\n";
    text.replace(text.find(panels), panels.size(), panels + "  XPDR 466\n  RCSMODE 2\n  NAVFREQ 84 0\n");
    scratch.Write("orbit.scn", text);
    const auto r = RunSim({"run", "orbit.scn", "--frames", "10", "--save", "out.scn"}, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(scratch.Read("out.scn"), HasSubstr("  RCSMODE 2\n  PRPLEVEL 0:1.000000 1:1.000000\n  NAVFREQ 84 0\n"
                                                   "  XPDR 466\n  CONFIGURATION 0\n"));
}

}  // namespace
