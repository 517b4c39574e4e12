#include "library_loader.h"

#include <dlfcn.h>

#include <string>

HMODULE LoadLibraryA(const char* path) {
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

FARPROC GetProcAddress(HMODULE module, const char* name) {
    if (!module || !name) return nullptr;
    return reinterpret_cast<FARPROC>(dlsym(module, name));
}

bool FreeLibrary(HMODULE module) { return module && dlclose(module) == 0; }
