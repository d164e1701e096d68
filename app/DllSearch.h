#pragma once
// Keeps an elevated program that runs from a download folder from loading DLLs planted beside it.
// RestrictDllSearch is called first thing at the entry point, on the process's first thread.
#include <windows.h>

// Limits the process-wide DLL search to the system folder. Returns false where the system
// cannot restrict it (a Windows 7 without the search-path update); delay-loaded imports are
// still taken from the system folder then, by their full path.
bool RestrictDllSearch();

// The module that a delay-loaded import of this name resolves to: the system folder's copy, never
// one found elsewhere on the search path. Null when there is none.
HMODULE LoadSystemLibrary(const char* name);
