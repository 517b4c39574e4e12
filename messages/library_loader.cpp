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

#include <string>

LibraryHandle LoadRuntimeLibrary(const char* path) {
    if (!path || !*path) return nullptr;
    std::string file(path);
    for (char& c : file)
        if (c == '\\') c = '/';
    const size_t slash = file.rfind('/');
    if (file.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) file += ".so";
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
