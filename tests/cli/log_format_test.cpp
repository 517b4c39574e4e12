// The simulator takes each line a module writes to its log as a printf format with no arguments:
// the module writes its texts so that they print as they stand, and talvek-sim prints a line as
// the simulator would, or reports a module fault for a line the simulator could not print.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

namespace {

constexpr const char* IN_ORBIT = "\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n  RVEL 0 0 7672.593\n";

TEST(ModuleLog, NamesAndLinesHoldingPercentSignsAreLoggedAsTheyStand) {
    const talvek_test::ScratchDir dir("log-format");
    dir.Write("percent.scn", std::string("BEGIN_SHIPS\nT%s%n100%:Talvek") + IN_ORBIT +
                                 "  PAYLAOD %s %n 100%\n  PAYLOAD Sat%d tlvsat tlvsat 0 0 1 2x%5.2f 0 1\nEND\nEND_SHIPS\n");
    const auto r = talvek_test::RunSim({"run", "percent.scn", "--frames", "2", "--log", "log.txt"}, dir.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string scn = (dir.Path() / "percent.scn").string();
    EXPECT_THAT(r.err, HasSubstr("talvek-sim: log: " + scn +
                                 ":6: T%s%n100%: scenario line ignored, 'PAYLAOD' is not a key; did you mean PAYLOAD?: "
                                 "PAYLAOD %s %n 100%\n"));
    EXPECT_THAT(r.err, HasSubstr("talvek-sim: log: " + scn +
                                 ":7: T%s%n100%: payload line has the mass '2x%5.2f', read as 2; the fields after it "
                                 "read as 0: Sat%d tlvsat tlvsat 0 0 1 2x%5.2f 0 1\n"));
    EXPECT_THAT(r.err, Not(HasSubstr("module fault")));
    EXPECT_THAT(dir.Read("log.txt"), HasSubstr(" T%s%n100% scenario line ignored, 'PAYLAOD' is not a key; did you mean "
                                               "PAYLOAD?: PAYLAOD %s %n 100% ("));
}

TEST(ModuleLog, LineThatReadsAMissingArgumentIsAModuleFault) {
    talvek_test::TempRoot root;
    root.AddFixtureModule("format_logger", "FormatLogger");
    root.Write("Config/Vessels/Logger.cfg", "ClassName = Logger\nModule = FormatLogger\n");
    const fs::path scn = root.Write("Scenarios/logger.scn", std::string("BEGIN_SHIPS\nL:Logger") + IN_ORBIT + "END\nEND_SHIPS\n");
    for (const bool strict : {false, true}) {
        std::vector<std::string> args{"run", scn.string(), "--root", root.Path().string(), "--frames", "2"};
        if (strict) args.push_back("--strict");
        const auto r = talvek_test::RunSim(args, root.Path());
        EXPECT_EQ(r.status, strict ? 2 : 0) << r.err;
        EXPECT_THAT(r.err, HasSubstr("talvek-sim: log: FormatLogger: 100% sure\n")) << "'%%' prints as '%'";
        EXPECT_THAT(r.err, HasSubstr("talvek-sim: warning: module fault: vessel 'L' wrote a log line with the "
                                     "conversion '%s'"));
        EXPECT_THAT(r.err, HasSubstr("The line, not printed: \"FormatLogger: %s was here\"\n"));
        EXPECT_THAT(r.err, Not(HasSubstr("talvek-sim: log: FormatLogger: %s")));
        if (strict) {
            EXPECT_THAT(r.err, HasSubstr("--strict: a module did what the simulator fails on (1 module fault(s)"));
        }
    }
}

}  // namespace
