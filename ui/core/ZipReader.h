#pragma once
// Reads single entries out of a zip archive held in a file or in memory (stored and deflate entries).
// One handle belongs to one thread at a time; the skin uses it on the UI thread only.
#include <windows.h>

#include <memory>

namespace SkinUI {

struct TZipArchive;
typedef TZipArchive* HZIPARCHIVE;

// Sources of OpenArchive and destinations of ExtractEntry.
constexpr DWORD kZipFromFile = 2;
constexpr DWORD kZipFromMemory = 3;

// Result codes.
constexpr DWORD kZipOk = 0;
constexpr DWORD kZipNotFound = 0x500;
constexpr DWORD kZipMore = 0x600;
constexpr DWORD kZipBadArgument = 0x10000;
constexpr DWORD kZipNotUnzipHandle = 0x80000;
constexpr DWORD kZipCorrupt = 0x5000000;

struct TZipEntry {
    int index = -1;
    wchar_t name[260] = {};
    DWORD attributes = 0;
    FILETIME accessTime = {};
    FILETIME createTime = {};
    FILETIME modifyTime = {};
    long compressedSize = 0;
    long uncompressedSize = 0;
};

// kind 2: `source` is a wide file name and `length` is ignored; kind 3: a memory block of `length`
// bytes that must outlive the handle. Null when the archive cannot be read.
HZIPARCHIVE OpenArchive(const void* source, DWORD length, DWORD kind);

// Looks the name up in central-directory order; '\' matches '/', and ignoreCase folds ASCII a-z only.
DWORD FindArchiveEntry(HZIPARCHIVE zip,
                       const wchar_t* name,
                       bool ignoreCase,
                       int* outIndex,
                       TZipEntry* outEntry);

// Delivers the next bytes of the entry into `buffer` (kind 3). kZipMore while the entry had bytes left
// (even when `length` is 0), kZipOk when it was exhausted: that read closes the entry, so asking for
// it once more reads it from the start. `outDelivered` (optional) receives the byte count.
DWORD ExtractEntry(HZIPARCHIVE zip,
                   int index,
                   void* buffer,
                   DWORD length,
                   DWORD kind,
                   DWORD* outDelivered = nullptr);

DWORD CloseArchive(HZIPARCHIVE zip);

struct ZipArchiveCloser {
    void operator()(TZipArchive* zip) const { CloseArchive(zip); }
};
// Owns an archive opened for one load.
typedef std::unique_ptr<TZipArchive, ZipArchiveCloser> CZipArchivePtr;

}  // namespace SkinUI
