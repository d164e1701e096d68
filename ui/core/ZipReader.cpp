#include "ui/core/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "Runtime/ScopedHandle.h"

namespace SkinUI {

namespace {

constexpr DWORD kArchiveMagic = 0x5A495055;  // tells our handles from anything else
constexpr DWORD kEndRecordSig = 0x06054b50;
constexpr DWORD kCentralSig = 0x02014b50;
constexpr DWORD kLocalSig = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kMaxComment = 0xFFFF;
constexpr size_t kInflateChunk = 16384;
constexpr WORD kMethodStored = 0;
constexpr WORD kMethodDeflate = 8;
constexpr WORD kFlagUtf8Name = 0x800;
constexpr int kMaxNameChars = 256;
constexpr int kMaxAnsiName = 259;

struct TCentralEntry {
    std::string name;  // bytes as stored
    WORD flags = 0;
    WORD method = 0;
    WORD dosTime = 0;
    WORD dosDate = 0;
    DWORD crc = 0;
    DWORD compressedSize = 0;
    DWORD uncompressedSize = 0;
    DWORD externalAttributes = 0;
    DWORD localOffset = 0;
};

WORD Read16(const BYTE* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

DWORD Read32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

}  // namespace

struct TZipArchive {
    DWORD magic = kArchiveMagic;
    std::vector<BYTE> owned;  // the whole file, for archives opened from disk
    const BYTE* data = nullptr;
    size_t size = 0;
    std::vector<TCentralEntry> entries;

    // The entry open for reading, if any.
    int openIndex = -1;
    bool inflating = false;
    z_stream stream = {};
    size_t inputPos = 0;  // next compressed byte, as an archive offset
    size_t inputEnd = 0;  // end of the compressed bytes
    DWORD delivered = 0;  // uncompressed bytes handed out so far
    uLong crc = 0;

    ~TZipArchive() { CloseEntry(); }

    void CloseEntry() {
        if (inflating)
            inflateEnd(&stream);
        inflating = false;
        openIndex = -1;
    }

    bool ReadCentralDirectory() {
        if (size < kEndRecordSize)
            return false;
        size_t lowest = size - kEndRecordSize > kMaxComment ? size - kEndRecordSize - kMaxComment : 0;
        size_t end = size - kEndRecordSize + 1;
        bool found = false;
        while (end-- > lowest) {
            if (Read32(data + end) == kEndRecordSig &&
                end + kEndRecordSize + Read16(data + end + 20) <= size) {
                found = true;
                break;
            }
        }
        if (!found)
            return false;
        const BYTE* record = data + end;
        const WORD count = Read16(record + 10);
        const size_t cdSize = Read32(record + 12);
        const size_t cdOffset = Read32(record + 16);
        if (cdOffset > end || cdSize > end - cdOffset)
            return false;
        size_t pos = cdOffset;
        const size_t cdEnd = cdOffset + cdSize;
        entries.reserve(count);
        for (WORD i = 0; i < count; ++i) {
            if (cdEnd - pos < kCentralSize || Read32(data + pos) != kCentralSig)
                return false;
            const BYTE* h = data + pos;
            TCentralEntry e;
            e.flags = Read16(h + 8);
            e.method = Read16(h + 10);
            e.dosTime = Read16(h + 12);
            e.dosDate = Read16(h + 14);
            e.crc = Read32(h + 16);
            e.compressedSize = Read32(h + 20);
            e.uncompressedSize = Read32(h + 24);
            const size_t nameLen = Read16(h + 28);
            const size_t variable = nameLen + Read16(h + 30) + Read16(h + 32);
            e.externalAttributes = Read32(h + 38);
            e.localOffset = Read32(h + 42);
            if (cdEnd - pos - kCentralSize < variable)
                return false;
            e.name.assign(reinterpret_cast<const char*>(h + kCentralSize), nameLen);
            entries.push_back(std::move(e));
            pos += kCentralSize + variable;
        }
        return true;
    }

    // Checks the local header against the central directory and positions the reader on the data.
    bool OpenEntry(int index) {
        CloseEntry();
        const TCentralEntry& e = entries[index];
        if (e.method != kMethodStored && e.method != kMethodDeflate)
            return false;
        const size_t local = e.localOffset;
        if (local > size || size - local < kLocalSize || Read32(data + local) != kLocalSig)
            return false;
        const BYTE* h = data + local;
        const size_t nameLen = Read16(h + 26);
        const size_t extraLen = Read16(h + 28);
        if (Read16(h + 8) != e.method || nameLen != e.name.size())
            return false;
        const size_t start = local + kLocalSize + nameLen + extraLen;
        if (start > size || memcmp(h + kLocalSize, e.name.data(), nameLen) != 0)
            return false;
        if (size - start < e.compressedSize)
            return false;
        if (e.method == kMethodStored && e.compressedSize != e.uncompressedSize)
            return false;
        if (e.method == kMethodDeflate) {
            stream = z_stream{};
            if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
                return false;
            inflating = true;
        }
        openIndex = index;
        inputPos = start;
        inputEnd = start + e.compressedSize;
        delivered = 0;
        crc = crc32(0, Z_NULL, 0);
        return true;
    }

    // Fills up to `length` bytes; false on bad data. `got` receives the count.
    bool Read(BYTE* out, DWORD length, DWORD& got) {
        const TCentralEntry& e = entries[openIndex];
        const DWORD wanted = std::min<DWORD>(length, e.uncompressedSize - delivered);
        got = 0;
        if (!inflating) {
            memcpy(out, data + inputPos, wanted);
            inputPos += wanted;
            got = wanted;
        } else {
            stream.next_out = out;
            stream.avail_out = wanted;
            while (stream.avail_out > 0) {
                if (stream.avail_in == 0) {
                    const size_t chunk = std::min(kInflateChunk, inputEnd - inputPos);
                    stream.next_in = const_cast<BYTE*>(data + inputPos);
                    stream.avail_in = static_cast<uInt>(chunk);
                    inputPos += chunk;
                }
                const uInt before = stream.avail_out;
                const uInt inBefore = stream.avail_in;
                const int rc = inflate(&stream, Z_NO_FLUSH);
                if (rc == Z_STREAM_END) {
                    if (stream.avail_out > 0)
                        return false;  // the stream ends before the size the directory promised
                    break;
                }
                if (rc != Z_OK && !(rc == Z_BUF_ERROR && stream.avail_in == 0 && inputPos < inputEnd))
                    return false;
                if (stream.avail_out == before && stream.avail_in == inBefore && inputPos >= inputEnd)
                    return false;  // no progress and no input left: truncated
            }
            got = wanted - stream.avail_out;
        }
        crc = crc32(crc, out, got);
        delivered += got;
        return delivered < e.uncompressedSize || crc == e.crc;
    }
};

HZIPARCHIVE OpenArchive(const void* source, DWORD length, DWORD kind) {
    if (source == nullptr)
        return nullptr;
    auto zip = std::make_unique<TZipArchive>();
    if (kind == kZipFromFile) {
        CScopedHandle file(CreateFileW(static_cast<const wchar_t*>(source), GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid())
            return nullptr;
        LARGE_INTEGER fileSize = {};
        if (!GetFileSizeEx(file.Get(), &fileSize) || fileSize.QuadPart > MAXDWORD)
            return nullptr;
        zip->owned.resize(static_cast<size_t>(fileSize.QuadPart));
        DWORD read = 0;
        if (!zip->owned.empty() && (!ReadFile(file.Get(), zip->owned.data(),
                                              static_cast<DWORD>(zip->owned.size()), &read, nullptr) ||
                                    read != zip->owned.size()))
            return nullptr;
        zip->data = zip->owned.data();
        zip->size = zip->owned.size();
    } else if (kind == kZipFromMemory) {
        zip->data = static_cast<const BYTE*>(source);
        zip->size = length;
    } else {
        return nullptr;
    }
    if (!zip->ReadCentralDirectory())
        return nullptr;
    return zip.release();
}

DWORD FindArchiveEntry(HZIPARCHIVE zip,
                       const wchar_t* name,
                       bool ignoreCase,
                       int* outIndex,
                       TZipEntry* outEntry) {
    if (outIndex != nullptr)
        *outIndex = -1;
    if (outEntry != nullptr)
        *outEntry = TZipEntry{};
    if (zip == nullptr || name == nullptr)
        return kZipBadArgument;
    if (zip->magic != kArchiveMagic)
        return kZipNotUnzipHandle;
    if (wcslen(name) >= kMaxNameChars)
        return kZipNotFound;
    char wanted[kMaxAnsiName + 1] = {};
    const int bytes = WideCharToMultiByte(CP_ACP, 0, name, -1, wanted, kMaxAnsiName, nullptr, nullptr);
    if (bytes <= 0)
        return kZipNotFound;
    wanted[kMaxAnsiName] = '\0';
    auto fold = [ignoreCase](char c) {
        return ignoreCase && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    };
    const size_t wantedLen = strlen(wanted);
    for (size_t i = 0; i < wantedLen; ++i) {
        if (wanted[i] == '\\')
            wanted[i] = '/';
        wanted[i] = fold(wanted[i]);
    }
    for (size_t index = 0; index < zip->entries.size(); ++index) {
        const TCentralEntry& e = zip->entries[index];
        if (e.name.size() != wantedLen)
            continue;
        size_t i = 0;
        while (i < wantedLen && fold(e.name[i]) == wanted[i])
            ++i;
        if (i != wantedLen)
            continue;
        if (outIndex != nullptr)
            *outIndex = static_cast<int>(index);
        if (outEntry != nullptr) {
            outEntry->index = static_cast<int>(index);
            const UINT codePage = (e.flags & kFlagUtf8Name) ? CP_UTF8 : CP_ACP;
            MultiByteToWideChar(codePage, 0, e.name.data(), static_cast<int>(e.name.size()), outEntry->name,
                                static_cast<int>(std::size(outEntry->name)) - 1);
            outEntry->attributes = e.externalAttributes & 0xFF;
            FILETIME local = {};
            if (DosDateTimeToFileTime(e.dosDate, e.dosTime, &local))
                LocalFileTimeToFileTime(&local, &outEntry->modifyTime);
            outEntry->accessTime = outEntry->createTime = outEntry->modifyTime;
            outEntry->compressedSize = static_cast<long>(e.compressedSize);
            outEntry->uncompressedSize = static_cast<long>(e.uncompressedSize);
        }
        return kZipOk;
    }
    return kZipNotFound;
}

DWORD ExtractEntry(HZIPARCHIVE zip, int index, void* buffer, DWORD length, DWORD kind, DWORD* outDelivered) {
    if (outDelivered != nullptr)
        *outDelivered = 0;
    if (zip == nullptr)
        return kZipBadArgument;
    if (zip->magic != kArchiveMagic)
        return kZipNotUnzipHandle;
    if (index < 0 || static_cast<size_t>(index) >= zip->entries.size() || kind != kZipFromMemory ||
        (buffer == nullptr && length > 0))
        return kZipBadArgument;
    if (zip->openIndex != index && !zip->OpenEntry(index))
        return kZipCorrupt;
    // The entry stays open after its last byte, so that a read-until-0 caller sees the end; only the
    // read that finds nothing left closes it.
    if (zip->delivered >= zip->entries[index].uncompressedSize) {
        zip->CloseEntry();
        return kZipOk;
    }
    DWORD got = 0;
    if (!zip->Read(static_cast<BYTE*>(buffer), length, got)) {
        zip->CloseEntry();
        return kZipCorrupt;
    }
    if (outDelivered != nullptr)
        *outDelivered = got;
    return kZipMore;
}

DWORD CloseArchive(HZIPARCHIVE zip) {
    if (zip == nullptr)
        return kZipBadArgument;
    if (zip->magic != kArchiveMagic)
        return kZipNotUnzipHandle;
    zip->magic = 0;
    delete zip;
    return kZipOk;
}

}  // namespace SkinUI
