// The docs' examples, run as a reader would run them. The messages that the docs quote for the
// checks before the first frame are the ones talvek-sim gives: each example is run, its paths
// written as the docs write them (ROOT for the host root, a scenario by its file name), and the
// line looked for in the page that quotes it. A worked example's files are taken from the page,
// and what the page says talvek-sim prints and saves is what it prints and saves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

std::string Doc(const std::string& name) {
    std::string text = talvek_test::ReadFile(talvek_test::Docs() / name);
    // A quote in running text may be wrapped across lines.
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// The code block that follows the first line of the page holding `intro`.
std::string CodeBlockAfter(const std::string& page, const std::string& intro) {
    const std::string text = talvek_test::ReadFile(talvek_test::Docs() / page);
    const size_t at = text.find(intro);
    if (at == std::string::npos) {
        ADD_FAILURE() << intro << " not in " << page;
        return "";
    }
    const size_t start = text.find("```\n", at) + 4;
    return text.substr(start, text.find("\n```", start) - start + 1);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

class DocExamples : public testing::Test {
protected:
    // The line of standard error that holds `start`, its paths as the docs write them.
    std::string LineOf(const talvek_test::ProcessResult& r, const std::string& start) const {
        std::string err = r.err;
        ReplaceAll(err, "\\", "/");
        std::string rootPath = root.Path().generic_string(), scratchPath = scratch.Path().generic_string() + "/";
        ReplaceAll(err, scratchPath, "");
        ReplaceAll(err, rootPath, "ROOT");
        const size_t at = err.find(start);
        if (at == std::string::npos) {
            ADD_FAILURE() << start << " not in:\n" << r.err;
            return "";
        }
        return err.substr(at, err.find('\n', at) - at);
    }
    talvek_test::ProcessResult Run(std::vector<std::string> args) const {
        args.insert(args.end(), {"--root", root.Path().string()});
        return talvek_test::RunSim(args, scratch.Path());
    }

    talvek_test::TempRoot root;
    talvek_test::ScratchDir scratch{"talvek-doc-examples"};
};

// Where the scenario reference introduces the class and the scenario of its stage example.
constexpr const char* MYCARGO = "The class file, `Config/Vessels/mycargo.cfg`";
constexpr const char* STAGE_CARGO = "The scenario, `stage-cargo.scn`:";
constexpr const char* STAGE_SCRIPT = "The flight script, `stage-cargo.txt`";

}  // namespace

// The author's stage example of the scenario reference, its stage of a class without a module.
TEST_F(DocExamples, StageOfAClassWithoutAModule) {
    std::string scenario = CodeBlockAfter("scenario-reference.md", STAGE_CARGO);
    root.Write("Config/Vessels/mycargo.cfg", CodeBlockAfter("scenario-reference.md", MYCARGO));
    const std::string stage = "STAGE Carrier1 tlvstage tlvstage ";
    ASSERT_NE(scenario.find(stage), std::string::npos);
    scenario.replace(scenario.find(stage), stage.size(), "STAGE Carrier1 tlvstage tlvorbit ");
    scratch.Write("stage-cargo.scn", scenario);
    const auto r = Run({"run", "stage-cargo.scn"});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(Doc("scenario-reference.md"), HasSubstr(LineOf(r, "stage-cargo.scn:")));
}

TEST_F(DocExamples, ScriptNamingAVesselTheFlightCannotHold) {
    scratch.Write("stage-cargo.scn", CodeBlockAfter("scenario-reference.md", STAGE_CARGO));
    root.Write("Config/Vessels/mycargo.cfg", CodeBlockAfter("scenario-reference.md", MYCARGO));
    scratch.Write("stage-cargo.txt", "at 2 Talvek key J\nat 10 Disp2 key J\n");
    const auto r = Run({"run", "stage-cargo.scn", "--script", "stage-cargo.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(Doc("talvek-sim-reference.md"), HasSubstr(LineOf(r, "stage-cargo.txt:2: ")));
}

TEST_F(DocExamples, PayloadLineWarnings) {
    scratch.Write("cargo.scn", "BEGIN_SHIPS\nTalvek:Talvek\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n"
                               "  RVEL 0 0 7672.593\n  CONFIGURATION 0\n  PANELS 0.0\n"
                               "  PAYLOAD Sat1 tlvsat tlvsat 0 1.5 3 200 0 50\n"
                               "  PAYLOAD Sat2 tlvsatt tlvsat 0 -1.5 3 200 0 1\nEND\nEND_SHIPS\n");
    const auto r = Run({"run", "cargo.scn", "--frames", "1", "--strict"});
    EXPECT_EQ(r.status, 2);
    const std::string reference = Doc("talvek-sim-reference.md");
    EXPECT_THAT(reference, HasSubstr(LineOf(r, "talvek-sim: warning: cargo.scn:8: ")));
    EXPECT_THAT(reference, HasSubstr(LineOf(r, "talvek-sim: warning: cargo.scn:9: ")));
}

// "Example: your own cargo on a stage", flown as written: its output, and the stage's block saved
// at 5 s.
TEST_F(DocExamples, YourOwnCargoOnAStage) {
    root.Write("Config/Vessels/mycargo.cfg", CodeBlockAfter("scenario-reference.md", MYCARGO));
    scratch.Write("stage-cargo.scn", CodeBlockAfter("scenario-reference.md", STAGE_CARGO));
    scratch.Write("stage-cargo.txt", CodeBlockAfter("scenario-reference.md", STAGE_SCRIPT));
    const auto full = Run({"run", "stage-cargo.scn", "--script", "stage-cargo.txt", "--until", "30", "--events",
                           "--save", "end.scn", "--dump", "end.json"});
    ASSERT_EQ(full.status, 0) << full.err;
    EXPECT_EQ(full.out, CodeBlockAfter("scenario-reference.md", "It prints:"));
    const auto at5 = Run({"run", "stage-cargo.scn", "--script", "stage-cargo.txt", "--until", "5", "--save", "at5.scn"});
    ASSERT_EQ(at5.status, 0) << at5.err;
    EXPECT_THAT(scratch.Read("at5.scn"), HasSubstr(CodeBlockAfter("scenario-reference.md", "Saved at 5 s")));
}
