#include "ui/core/ZipReader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "SkinTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace SkinUI;
using SkinTest::CGuardedBytes;
using SkinTest::CZipBuilder;

namespace {

std::string Pattern(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string SampleArchive() {
    CZipBuilder zip;
    zip.Add("skin/bg.png", std::string(3000, 'a') + "tail", CZipBuilder::Method::Deflate);
    zip.Add("stored.txt", "stored bytes", CZipBuilder::Method::Stored);
    zip.Add("empty.xml", "", CZipBuilder::Method::Deflate);
    zip.Add("noise.bin", Pattern(70000, 7), CZipBuilder::Method::Deflate);
    return zip.Build();
}

struct TArchive {
    explicit TArchive(const std::string& bytes)
        : memory(bytes), zip(OpenArchive(memory.Data(), memory.Size(), kZipFromMemory)) {}
    CGuardedBytes memory;
    CZipArchivePtr zip;
};

std::string ReadWhole(HZIPARCHIVE zip, const wchar_t* name, DWORD* result = nullptr) {
    int index = -1;
    TZipEntry entry;
    if (FindArchiveEntry(zip, name, true, &index, &entry) != kZipOk)
        return "<missing>";
    std::string bytes(static_cast<size_t>(entry.uncompressedSize), '\0');
    DWORD delivered = 0;
    const DWORD rc =
        ExtractEntry(zip, index, &bytes[0], static_cast<DWORD>(bytes.size()), kZipFromMemory, &delivered);
    if (result != nullptr)
        *result = rc;
    bytes.resize(delivered);
    return bytes;
}

}  // namespace

// Names: '\' matches '/', and upper case finds lower case only when case is ignored.
TEST(ZipReader, FindsEntriesByFoldedName) {
    TArchive a(SampleArchive());
    ASSERT_TRUE(a.zip);
    int index = 99;
    TZipEntry entry;
    EXPECT_EQ(kZipOk, FindArchiveEntry(a.zip.get(), L"SKIN\\BG.PNG", true, &index, &entry));
    EXPECT_EQ(0, index);
    EXPECT_EQ(0, entry.index);
    EXPECT_STREQ(L"skin/bg.png", entry.name);
    EXPECT_EQ(3004, entry.uncompressedSize);
    EXPECT_LT(entry.compressedSize, entry.uncompressedSize);

    EXPECT_EQ(kZipNotFound, FindArchiveEntry(a.zip.get(), L"SKIN\\BG.PNG", false, &index, &entry));
    EXPECT_EQ(-1, index);
    EXPECT_EQ(-1, entry.index);
    EXPECT_EQ(0, entry.uncompressedSize);
    EXPECT_EQ(kZipOk, FindArchiveEntry(a.zip.get(), L"skin\\bg.png", false, &index, &entry));
    EXPECT_EQ(kZipNotFound, FindArchiveEntry(a.zip.get(), L"skin/bg.pn", true, &index, &entry));
    EXPECT_EQ(kZipNotFound,
              FindArchiveEntry(a.zip.get(), std::wstring(256, L'a').c_str(), true, &index, &entry));
}

// Stored and deflated entries come out whole; a read of exactly the size reports "more".
TEST(ZipReader, ExtractsStoredAndDeflatedEntries) {
    TArchive a(SampleArchive());
    ASSERT_TRUE(a.zip);
    DWORD rc = 0;
    EXPECT_EQ(std::string(3000, 'a') + "tail", ReadWhole(a.zip.get(), L"skin/bg.png", &rc));
    EXPECT_EQ(kZipMore, rc);
    EXPECT_EQ("stored bytes", ReadWhole(a.zip.get(), L"stored.txt", &rc));
    EXPECT_EQ(kZipMore, rc);
    // Larger than one input chunk of the inflater.
    EXPECT_EQ(Pattern(70000, 7), ReadWhole(a.zip.get(), L"noise.bin", &rc));
    EXPECT_EQ(kZipMore, rc);
}

// A read-until-0 caller ends: the read after the last byte delivers nothing and returns 0, and only
// then does the entry start over.
TEST(ZipReader, ExhaustedEntryReturnsZeroBeforeItStartsOver) {
    TArchive a(SampleArchive());
    ASSERT_TRUE(a.zip);
    for (const wchar_t* name : {L"skin/bg.png", L"stored.txt"}) {
        int index = -1;
        TZipEntry entry;
        ASSERT_EQ(kZipOk, FindArchiveEntry(a.zip.get(), name, true, &index, &entry));
        for (int pass = 0; pass < 2; ++pass) {
            std::string all;
            DWORD rc = kZipMore;
            int reads = 0;
            for (; reads < 10 && rc == kZipMore; ++reads) {
                char chunk[2048];
                DWORD delivered = 0;
                rc = ExtractEntry(a.zip.get(), index, chunk, sizeof(chunk), kZipFromMemory, &delivered);
                all.append(chunk, delivered);
            }
            EXPECT_EQ(kZipOk, rc) << pass;
            EXPECT_EQ(static_cast<size_t>(entry.uncompressedSize), all.size()) << pass;
            EXPECT_EQ((entry.uncompressedSize + 2047) / 2048 + 1, reads) << pass;
        }
    }
}

// A caller may read in chunks; the entry ends when the promised size was delivered.
TEST(ZipReader, ChunkedReadsAddUpToTheEntry) {
    TArchive a(SampleArchive());
    ASSERT_TRUE(a.zip);
    int index = -1;
    TZipEntry entry;
    ASSERT_EQ(kZipOk, FindArchiveEntry(a.zip.get(), L"noise.bin", true, &index, &entry));
    std::string all;
    char chunk[4096];
    for (int i = 0; i < 100 && all.size() < static_cast<size_t>(entry.uncompressedSize); ++i) {
        DWORD delivered = 0;
        ASSERT_EQ(kZipMore,
                  ExtractEntry(a.zip.get(), index, chunk, sizeof(chunk), kZipFromMemory, &delivered));
        all.append(chunk, delivered);
    }
    EXPECT_EQ(Pattern(70000, 7), all);
    // Interleaving with another entry and coming back restarts both cleanly.
    EXPECT_EQ("stored bytes", ReadWhole(a.zip.get(), L"stored.txt"));
    EXPECT_EQ(Pattern(70000, 7), ReadWhole(a.zip.get(), L"noise.bin"));
}

TEST(ZipReader, EmptyEntryDeliversNothing) {
    TArchive a(SampleArchive());
    ASSERT_TRUE(a.zip);
    int index = -1;
    TZipEntry entry;
    ASSERT_EQ(kZipOk, FindArchiveEntry(a.zip.get(), L"EMPTY.XML", true, &index, &entry));
    EXPECT_EQ(0, entry.uncompressedSize);
    char byte = 'x';
    DWORD delivered = 7;
    EXPECT_EQ(kZipOk, ExtractEntry(a.zip.get(), index, &byte, 1, kZipFromMemory, &delivered));
    EXPECT_EQ(0u, delivered);
    EXPECT_EQ('x', byte);
}

TEST(ZipReader, BadArgumentsAndForeignHandles) {
    TArchive a(SampleArchive());
    ASSERT_TRUE(a.zip);
    char buffer[16];
    EXPECT_EQ(kZipBadArgument, ExtractEntry(nullptr, 0, buffer, sizeof(buffer), kZipFromMemory));
    EXPECT_EQ(kZipBadArgument, ExtractEntry(a.zip.get(), 4, buffer, sizeof(buffer), kZipFromMemory));
    EXPECT_EQ(kZipBadArgument, ExtractEntry(a.zip.get(), -1, buffer, sizeof(buffer), kZipFromMemory));
    EXPECT_EQ(kZipBadArgument, ExtractEntry(a.zip.get(), 0, buffer, sizeof(buffer), kZipFromFile));
    alignas(16) static BYTE notAnArchive[4096] = {};
    const HZIPARCHIVE foreign = reinterpret_cast<HZIPARCHIVE>(notAnArchive);
    EXPECT_EQ(kZipNotUnzipHandle, ExtractEntry(foreign, 0, buffer, sizeof(buffer), kZipFromMemory));
    EXPECT_EQ(kZipNotUnzipHandle, CloseArchive(foreign));
    EXPECT_EQ(kZipBadArgument, CloseArchive(nullptr));
    EXPECT_EQ(nullptr, OpenArchive(nullptr, 0, kZipFromMemory));
    EXPECT_EQ(nullptr, OpenArchive(a.memory.Data(), a.memory.Size(), 5));
}

// A zip on disk opens by file name; a missing file does not.
TEST(ZipReader, OpensArchivesFromFiles) {
    TestEnv::TempDir dir(L"zipfile");
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"skin.zip"), SampleArchive()));
    CZipArchivePtr zip(OpenArchive(dir.File(L"skin.zip").c_str(), 0, kZipFromFile));
    ASSERT_TRUE(zip);
    EXPECT_EQ("stored bytes", ReadWhole(zip.get(), L"stored.txt"));
    EXPECT_EQ(nullptr, OpenArchive(dir.File(L"absent.zip").c_str(), 0, kZipFromFile));
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"text.zip"), "not a zip at all"));
    EXPECT_EQ(nullptr, OpenArchive(dir.File(L"text.zip").c_str(), 0, kZipFromFile));
}

// Every truncation of an archive either fails to open or reads without crossing its end.
TEST(ZipReader, TruncatedArchivesFailCleanly) {
    CZipBuilder builder;
    builder.Add("a.xml", "<Window size=\"540,355\"/>", CZipBuilder::Method::Deflate);
    builder.Add("b.txt", "bbbbbbbbbbbbbbbbbbbbbbbb", CZipBuilder::Method::Stored);
    const std::string whole = builder.Build();
    for (size_t length = 0; length < whole.size(); ++length) {
        TArchive a(whole.substr(0, length));
        if (a.zip)
            ReadWhole(a.zip.get(), L"a.xml");
    }
}

// Damaged compressed data and a wrong checksum are reported as bad data.
TEST(ZipReader, CorruptedDataIsReported) {
    CZipBuilder builder;
    builder.Add("a.bin", Pattern(5000, 3), CZipBuilder::Method::Deflate);
    std::string bytes = builder.Build();
    const size_t dataStart = 30 + 5;
    std::string damaged = bytes;
    for (size_t i = dataStart; i < dataStart + 40; ++i)
        damaged[i] = static_cast<char>(0xFF);
    {
        TArchive a(damaged);
        ASSERT_TRUE(a.zip);
        DWORD rc = 0;
        ReadWhole(a.zip.get(), L"a.bin", &rc);
        EXPECT_EQ(kZipCorrupt, rc);
    }
    CZipBuilder stored;
    stored.Add("s.txt", "checksummed", CZipBuilder::Method::Stored);
    std::string flipped = stored.Build();
    flipped[30 + 5] ^= 0x01;  // first data byte; the recorded checksum no longer matches
    TArchive a(flipped);
    ASSERT_TRUE(a.zip);
    DWORD rc = 0;
    ReadWhole(a.zip.get(), L"s.txt", &rc);
    EXPECT_EQ(kZipCorrupt, rc);
}

// 10,000 archives with a few bytes changed or cut: each opens or not, and every read ends with one of
// the reader's results without touching memory outside the archive or the buffer.
TEST(ZipReader, MutatedArchivesNeverCrash) {
    const std::string base = SampleArchive();
    std::mt19937 random(20261208);
    int opened = 0;
    for (int round = 0; round < 10000; ++round) {
        std::string bytes = base;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int c = 0; c < changes; ++c) {
            // Mostly the headers at both ends, where a change decides what is read.
            const size_t at = (random() & 1)
                                  ? random() % 64
                                  : bytes.size() - 1 - random() % std::min<size_t>(200, bytes.size());
            bytes[at] = static_cast<char>(random() & 0xFF);
        }
        if (random() % 10 == 0)
            bytes.resize(random() % bytes.size());
        TArchive a(bytes);
        if (!a.zip)
            continue;
        ++opened;
        for (const wchar_t* name : {L"skin/bg.png", L"stored.txt", L"empty.xml", L"noise.bin"}) {
            int index = -1;
            TZipEntry entry;
            if (FindArchiveEntry(a.zip.get(), name, true, &index, &entry) != kZipOk)
                continue;
            const DWORD size =
                static_cast<DWORD>(std::min<long>(std::max<long>(entry.uncompressedSize, 1), 1 << 20));
            std::string room(size, '\0');
            CGuardedBytes out(room);
            DWORD delivered = 0;
            const DWORD rc =
                ExtractEntry(a.zip.get(), index, out.Data(), out.Size(), kZipFromMemory, &delivered);
            EXPECT_TRUE(rc == kZipOk || rc == kZipMore || rc == kZipCorrupt)
                << "round " << round << " rc " << rc;
            EXPECT_LE(delivered, out.Size());
        }
    }
    EXPECT_GT(opened, 1000);
}
