#include "Updater/UpdateRecord.h"

#include <windows.h>

#include <cwchar>

#include "Runtime/CommonUtils.h"
#include "Runtime/FileEx.h"

namespace {
constexpr DWORD kValueChars = 2048;
constexpr wchar_t kSection[] = L"Install";
constexpr int kMirrorKeys = 9;
constexpr wchar_t kCandidateSuffix[] = L".new";

std::wstring ReadKey(const std::wstring& path, const wchar_t* key) {
    wchar_t value[kValueChars] = {};
    GetPrivateProfileStringW(kSection, key, L"", value, kValueChars, path.c_str());
    return value;
}
}  // namespace

namespace UpdateRecord {

bool Write(const std::wstring& path, const std::wstring& text) {
    CFileEx file;
    if (!file.Open(path, CFileEx::kWrite | CFileEx::kShareDenyWrite | CFileEx::kCreate, nullptr))
        return false;
    try {
        static const unsigned char kByteOrderMark[] = {0xFF, 0xFE};
        file.Seek(0, CFileEx::kBegin);
        file.Write(kByteOrderMark, sizeof(kByteOrderMark));
        file.Write(text.data(), static_cast<unsigned>(text.size() * sizeof(wchar_t)));
        file.Flush();
        file.Close();
    } catch (const CFileExException&) {
        file.Abort();
        return false;
    }
    return true;
}

// The body is read back by the same ini reader from a file beside the record, so that "names a
// package" means exactly what the record will give.
std::optional<ManifestInfo> Replace(const std::wstring& path, const std::wstring& text) {
    const std::wstring candidate = path + kCandidateSuffix;
    std::optional<ManifestInfo> info;
    if (Write(candidate, text))
        info = Read(candidate);
    if (!info || info->url.empty()) {
        DeleteFileOnce(candidate);
        return std::nullopt;
    }
    if (!MoveFileOnce(candidate, path))
        DeleteFileOnce(candidate);
    return info;
}

ManifestInfo Read(const std::wstring& path) {
    ManifestInfo info;
    info.url = ReadKey(path, L"Url");
    info.size = ReadKey(path, L"Size");
    info.md5 = ReadKey(path, L"Md5");
    info.sha256 = ReadKey(path, L"Sha256");
    info.version = ReadKey(path, L"Version");
    for (int n = 1; n <= kMirrorKeys; ++n) {
        std::wstring mirror = ReadKey(path, (L"Url" + std::to_wstring(n)).c_str());
        if (!mirror.empty())
            info.mirrors.push_back(mirror);
    }
    return info;
}

int64_t ParseSize(const std::wstring& size) {
    return _wcstoi64(size.c_str(), nullptr, 10);
}

}  // namespace UpdateRecord
