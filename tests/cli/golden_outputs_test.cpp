// The outputs of fixed runs, kept byte for byte: a change meant to be invisible (a faster path,
// a restructuring) must leave every event line, save, dump, log and telemetry row as it was.
// A change of behaviour updates the kept files on purpose:
//   TALVEK_UPDATE_GOLDEN=1 ctest -R GoldenOutputs
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct GoldenRun {
    const char* name;
    std::vector<std::string> args;     // "{root}" and "{data}" stand for the build root and the test data
    std::vector<std::string> outputs;  // files the run writes in its folder
};

const GoldenRun RUNS[] = {
    {"demo",
     {"run", "{root}/Scenarios/Talvek-deorbit.scn", "--script", "{root}/Scenarios/Talvek-deorbit.txt", "--events",
      "--save", "save.scn", "--dump", "dump.json", "--log", "log.txt"},
     {"save.scn", "dump.json", "log.txt"}},
    {"descent",
     {"run", "{root}/Scenarios/Talvek-descent.scn", "--until", "60", "--events", "--telemetry", "telemetry.csv",
      "--save", "save.scn", "--dump", "dump.json"},
     {"telemetry.csv", "save.scn", "dump.json"}},
    {"drop-10km", {"run", "{data}/drop-10km.scn", "--frames", "30", "--events", "--save", "save.scn", "--dump", "dump.json"},
     {"save.scn", "dump.json"}},
    {"full-stack-payload",
     {"run", "{data}/full-stack-payload.scn", "--frames", "30", "--events", "--save", "save.scn", "--dump", "dump.json"},
     {"save.scn", "dump.json"}},
    {"payload-table",
     {"run", "{data}/payload-table.scn", "--frames", "30", "--events", "--save", "save.scn", "--dump", "dump.json"},
     {"save.scn", "dump.json"}},
};

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The kept files were made with glibc's mathematical functions. Another C library (Windows')
// rounds some of them (exp, pow, sin, atan2, ...) in the last bit otherwise now and then: the
// flight is the same, but a number written with all its digits may differ in its last ones.
#if defined(__GLIBC__)
constexpr bool SAME_C_LIBRARY = true;
#else
constexpr bool SAME_C_LIBRARY = false;
#endif
constexpr double LAST_DIGITS = 1e-9;  // relative difference of two numbers that count as the same
constexpr double NEAR_ZERO = 1e-12;   // absolute difference of two numbers near 0 that count as the same

// The length of the number that starts at `at`, 0 when none does.
size_t NumberAt(const std::string& text, size_t at) {
    const char* start = text.c_str() + at;
    char* end = nullptr;
    if (!(std::isdigit(static_cast<unsigned char>(*start)) || *start == '-')) return 0;
    std::strtod(start, &end);
    return static_cast<size_t>(end - start);
}

// Byte for byte, but for numbers that differ in their last digits only.
bool SameButForLastDigits(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const size_t n = NumberAt(a, i), m = NumberAt(b, j);
        if (n > 0 && m > 0) {
            const double x = std::strtod(a.c_str() + i, nullptr), y = std::strtod(b.c_str() + j, nullptr);
            if (std::fabs(x - y) > LAST_DIGITS * std::fmax(std::fabs(x), std::fabs(y)) + NEAR_ZERO) return false;
            i += n;
            j += m;
        } else if (a[i++] != b[j++]) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

bool Same(const std::string& kept, const std::string& produced) {
    return kept == produced || (!SAME_C_LIBRARY && SameButForLastDigits(kept, produced));
}

class GoldenOutputs : public testing::TestWithParam<GoldenRun> {};

TEST_P(GoldenOutputs, StayByteForByte) {
    const GoldenRun& run = GetParam();
    talvek_test::ScratchDir scratch("talvek-golden");
    const std::string root = talvek_test::BuildRoot().string(), data = talvek_test::TestData().string();
    std::vector<std::string> args;
    for (std::string a : run.args) {
        ReplaceAll(a, "{root}", root);
        ReplaceAll(a, "{data}", data);
        args.push_back(a);
    }
    const auto r = talvek_test::RunSim(args, scratch.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    // Paths differ from machine to machine; what stands at them must not.
    auto portable = [&](std::string text) {
        ReplaceAll(text, scratch.Path().string(), "{dir}");
        ReplaceAll(text, root, "{root}");
        ReplaceAll(text, data, "{data}");
        return text;
    };
    std::vector<std::pair<std::string, std::string>> produced{{"stdout.txt", portable(r.out)},
                                                              {"stderr.txt", portable(r.err)}};
    for (const auto& file : run.outputs) produced.emplace_back(file, portable(scratch.Read(file)));

    const fs::path kept = talvek_test::TestData() / "golden" / run.name;
    const bool update = std::getenv("TALVEK_UPDATE_GOLDEN") != nullptr;
    if (update) fs::create_directories(kept);
    for (const auto& [file, text] : produced) {
        if (update) {
            std::ofstream(kept / file, std::ios::binary) << text;
            continue;
        }
        ASSERT_TRUE(fs::exists(kept / file)) << (kept / file) << " is missing; make it with TALVEK_UPDATE_GOLDEN=1";
        EXPECT_TRUE(Same(talvek_test::ReadFile(kept / file), text))
            << file << " of the run '" << run.name << "' differs from " << (kept / file)
            << "; if the change is meant, run the test again with TALVEK_UPDATE_GOLDEN=1 and review the diff";
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, GoldenOutputs, testing::ValuesIn(RUNS),
                         [](const testing::TestParamInfo<GoldenRun>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
