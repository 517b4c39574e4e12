// Loading a library at run time, for the message module. A missing library or function gives
// an empty handle, silently. Paths use backslashes as separators and carry no extension
// ("Modules\dravomessage"); they are relative to the current folder. Windows loads with its own
// loader (which adds ".dll"); elsewhere the system's dynamic loader takes the platform's suffix.
#pragma once

using LibraryHandle = void*;
using LibraryFunction = void (*)();

LibraryHandle LoadRuntimeLibrary(const char* path);
// Null without a library or when it has no function of that name.
LibraryFunction FindLibraryFunction(LibraryHandle library, const char* name);
void FreeRuntimeLibrary(LibraryHandle library);
