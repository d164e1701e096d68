#pragma once
// Helpers shared by the test programs. UI thread (the test's main thread) unless noted.
#include <windows.h>

#include <functional>
#include <string>

namespace TestEnv {

// Runs a real message loop until done() is true or the time-out passes; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Runs the message loop for about the given time (for "nothing must happen" checks).
void PumpFor(DWORD ms);

// A fresh, empty folder under the system's temp folder, removed with everything in it
// when the object goes.
class TempDir {
public:
    explicit TempDir(const wchar_t* tag);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// The source and build folders, as Windows paths (Wine maps the Unix root to Z:).
std::wstring SourceDir();
std::wstring BinaryDir();

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Removes a folder tree; any thread.
void RemoveTree(const std::wstring& path);

// How many more GDI objects the process could create now (up to a bound). Wine does not count GDI
// objects per process, so a leak shows as lost headroom.
int GdiObjectHeadroom();

}  // namespace TestEnv
