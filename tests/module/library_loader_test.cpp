// The loader's cache of a library's functions: right for whichever library a handle names, also
// after a library is unloaded and another is loaded, perhaps under the same handle. The loader
// finds a relative path without regard to case, as Windows' loader does.
#include <gtest/gtest.h>

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
// found as on Windows; of two files that differ only in case, the one spelled as the path, else
// the first in sorted order.
TEST(LoadRuntimeLibrary, FindsARelativePathWhateverTheCase) {
    talvek_test::ScratchDir root("talvek-loader-case");
    fs::create_directories(root.Path() / "modules" / "Parts");
    const auto put = [&](const char* relative, const char* fixture) {
        fs::create_symlink(talvek_test::FixtureModules() / (std::string(fixture) + ".so"), root.Path() / relative);
    };
    put("modules/DravoMessage.so", "scripted_messages");
    put("modules/Parts/Twin.so", "empty_library");
    put("modules/Parts/twin.so", "scripted_messages");
    talvek_test::ScopedCwd cwd(root.Path());
    const struct {
        const char* path;
        bool found;
        bool hasCheckMessage;  // scripted_messages rather than empty_library
    } cases[] = {
        {"Modules\\dravomessage", true, true},
        {"MODULES/DRAVOMESSAGE.SO", true, true},
        {"modules\\Parts\\twin", true, true},    // spelled exactly as one of the two
        {"Modules\\PARTS\\TWIN", true, false},   // neither: the first in sorted order, Twin.so
        {"Modules\\..\\modules\\dravomessage", false, false},
        {"Modules\\absent", false, false},
    };
    for (const auto& c : cases) {
        LibraryHandle library = LoadRuntimeLibrary(c.path);
        EXPECT_EQ(library != nullptr, c.found) << c.path;
        if (library) {
            EXPECT_EQ(FindLibraryFunction(library, "CheckCMessage") != nullptr, c.hasCheckMessage) << c.path;
        }
        FreeRuntimeLibrary(library);
    }
}
