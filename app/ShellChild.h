#pragma once
// Starts a program as a child of the signed-in user's desktop shell: the new process takes the shell's
// token (the user's ordinary rights, not this process's elevation), its session and its job, and gets
// the user's own environment. Nothing of COM is needed, so no apartment, proxy or pool threads are
// loaded into the installer for it. Any thread.
#include <windows.h>

#include <string>

namespace ShellChild {

// The process of the desktop shell's window when it is the system's Explorer; 0 otherwise.
DWORD DesktopShellProcessId();

// program: full path; commandLine: the whole command line (empty: the program's path alone); folder:
// the current folder of the new process. False, and nothing started, when the shell process cannot be
// opened for it, its environment cannot be made, or the program does not start.
bool Start(DWORD shellProcessId,
           const std::wstring& program,
           const std::wstring& commandLine,
           const std::wstring& folder);

}  // namespace ShellChild
