#pragma once
// Where skin files are read from, shared by every window of the process: a folder, a zip file in that
// folder, a zip held in memory ("membuffer", filled from the executable's "ZIPRES" resource) or the
// resources of a module. UI thread only; nothing here is synchronised.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/core/ZipReader.h"

namespace SkinUI {

class CSkinResources {
public:
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    // Module searched for resources; the instance when none was set.
    static void SetResourceDll(HINSTANCE instance);
    static HINSTANCE GetResourceDll();
    // Folder of the instance module's file, ending in '\'; empty without an instance.
    static std::wstring GetInstancePath();

    static void SetResourcePath(const wchar_t* path);
    static const std::wstring& GetResourcePath();
    static const std::wstring& GetResourceZip();
    static bool IsCachedResourceZip();
    static HZIPARCHIVE GetResourceZipHandle();

    // Zip file in the resource path, kept open for the process.
    static void SetResourceZip(const wchar_t* zipName);
    // The in-memory zip buffer, kept open for the process.
    static void SetResourceZip();

    // Fills the process-wide zip buffer from resource `id` of type "ZIPRES" in the resource module,
    // unless it is filled already. False when the resource is missing, unloadable or empty.
    static bool LoadResourceZipBuffer(UINT id);
    static const BYTE* GetResourceZipBuffer();
    static DWORD GetResourceZipBufferSize();
    // Frees the buffer. The cached archive that reads it is closed and forgotten with it, so the next
    // window that needs the skin loads and opens it again.
    static void FreeResourceZipBuffer();
    // Back to where nothing is read from yet: no folder, no zip, the kept archive closed and the zip
    // buffer freed. The modules stay, as the program sets them once at start. Used at process end and
    // by tests between cases.
    static void Reset();

    // Whether `name` stays inside the current skin: any name in a zip; in a folder, a relative name
    // without ".." under a set resource path.
    static bool IsInsideSkin(const wchar_t* name);

    // Reads the whole skin file `name` from the current location: the folder when no zip is set, else
    // the (cached or freshly opened) zip, names matched without ASCII case. Files above `maxSize` are
    // refused. On failure returns false and sets `error` to one of the skin load messages.
    static bool ReadSkinFile(const wchar_t* name,
                             DWORD maxSize,
                             std::vector<BYTE>& bytes,
                             const wchar_t** error);

private:
    static void CloseCachedZip();
    // Reads a whole file by path, under the same size rules.
    static bool ReadWholeFile(const std::wstring& path,
                              DWORD maxSize,
                              std::vector<BYTE>& bytes,
                              const wchar_t** error);
};

// The largest skin file that is loaded.
constexpr DWORD kMaxSkinFileSize = 4 * 1024 * 1024;
// Resource zip name that means the in-memory buffer.
constexpr wchar_t kMemoryZipName[] = L"membuffer";

}  // namespace SkinUI
