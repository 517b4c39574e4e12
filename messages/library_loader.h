// Loading a library at run time, for the message module. A missing library or function gives
// an empty handle, silently. Paths use backslashes as separators and carry no extension
// ("Modules\dravomessage"); they are relative to the current folder. Windows loads with its own
// loader (which adds ".dll" and finds the file without regard to case); elsewhere the file is found
// without regard to case as there (several files that differ only in case: the host's log says
// which was loaded, once) and the system's dynamic loader takes it with the platform's suffix.
#pragma once

using LibraryHandle = void*;
using LibraryFunction = void (*)();

LibraryHandle LoadRuntimeLibrary(const char* path);
// Null without a library or when it has no function of that name.
LibraryFunction FindLibraryFunction(LibraryHandle library, const char* name);
void FreeRuntimeLibrary(LibraryHandle library);

// One function of a library, looked up once per load of that library rather than on every call.
// The entry is keyed by the handle and by the loader's count of unloads: a library unloaded and
// loaded again may come back under the same handle at other addresses, and any unload makes every
// entry look the function up anew. One cache serves one function name.
struct LibraryFunctionCache {
    LibraryHandle library = nullptr;
    unsigned long unloads = 0;
    LibraryFunction function = nullptr;
};
LibraryFunction FindLibraryFunction(LibraryHandle library, const char* name, LibraryFunctionCache& cache);
