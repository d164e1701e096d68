#pragma once
// The local record of the manifest, "zvinstall.ini": written as FF FE plus the body in
// UTF-16LE, read back key by key with the platform's ini reader. UI thread.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ManifestInfo {
    std::wstring url;
    std::vector<std::wstring> mirrors;  // "Url1" to "Url9" that are given, in that order
    std::wstring size;
    std::wstring md5;
    std::wstring sha256;
    std::wstring version;
};

namespace UpdateRecord {

// Replaces the file at path; false when it could not be written whole.
bool Write(const std::wstring& path, const std::wstring& text);
// Makes text the record only when it names a package ("Url" in section "Install"); a body that
// does not (a captive portal's page, say) leaves the record as it was and gives nothing.
std::optional<ManifestInfo> Replace(const std::wstring& path, const std::wstring& text);
// Section "Install", keys in the order "Url", "Size", "Md5", "Sha256", "Version", then the mirrors.
ManifestInfo Read(const std::wstring& path);
// Leading blanks, an optional sign, then digits up to the first non-digit; 0 when empty.
int64_t ParseSize(const std::wstring& size);

}  // namespace UpdateRecord
