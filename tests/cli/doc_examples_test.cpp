// The worked examples of the docs, flown as a reader would fly them: the files are taken from the
// page itself, and what the page says talvek-sim prints and saves is what it prints and saves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

// The first fenced block after the first line of the page that holds `marker`; fails the test
// when the page has none (the page was rewritten: the test must follow it).
std::string BlockAfter(const std::string& page, const std::string& marker) {
    const size_t at = page.find(marker);
    EXPECT_NE(at, std::string::npos) << "the page no longer says: " << marker;
    if (at == std::string::npos) return "";
    const size_t fence = page.find("\n```", at);
    const size_t start = page.find('\n', fence + 1);
    const size_t end = page.find("\n```", start);
    EXPECT_NE(end, std::string::npos) << "no block after: " << marker;
    if (fence == std::string::npos || end == std::string::npos) return "";
    return page.substr(start + 1, end - start);  // with its last line's end
}

// "Example: your own cargo on a stage": an author's class, a stage with two boxes, a script.
TEST(DocExamples, YourOwnCargoOnAStage) {
    const std::string page = talvek_test::ReadFile(talvek_test::Docs() / "scenario-reference.md");
    talvek_test::TempRoot root;
    root.Write("Config/Vessels/mycargo.cfg", BlockAfter(page, "The class file, `Config/Vessels/mycargo.cfg`"));
    talvek_test::ScratchDir dir("doc-example");
    dir.Write("stage-cargo.scn", BlockAfter(page, "The scenario, `stage-cargo.scn`"));
    dir.Write("stage-cargo.txt", BlockAfter(page, "The flight script, `stage-cargo.txt`"));
    const std::vector<std::string> common = {"run", "stage-cargo.scn", "--root", root.Path().string(), "--script",
                                             "stage-cargo.txt"};

    auto args = common;
    args.insert(args.end(), {"--until", "30", "--events", "--save", "end.scn", "--dump", "end.json"});
    const auto full = talvek_test::RunSim(args, dir.Path());
    ASSERT_EQ(full.status, 0) << full.err;
    EXPECT_EQ(full.out, BlockAfter(page, "It prints:"));

    args = common;
    args.insert(args.end(), {"--until", "5", "--save", "at5.scn"});
    const auto at5 = talvek_test::RunSim(args, dir.Path());
    ASSERT_EQ(at5.status, 0) << at5.err;
    EXPECT_THAT(dir.Read("at5.scn"), HasSubstr(BlockAfter(page, "Saved at 5 s")));
}

}  // namespace
