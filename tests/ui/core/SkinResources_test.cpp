#include "ui/core/SkinResources.h"

#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "tests/support/TestEnv.h"
#include "ui/core/SkinXml.h"

using namespace SkinUI;

namespace {

constexpr UINT kSkinResourceId = 150;

}  // namespace

TEST(SkinResources, ResourcePathEndsInABackslash) {
    CSkinResources::SetResourcePath(L"C:\\skins");
    EXPECT_EQ(L"C:\\skins\\", CSkinResources::GetResourcePath());
    CSkinResources::SetResourcePath(L"C:\\skins\\");
    EXPECT_EQ(L"C:\\skins\\", CSkinResources::GetResourcePath());
    CSkinResources::SetResourcePath(L"C:/skins/");
    EXPECT_EQ(L"C:/skins/", CSkinResources::GetResourcePath());
    CSkinResources::SetResourcePath(L"");
    EXPECT_EQ(L"", CSkinResources::GetResourcePath());
}

// The instance path is the folder of the module's file; the resource module falls back to the instance.
TEST(SkinResources, InstanceAndResourceModule) {
    CSkinResources::SetInstance(nullptr);
    EXPECT_EQ(L"", CSkinResources::GetInstancePath());
    HINSTANCE self = GetModuleHandleW(nullptr);
    CSkinResources::SetInstance(self);
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(self, exe, MAX_PATH);
    const std::wstring folder = CSkinResources::GetInstancePath();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(L'\\', folder.back());
    EXPECT_EQ(0, std::wstring(exe).compare(0, folder.size(), folder));
    EXPECT_EQ(std::wstring::npos, std::wstring(exe).find(L'\\', folder.size()));

    EXPECT_EQ(self, CSkinResources::GetResourceDll());
    HINSTANCE kernel = GetModuleHandleW(L"kernel32.dll");
    CSkinResources::SetResourceDll(kernel);
    EXPECT_EQ(kernel, CSkinResources::GetResourceDll());
    CSkinResources::SetResourceDll(nullptr);
    EXPECT_EQ(self, CSkinResources::GetResourceDll());
}

// A zip file in the skin folder stays open; the same name again keeps the archive.
TEST(SkinResources, CachedZipFile) {
    TestEnv::TempDir dir(L"skinres");
    SkinTest::CZipBuilder builder;
    builder.Add("a.xml", "<A/>");
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"one.zip"), builder.Build()));
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"two.zip"), builder.Build()));
    CSkinResources::SetResourcePath(dir.Path().c_str());
    CSkinResources::SetResourceZip(L"one.zip");
    EXPECT_TRUE(CSkinResources::IsCachedResourceZip());
    EXPECT_EQ(L"one.zip", CSkinResources::GetResourceZip());
    const HZIPARCHIVE first = CSkinResources::GetResourceZipHandle();
    ASSERT_NE(nullptr, first);
    CSkinResources::SetResourceZip(L"one.zip");
    EXPECT_EQ(first, CSkinResources::GetResourceZipHandle());
    CSkinResources::SetResourceZip(L"two.zip");
    EXPECT_NE(nullptr, CSkinResources::GetResourceZipHandle());
    CSkinXml xml;
    EXPECT_TRUE(xml.LoadFromFile(L"a.xml"));
    CSkinResources::SetResourceZip(L"absent.zip");
    EXPECT_EQ(nullptr, CSkinResources::GetResourceZipHandle());
    // One reset takes the whole location back, as at process end.
    CSkinResources::SetResourceZip(L"two.zip");
    CSkinResources::SetInstance(GetModuleHandleW(nullptr));
    ASSERT_TRUE(CSkinResources::LoadResourceZipBuffer(kSkinResourceId));
    CSkinResources::Reset();
    EXPECT_EQ(L"", CSkinResources::GetResourcePath());
    EXPECT_EQ(L"", CSkinResources::GetResourceZip());
    EXPECT_FALSE(CSkinResources::IsCachedResourceZip());
    EXPECT_EQ(nullptr, CSkinResources::GetResourceZipHandle());
    EXPECT_EQ(nullptr, CSkinResources::GetResourceZipBuffer());
    EXPECT_EQ(GetModuleHandleW(nullptr), CSkinResources::GetInstance());
}

// The executable's "ZIPRES" resource: loaded once, opened as "membuffer", kept open when set again;
// freeing it forgets the archive that read it, so the next window loads and opens it anew.
TEST(SkinResources, MemoryZipFromTheExecutable) {
    CSkinResources::SetInstance(GetModuleHandleW(nullptr));
    EXPECT_FALSE(CSkinResources::LoadResourceZipBuffer(kSkinResourceId + 1));
    EXPECT_EQ(nullptr, CSkinResources::GetResourceZipBuffer());

    ASSERT_TRUE(CSkinResources::LoadResourceZipBuffer(kSkinResourceId));
    const BYTE* buffer = CSkinResources::GetResourceZipBuffer();
    ASSERT_NE(nullptr, buffer);
    EXPECT_GT(CSkinResources::GetResourceZipBufferSize(), 1000u);
    EXPECT_TRUE(CSkinResources::LoadResourceZipBuffer(kSkinResourceId));
    EXPECT_EQ(buffer, CSkinResources::GetResourceZipBuffer());

    CSkinResources::SetResourceZip();
    EXPECT_EQ(L"membuffer", CSkinResources::GetResourceZip());
    const HZIPARCHIVE first = CSkinResources::GetResourceZipHandle();
    ASSERT_NE(nullptr, first);
    CSkinResources::SetResourceZip();
    EXPECT_EQ(first, CSkinResources::GetResourceZipHandle());

    CSkinXml xml;
    ASSERT_TRUE(xml.LoadFromFile(L"InstallPackages.xml"));
    EXPECT_STREQ(L"Window", xml.GetRoot().GetName());
    EXPECT_STREQ(L"540,355", xml.GetRoot().GetAttributeValue(L"size"));
    ASSERT_TRUE(xml.LoadFromFile(L"MessageBox.xml"));
    EXPECT_STREQ(L"Window", xml.GetRoot().GetName());

    CSkinResources::FreeResourceZipBuffer();
    EXPECT_EQ(nullptr, CSkinResources::GetResourceZipBuffer());
    EXPECT_EQ(nullptr, CSkinResources::GetResourceZipHandle());
    EXPECT_EQ(L"", CSkinResources::GetResourceZip());

    ASSERT_TRUE(CSkinResources::LoadResourceZipBuffer(kSkinResourceId));
    CSkinResources::SetResourceZip();
    ASSERT_NE(nullptr, CSkinResources::GetResourceZipHandle());
    EXPECT_TRUE(xml.LoadFromFile(L"InstallPackages.xml"));
    CSkinResources::FreeResourceZipBuffer();
}
