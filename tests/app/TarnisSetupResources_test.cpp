// Reads back the resources that the installer executable carries, from this test program, which
// links the same resource object: the skin archive, the icon group, the version record and the
// application manifest, all in Chinese (PRC).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr WORD kLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr int kSkinArchiveId = 150;
constexpr int kIconGroupId = 101;
constexpr DWORD kZipEndRecord = 0x06054b50;
constexpr DWORD kZipCentralEntry = 0x02014b50;
constexpr DWORD kZipLocalEntry = 0x04034b50;
constexpr WORD kDeflated = 8;

std::string ResourceBytes(const wchar_t* type, const wchar_t* name) {
    HRSRC info = FindResourceExW(nullptr, type, name, kLanguage);
    if (!info)
        return {};
    HGLOBAL loaded = LoadResource(nullptr, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return std::string(static_cast<const char*>(bytes), SizeofResource(nullptr, info));
}

template <typename T>
T Read(const std::string& bytes, size_t at) {
    T value{};
    if (at + sizeof(T) <= bytes.size())
        memcpy(&value, bytes.data() + at, sizeof(T));
    return value;
}

uint32_t ReadBigEndian32(const std::string& bytes, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

struct ZipEntry {
    std::string name;
    WORD method = 0;
    DWORD crc = 0;
    DWORD packedSize = 0;
    DWORD size = 0;
    DWORD localOffset = 0;
};

// Walks the central directory the way any standard zip reader does.
std::vector<ZipEntry> ListArchive(const std::string& zip) {
    std::vector<ZipEntry> entries;
    if (zip.size() < 22)
        return entries;
    size_t end = zip.size() - 22;
    while (end > 0 && Read<DWORD>(zip, end) != kZipEndRecord)
        --end;
    if (Read<DWORD>(zip, end) != kZipEndRecord)
        return entries;
    const WORD count = Read<WORD>(zip, end + 10);
    size_t at = Read<DWORD>(zip, end + 16);
    for (WORD i = 0; i < count && Read<DWORD>(zip, at) == kZipCentralEntry; ++i) {
        ZipEntry entry;
        entry.method = Read<WORD>(zip, at + 10);
        entry.crc = Read<DWORD>(zip, at + 16);
        entry.packedSize = Read<DWORD>(zip, at + 20);
        entry.size = Read<DWORD>(zip, at + 24);
        const WORD nameLength = Read<WORD>(zip, at + 28);
        const WORD extraLength = Read<WORD>(zip, at + 30);
        const WORD commentLength = Read<WORD>(zip, at + 32);
        entry.localOffset = Read<DWORD>(zip, at + 42);
        entry.name = zip.substr(at + 46, nameLength);
        entries.push_back(entry);
        at += 46 + nameLength + extraLength + commentLength;
    }
    return entries;
}

// Raw inflate of one entry's data, found through its local header.
std::string Inflate(const std::string& zip, const ZipEntry& entry) {
    const size_t local = entry.localOffset;
    if (Read<DWORD>(zip, local) != kZipLocalEntry)
        return {};
    const size_t data = local + 30 + Read<WORD>(zip, local + 26) + Read<WORD>(zip, local + 28);
    if (data + entry.packedSize > zip.size())
        return {};
    std::string out(entry.size, '\0');
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return {};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
    stream.avail_in = entry.packedSize;
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = entry.size;
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    if (result != Z_STREAM_END || stream.total_out != entry.size)
        return {};
    return out;
}

struct ExpectedImage {
    int width;
    int height;
};

// Every image of the skin with its pixel size.
const std::map<std::string, ExpectedImage> kImages = {
    {"bg.png", {540, 305}},
    {"bg_progress.png", {540, 313}},
    {"install_0.png", {184, 44}},
    {"install_1.png", {194, 54}},
    {"install_3.png", {202, 56}},
    {"install2_0.png", {100, 28}},
    {"install2_1.png", {100, 28}},
    {"opt_000.png", {16, 16}},
    {"opt_001.png", {16, 16}},
    {"btn_agreement_000.png", {96, 11}},
    {"btn_agreement_002.png", {96, 11}},
    {"btn_free_000.png", {77, 13}},
    {"btn_free_002.png", {77, 13}},
    {"btn_min000.png", {25, 23}},
    {"btn_min001.png", {25, 23}},
    {"btn_min002.png", {25, 23}},
    {"btn_close000.png", {25, 23}},
    {"btn_close001.png", {25, 23}},
    {"btn_close002.png", {25, 23}},
    {"input.png", {436, 29}},
    {"select_dir_0.png", {84, 29}},
    {"select_dir_1.png", {84, 29}},
    {"progress_bk.png", {470, 30}},
    {"progress_fore.png", {470, 30}},
    {"public_btn_000.png", {24, 24}},
    {"public_btn_001.png", {24, 24}},
    {"public_btn_002.png", {24, 24}},
    {"public_btn1_000.png", {24, 24}},
    {"public_btn1_001.png", {24, 24}},
    {"public_btn1_002.png", {24, 24}},
    {"common_tip_icon.png", {29, 29}},
    {"shadow.png", {290, 610}},
    // Double-size variants for display scales above 125 %.
    {"btn_min000@2x.png", {50, 46}},
    {"btn_min001@2x.png", {50, 46}},
    {"btn_min002@2x.png", {50, 46}},
    {"btn_close000@2x.png", {50, 46}},
    {"btn_close001@2x.png", {50, 46}},
    {"btn_close002@2x.png", {50, 46}},
    {"opt_000@2x.png", {32, 32}},
    {"opt_001@2x.png", {32, 32}},
    {"common_tip_icon@2x.png", {58, 58}},
};

struct ExpectedLayout {
    size_t bytes;
    bool byteOrderMark;
};

const std::map<std::string, ExpectedLayout> kLayouts = {
    {"InstallPackages.xml", {5174, true}},
    {"MessageBox.xml", {3285, false}},
};

class SkinArchive : public ::testing::Test {
protected:
    void SetUp() override {
        m_zip = ResourceBytes(L"ZIPRES", MAKEINTRESOURCEW(kSkinArchiveId));
        ASSERT_FALSE(m_zip.empty()) << "no ZIPRES 150 in language 2052";
        m_entries = ListArchive(m_zip);
        ASSERT_FALSE(m_entries.empty()) << "not a readable zip archive";
    }
    std::string m_zip;
    std::vector<ZipEntry> m_entries;
};

// The archive holds exactly the layouts and images of the skin, each once, deflated, without folders.
TEST_F(SkinArchive, HoldsExactlyTheSkinFilesDeflatedWithoutFolders) {
    std::set<std::string> expected;
    for (const auto& image : kImages)
        expected.insert(image.first);
    for (const auto& layout : kLayouts)
        expected.insert(layout.first);

    std::multiset<std::string> found;
    for (const ZipEntry& entry : m_entries) {
        found.insert(entry.name);
        EXPECT_EQ(entry.method, kDeflated) << entry.name;
        EXPECT_EQ(entry.name.find_first_of("/\\"), std::string::npos) << entry.name;
    }
    EXPECT_EQ(found.size(), expected.size());
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), expected);
}

// Each entry inflates to its recorded size and checksum; images are 8-bit PNGs of their listed size.
TEST_F(SkinArchive, EveryImageInflatesToAPngOfItsListedSize) {
    for (const ZipEntry& entry : m_entries) {
        const auto image = kImages.find(entry.name);
        if (image == kImages.end())
            continue;
        const std::string png = Inflate(m_zip, entry);
        ASSERT_EQ(png.size(), entry.size) << entry.name;
        EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(png.data()), uInt(png.size())), entry.crc)
            << entry.name;
        ASSERT_GE(png.size(), 29u) << entry.name;
        EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << entry.name;
        EXPECT_EQ(png.substr(12, 4), "IHDR") << entry.name;
        EXPECT_EQ(ReadBigEndian32(png, 16), uint32_t(image->second.width)) << entry.name;
        EXPECT_EQ(ReadBigEndian32(png, 20), uint32_t(image->second.height)) << entry.name;
        EXPECT_EQ(png[24], 8) << entry.name << ": bits per channel";
    }
}

// The main layout starts with a UTF-8 byte-order mark, the message box layout does not.
TEST_F(SkinArchive, LayoutsHaveTheirSizeAndByteOrderMark) {
    const std::string bom = "\xEF\xBB\xBF";
    int seen = 0;
    for (const ZipEntry& entry : m_entries) {
        const auto layout = kLayouts.find(entry.name);
        if (layout == kLayouts.end())
            continue;
        ++seen;
        const std::string xml = Inflate(m_zip, entry);
        EXPECT_EQ(xml.size(), layout->second.bytes) << entry.name;
        EXPECT_EQ(xml.compare(0, 3, bom) == 0, layout->second.byteOrderMark) << entry.name;
        const size_t start = layout->second.byteOrderMark ? 3 : 0;
        EXPECT_EQ(xml.compare(start, 5, "<?xml"), 0) << entry.name;
        EXPECT_NE(xml.find("<Window "), std::string::npos) << entry.name;
    }
    EXPECT_EQ(seen, 2);
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// Icon group 101 holds six 32-bit images of 256, 128, 48, 32, 24 and 16 pixels; Windows loads it.
TEST(IconGroup, HoldsSixThirtyTwoBitSizesAndLoads) {
    const std::string group = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(kIconGroupId));
    ASSERT_GE(group.size(), 6u);
    const WORD count = Read<WORD>(group, 4);
    ASSERT_EQ(group.size(), 6 + count * sizeof(IconGroupEntry));
    std::multiset<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const auto entry = Read<IconGroupEntry>(group, 6 + i * sizeof(IconGroupEntry));
        const int side = entry.width == 0 ? 256 : entry.width;
        sizes.insert(side);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 32) << side;
        EXPECT_FALSE(ResourceBytes(RT_ICON, MAKEINTRESOURCEW(entry.id)).empty()) << side;
    }
    EXPECT_EQ(sizes, (std::multiset<int>{256, 128, 48, 32, 24, 16}));

    for (int side : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconGroupId),
                                                   IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr) << side;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectW(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, side);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

std::wstring VersionString(const std::vector<char>& block, const wchar_t* key) {
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + key;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return {};
    return std::wstring(value);
}

// The version record reads 1.0.0.2 with the Chinese description and the maker's names.
TEST(VersionRecord, ReadsBackThroughTheVersionApi) {
    EXPECT_FALSE(ResourceBytes(RT_VERSION, MAKEINTRESOURCEW(1)).empty());
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const DWORD size = GetFileVersionInfoSizeW(self, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(self, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(2, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(2, 0));

    DWORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(LOWORD(*translation), 2052);
    EXPECT_EQ(HIWORD(*translation), 1200);

    EXPECT_EQ(VersionString(block, L"FileDescription"), L"Tarnis安装程序");
    EXPECT_EQ(VersionString(block, L"InternalName"), L"Zorva");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"Zorva");
    EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.0.0.2");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), L"1.0.0.2");
}

// The manifest asks for elevation, visual styles and per-screen DPI awareness, and declares Vista to
// Windows 10/11; the loader honours it, so this very process runs with version 6 of the common controls
// and is not stretched by the system.
TEST(ApplicationManifest, RequestsElevationAndCommonControlsSix) {
    const std::string manifest = ResourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    const size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(controls, std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\"", controls), std::string::npos);
    EXPECT_NE(manifest.find("{e2011457-1546-43c5-a5fe-008deee3d3f0}"), std::string::npos) << "Vista";
    EXPECT_NE(manifest.find("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"), std::string::npos) << "Windows 7";
    EXPECT_NE(manifest.find("{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"), std::string::npos) << "Windows 8";
    EXPECT_NE(manifest.find("{1f676c76-80e1-4239-95bb-83d0f6d0da78}"), std::string::npos) << "Windows 8.1";
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << "Windows 10";
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_TRUE(IsProcessDPIAware());

    INITCOMMONCONTROLSEX init{sizeof(init), ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    // Version 6 lives in the side-by-side store; version 5 in the system folder.
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH), 0u);
    std::wstring loaded(path);
    CharLowerW(loaded.data());
    EXPECT_NE(loaded.find(L"common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
        << std::string(loaded.begin(), loaded.end());
}

}  // namespace
