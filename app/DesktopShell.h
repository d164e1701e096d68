#pragma once
// Starts a program through the signed-in user's desktop shell (Explorer), so that it runs with
// that user's ordinary rights instead of inheriting this process's elevation.
// UI thread only; COM may or may not be initialised there already.
#include <string>

namespace DesktopShell {

// Asks the shell to open `program` with `arguments` in `folder`. True when the shell took the
// request; false when no desktop shell answers or one of its interfaces is missing. The shell
// gives no process handle back, and a file it cannot run is reported by the shell itself, not here.
bool StartAsUser(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder);

}  // namespace DesktopShell
