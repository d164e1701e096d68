#include "ui/core/SkinResources.h"

#include <cwchar>
#include <memory>

#include "Runtime/ScopedHandle.h"

namespace SkinUI {

namespace {

struct TLocation {
    HINSTANCE instance = nullptr;
    HINSTANCE resourceInstance = nullptr;
    std::wstring resourcePath;
    std::wstring resourceZip;
    bool cachedZip = false;
    HZIPARCHIVE zipHandle = nullptr;
    std::unique_ptr<BYTE[]> zipBuffer;
    DWORD zipBufferSize = 0;
};

TLocation& Location() {
    static TLocation location;
    return location;
}

}  // namespace

bool CSkinResources::ReadWholeFile(const std::wstring& path,
                                   DWORD maxSize,
                                   std::vector<BYTE>& bytes,
                                   const wchar_t** error) {
    bytes.clear();
    CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        *error = L"Error opening file";
        return false;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart == 0) {
        *error = L"File is empty";
        return false;
    }
    if (size.QuadPart > maxSize) {
        *error = L"File too large";
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        bytes.clear();
        *error = L"Could not read file";
        return false;
    }
    return true;
}

namespace {

// One read fills the buffer and the next reports the end; more would mean the entry never ends.
constexpr int kMaxExtractReads = 3;

bool ReadZippedFile(HZIPARCHIVE zip,
                    const wchar_t* name,
                    DWORD maxSize,
                    std::vector<BYTE>& bytes,
                    const wchar_t** error) {
    int index = -1;
    TZipEntry entry;
    if (FindArchiveEntry(zip, name, true, &index, &entry) != kZipOk) {
        *error = L"Could not find ziped file";
        return false;
    }
    if (entry.uncompressedSize <= 0) {
        *error = L"File is empty";
        return false;
    }
    if (static_cast<DWORD>(entry.uncompressedSize) > maxSize) {
        *error = L"File too large";
        return false;
    }
    bytes.resize(static_cast<size_t>(entry.uncompressedSize));
    // Read until the entry reports its end, which also closes it for the next reader of the same name.
    DWORD total = 0;
    DWORD rc = kZipMore;
    for (int i = 0; i < kMaxExtractReads && rc == kZipMore; ++i) {
        DWORD delivered = 0;
        rc = ExtractEntry(zip, index, bytes.data() + total, static_cast<DWORD>(bytes.size()) - total,
                          kZipFromMemory, &delivered);
        total += delivered;
    }
    // An end before the promised size would leave part of the buffer unfilled.
    if (rc != kZipOk || total != bytes.size()) {
        bytes.clear();
        *error = L"Could not unzip file";
        return false;
    }
    return true;
}

}  // namespace

void CSkinResources::SetInstance(HINSTANCE instance) {
    Location().instance = instance;
}

HINSTANCE CSkinResources::GetInstance() {
    return Location().instance;
}

void CSkinResources::SetResourceDll(HINSTANCE instance) {
    Location().resourceInstance = instance;
}

HINSTANCE CSkinResources::GetResourceDll() {
    return Location().resourceInstance != nullptr ? Location().resourceInstance : Location().instance;
}

std::wstring CSkinResources::GetInstancePath() {
    if (Location().instance == nullptr)
        return std::wstring();
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(Location().instance, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

void CSkinResources::SetResourcePath(const wchar_t* path) {
    std::wstring& stored = Location().resourcePath;
    stored = path != nullptr ? path : L"";
    if (!stored.empty() && stored.back() != L'\\' && stored.back() != L'/')
        stored += L'\\';
}

const std::wstring& CSkinResources::GetResourcePath() {
    return Location().resourcePath;
}

const std::wstring& CSkinResources::GetResourceZip() {
    return Location().resourceZip;
}

bool CSkinResources::IsCachedResourceZip() {
    return Location().cachedZip;
}

HZIPARCHIVE CSkinResources::GetResourceZipHandle() {
    return Location().zipHandle;
}

void CSkinResources::CloseCachedZip() {
    TLocation& l = Location();
    if (l.cachedZip && l.zipHandle != nullptr)
        CloseArchive(l.zipHandle);
    l.zipHandle = nullptr;
}

void CSkinResources::SetResourceZip(const wchar_t* zipName) {
    TLocation& l = Location();
    const std::wstring name = zipName != nullptr ? zipName : L"";
    if (l.resourceZip == name && l.cachedZip)
        return;
    CloseCachedZip();
    l.resourceZip = name;
    l.cachedZip = true;
    const std::wstring path = l.resourcePath + name;
    l.zipHandle = OpenArchive(path.c_str(), 0, kZipFromFile);
}

void CSkinResources::SetResourceZip() {
    TLocation& l = Location();
    if (l.resourceZip == kMemoryZipName)
        return;
    CloseCachedZip();
    l.resourceZip = kMemoryZipName;
    l.cachedZip = true;
    l.zipHandle = l.zipBuffer ? OpenArchive(l.zipBuffer.get(), l.zipBufferSize, kZipFromMemory) : nullptr;
}

bool CSkinResources::LoadResourceZipBuffer(UINT id) {
    TLocation& l = Location();
    if (l.zipBuffer)
        return true;
    const HINSTANCE module = GetResourceDll();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"ZIPRES");
    if (resource == nullptr)
        return false;
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr)
        return false;
    const DWORD size = SizeofResource(module, resource);
    const void* bytes = LockResource(loaded);
    if (size == 0 || bytes == nullptr) {
        FreeResource(loaded);
        return false;
    }
    l.zipBuffer = std::make_unique<BYTE[]>(size);
    memcpy(l.zipBuffer.get(), bytes, size);
    l.zipBufferSize = size;
    FreeResource(loaded);
    return true;
}

const BYTE* CSkinResources::GetResourceZipBuffer() {
    return Location().zipBuffer.get();
}

DWORD CSkinResources::GetResourceZipBufferSize() {
    return Location().zipBufferSize;
}

void CSkinResources::FreeResourceZipBuffer() {
    TLocation& l = Location();
    if (l.resourceZip == kMemoryZipName) {
        CloseCachedZip();
        l.resourceZip.clear();
        l.cachedZip = false;
    }
    l.zipBuffer.reset();
    l.zipBufferSize = 0;
}

void CSkinResources::Reset() {
    CloseCachedZip();
    TLocation& l = Location();
    l.resourcePath.clear();
    l.resourceZip.clear();
    l.cachedZip = false;
    l.zipBuffer.reset();
    l.zipBufferSize = 0;
}

bool CSkinResources::IsInsideSkin(const wchar_t* name) {
    const TLocation& l = Location();
    if (name == nullptr || *name == L'\0')
        return false;
    if (!l.resourceZip.empty())
        return true;
    if (l.resourcePath.empty() || name[0] == L'\\' || name[0] == L'/' || wcschr(name, L':') != nullptr)
        return false;
    // A ".." segment climbs out of the folder.
    for (const wchar_t* p = name; (p = wcsstr(p, L"..")) != nullptr; p += 2) {
        const bool startsSegment = p == name || p[-1] == L'\\' || p[-1] == L'/';
        const bool endsSegment = p[2] == L'\0' || p[2] == L'\\' || p[2] == L'/';
        if (startsSegment && endsSegment)
            return false;
    }
    return true;
}

bool CSkinResources::ReadSkinFile(const wchar_t* name,
                                  DWORD maxSize,
                                  std::vector<BYTE>& bytes,
                                  const wchar_t** error) {
    bytes.clear();
    const TLocation& l = Location();
    if (l.resourceZip.empty())
        return ReadWholeFile(l.resourcePath + name, maxSize, bytes, error);
    CZipArchivePtr opened;
    HZIPARCHIVE zip = l.zipHandle;
    if (!l.cachedZip) {
        const std::wstring path = l.resourcePath + l.resourceZip;
        opened.reset(OpenArchive(path.c_str(), 0, kZipFromFile));
        zip = opened.get();
    }
    if (zip == nullptr) {
        *error = L"Error opening zip file";
        return false;
    }
    return ReadZippedFile(zip, name, maxSize, bytes, error);
}

}  // namespace SkinUI
