#pragma once
// The local record of the manifest, "zvinstall.ini": written as FF FE plus the body in
// UTF-16LE, read back key by key with the platform's ini reader. UI thread.
#include <cstdint>
#include <string>
#include <vector>

struct ManifestInfo {
    std::wstring url;
    std::vector<std::wstring> mirrors;  // "Url1" to "Url9" that are given, in that order
    std::wstring size;
    std::wstring md5;
    std::wstring version;
};

namespace UpdateRecord {

// Replaces the file at path; a failure is not reported (the keys are then read from
// whatever file is there).
void Write(const std::wstring& path, const std::wstring& text);
// Section "Install", keys in the order "Url", "Size", "Md5", "Version", then the mirrors.
ManifestInfo Read(const std::wstring& path);
// Leading blanks, an optional sign, then digits up to the first non-digit; 0 when empty.
int64_t ParseSize(const std::wstring& size);

}  // namespace UpdateRecord
