#include "messages/library_loader.h"

#include <atomic>

namespace {
// Unloads through this loader so far; a cache entry made before the latest one is stale.
std::atomic<unsigned long> g_unloads{0};
}  // namespace

LibraryFunction FindLibraryFunction(LibraryHandle library, const char* name, LibraryFunctionCache& cache) {
    if (!library) return nullptr;
    const unsigned long unloads = g_unloads.load(std::memory_order_relaxed);
    if (cache.library != library || cache.unloads != unloads) {
        cache.function = FindLibraryFunction(library, name);
        cache.library = library;
        cache.unloads = unloads;
    }
    return cache.function;
}

#if defined(_WIN32)

#include <windows.h>

LibraryHandle LoadRuntimeLibrary(const char* path) {
    if (!path || !*path) return nullptr;
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(path));
}

LibraryFunction FindLibraryFunction(LibraryHandle library, const char* name) {
    if (!library || !name) return nullptr;
    return reinterpret_cast<LibraryFunction>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeRuntimeLibrary(LibraryHandle library) {
    if (!library) return;
    g_unloads.fetch_add(1, std::memory_order_relaxed);
    FreeLibrary(static_cast<HMODULE>(library));
}

#else

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <string>

#include "messages/file_case.h"
#include "messages/host_log.h"

namespace {

// The file a relative path names below the current folder, found without regard to case as
// Windows' loader finds it; the path as given when nothing answers (the loader then says so).
std::string FindIgnoringCase(const std::string& file) {
    const auto found = file_case::FindIgnoringCase(".", file);
    if (found.empty()) return file;
    if (found.size() > 1) {
        // Said once for the files: each carrier loads the message module anew.
        std::set<std::string> files;
        for (const auto& match : found) files.insert(match.path.string());
        static std::mutex toldLock;
        static std::set<std::set<std::string>> told;
        const std::lock_guard<std::mutex> lock(toldLock);
        if (told.insert(files).second) {
            std::string others;
            for (size_t i = 1; i < found.size(); ++i) others += (i == 1 ? "" : ", ") + found[i].path.string();
            WriteHostLog("Talvek: library " + file + " answers files that differ only in case; loaded " +
                         found[0].path.string() + ", not " + others);
        }
    }
    return found.front().path.string();
}

}  // namespace

LibraryHandle LoadRuntimeLibrary(const char* path) {
    if (!path || !*path) return nullptr;
    std::string file(path);
    for (char& c : file)
        if (c == '\\') c = '/';
    const size_t slash = file.rfind('/');
    if (file.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) file += ".so";
    if (file.front() != '/') file = FindIgnoringCase(file);
    // A name without a slash would make the loader search the system's folders.
    if (file.find('/') == std::string::npos) file = "./" + file;
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

LibraryFunction FindLibraryFunction(LibraryHandle library, const char* name) {
    if (!library || !name) return nullptr;
    return reinterpret_cast<LibraryFunction>(dlsym(library, name));
}

void FreeRuntimeLibrary(LibraryHandle library) {
    if (!library) return;
    g_unloads.fetch_add(1, std::memory_order_relaxed);
    dlclose(library);
}

#endif
