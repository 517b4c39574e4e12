// Run-time library loading with the semantics the carrier expects: a missing library or
// function gives an empty handle, silently. Paths use backslashes as separators and carry
// no extension ("Modules\dravomessage"); they are relative to the current folder.
#pragma once

using HMODULE = void*;
using FARPROC = void (*)();

HMODULE LoadLibraryA(const char* path);
FARPROC GetProcAddress(HMODULE module, const char* name);
bool FreeLibrary(HMODULE module);
