// The loader's cache of a library's functions: right for whichever library a handle names, also
// after a library is unloaded and another is loaded, perhaps under the same handle. The loader
// finds a relative path without regard to case, as Windows' loader does.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "messages/library_loader.h"
#include "test_platform.h"
#include "test_support.h"

namespace fs = std::filesystem;

TEST(LibraryFunctionCache, AnswersForTheLibraryItIsGiven) {
    const std::string withFunction = (talvek_test::FixtureModules() / "scripted_messages").string();
    const std::string without = (talvek_test::FixtureModules() / "empty_library").string();
    LibraryHandle a = LoadRuntimeLibrary(withFunction.c_str());
    LibraryHandle b = LoadRuntimeLibrary(without.c_str());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    LibraryFunctionCache cache;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(FindLibraryFunction(a, "CheckCMessage", cache), FindLibraryFunction(a, "CheckCMessage"));
        EXPECT_NE(FindLibraryFunction(a, "CheckCMessage", cache), nullptr);
        EXPECT_EQ(FindLibraryFunction(b, "CheckCMessage", cache), nullptr);
    }
    EXPECT_EQ(FindLibraryFunction(nullptr, "CheckCMessage", cache), nullptr);
    FreeRuntimeLibrary(a);
    FreeRuntimeLibrary(b);
}

// One path, one library after the other: a cache that went by the handle alone would keep the
// first library's answer when the loader gives the second the same handle.
TEST(LibraryFunctionCache, LooksAgainAfterAnUnload) {
    const fs::path folder = fs::temp_directory_path() / ("talvek-loader-" + std::to_string(talvek_test::ProcessId()));
    fs::create_directories(folder);
    const fs::path file = folder / (std::string("swapped") + talvek_test::LIBRARY_SUFFIX);
    const std::string path = (folder / "swapped").string();
    LibraryFunctionCache cache;
    const char* const fixtures[] = {"empty_library", "scripted_messages", "empty_library", "scripted_messages"};
    for (const char* fixture : fixtures) {
        fs::remove(file);
        fs::copy_file(talvek_test::FixtureModules() / (std::string(fixture) + talvek_test::LIBRARY_SUFFIX), file);
        LibraryHandle library = LoadRuntimeLibrary(path.c_str());
        ASSERT_NE(library, nullptr) << fixture;
        const LibraryFunction found = FindLibraryFunction(library, "CheckCMessage", cache);
        EXPECT_EQ(found, FindLibraryFunction(library, "CheckCMessage")) << fixture;
        EXPECT_EQ(found != nullptr, std::string(fixture) == "scripted_messages") << fixture;
        FreeRuntimeLibrary(library);
    }
    fs::remove_all(folder);
}

// The carrier's path to the message module, with backslashes and in another case than the files:
// found as on Windows. Where a folder keeps case, the loader searches itself: of two files that
// differ only in case, the one spelled as the path, else the first in sorted order, and never a
// file outside the folder it starts from (on Windows the system's loader does all of this).
TEST(LoadRuntimeLibrary, FindsARelativePathWhateverTheCase) {
    talvek_test::ScratchDir root("talvek-loader-case");
    fs::create_directories(root.Path() / "modules" / "Parts");
    const auto put = [&](const char* relative, const char* fixture) {
        talvek_test::LinkOrCopy(talvek_test::FixtureModules() / (std::string(fixture) + talvek_test::LIBRARY_SUFFIX),
                                root.Path() / (std::string(relative) + talvek_test::LIBRARY_SUFFIX));
    };
    put("modules/DravoMessage", "scripted_messages");
    constexpr bool OWN_SEARCH = talvek_test::HAS_CASE_KEEPING_FOLDERS;
    if (OWN_SEARCH) {
        put("modules/Parts/Twin", "empty_library");
        put("modules/Parts/twin", "scripted_messages");
    }
    std::string suffixInCapitals = talvek_test::LIBRARY_SUFFIX;
    for (char& ch : suffixInCapitals) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    talvek_test::ScopedCwd cwd(root.Path());
    const struct {
        std::string path;
        bool found;
        bool hasCheckMessage;  // scripted_messages rather than empty_library
        bool ownSearch;        // a case of the loader's own search
    } cases[] = {
        {"Modules\\dravomessage", true, true, false},
        {"MODULES/DRAVOMESSAGE" + suffixInCapitals, true, true, false},
        {"modules\\Parts\\twin", true, true, true},    // spelled exactly as one of the two
        {"Modules\\PARTS\\TWIN", true, false, true},   // neither: the first in sorted order, Twin
        {"Modules\\..\\modules\\dravomessage", false, false, true},
        {"Modules\\absent", false, false, false},
    };
    for (const auto& c : cases) {
        if (c.ownSearch && !OWN_SEARCH) continue;
        LibraryHandle library = LoadRuntimeLibrary(c.path.c_str());
        EXPECT_EQ(library != nullptr, c.found) << c.path;
        if (library) {
            EXPECT_EQ(FindLibraryFunction(library, "CheckCMessage") != nullptr, c.hasCheckMessage) << c.path;
        }
        FreeRuntimeLibrary(library);
    }
}
