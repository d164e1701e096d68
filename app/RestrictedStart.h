#pragma once
// Starts a program with a token made from ours but stripped of administrator rights: the
// Administrators group for denying only, every privilege but change-notify dropped, and medium
// integrity where the system allows it. For what the elevated installer starts on the user's behalf
// when the desktop shell cannot do it. Any thread.
#include <string>

namespace RestrictedStart {

// program: full path; commandLine: the whole command line (empty: the program's path alone); folder:
// the current folder of the new process. True when it started; our own token is never used instead.
bool Start(const std::wstring& program, const std::wstring& commandLine, const std::wstring& folder);

}  // namespace RestrictedStart
