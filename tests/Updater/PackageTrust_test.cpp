#include "Updater/PackageTrust.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestEnv.h"

namespace {

constexpr DWORD kProcessWaitMs = 60000;

std::wstring Sample(const wchar_t* name) {
    return TestEnv::BinaryDir() + L"\\tests\\Updater\\trust-samples\\" + name;
}

std::string Pin(const wchar_t* signer) {
    std::string pin = TestEnv::ReadFileBytes(TestEnv::BinaryDir() + L"\\test-pki\\" + signer + L".pin");
    while (!pin.empty() && (pin.back() == '\n' || pin.back() == '\r'))
        pin.pop_back();
    return pin;
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

// Windows' verdict and our pin together: only an intact signature by a pinned key is trusted. Wine's
// WinVerifyTrust does not ask for a trusted root, so the other CA's signer is refused by the pin alone.
TEST(PackageTrust, OnlyAnIntactSignatureByAPinnedKeyIsTrusted) {
    const std::string signer = Pin(L"signer");
    const std::string other = Pin(L"other");
    ASSERT_EQ(64u, signer.size());
    constexpr UnsignedPackages kAllowed = UnsignedPackages::kAllowed;
    struct Case {
        const wchar_t* file;
        std::vector<std::string> pins;
        PackageVerdict expected;
        UnsignedPackages withoutPins = UnsignedPackages::kRefused;
    } cases[] = {
        {L"pinned.exe", {signer}, PackageVerdict::kTrusted},
        {L"pinned.exe", {other, Upper(signer)}, PackageVerdict::kTrusted},
        {L"pinned.exe", {other}, PackageVerdict::kSignerNotPinned},
        {L"other.exe", {signer}, PackageVerdict::kSignerNotPinned},
        {L"unsigned.exe", {signer}, PackageVerdict::kBadSignature},
        {L"changed.exe", {signer}, PackageVerdict::kBadSignature},
        // Built without pins: nothing is trusted, unless unsigned packages were allowed on purpose.
        {L"unsigned.exe", {}, PackageVerdict::kNoPins},
        {L"pinned.exe", {}, PackageVerdict::kNoPins},
        {L"unsigned.exe", {}, PackageVerdict::kUnverified, kAllowed},
        {L"missing.exe", {signer}, PackageVerdict::kCannotOpen},
    };
    for (const Case& c : cases) {
        const TrustResult result = PackageTrust::VerifyPath(Sample(c.file), c.pins, c.withoutPins);
        EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(result.verdict))
            << c.file << " with " << c.pins.size() << " pins, status 0x" << std::hex << result.status;
        EXPECT_EQ(c.expected == PackageVerdict::kTrusted || c.expected == PackageVerdict::kUnverified,
                  result.Accepted());
    }
    EXPECT_EQ(static_cast<LONG>(TRUST_E_NOSIGNATURE),
              PackageTrust::VerifyPath(Sample(L"unsigned.exe"), {signer}).status);
}

// While the checked package is held, nobody can write, delete or rename it, yet it starts.
TEST(PackageTrust, HeldPackageCannotBeSwappedButStarts) {
    TestEnv::TempDir dir(L"trust");
    const std::wstring package = dir.File(L"zvinstaller.exe");
    ASSERT_TRUE(CopyFileW(Sample(L"pinned.exe").c_str(), package.c_str(), FALSE));
    {
        CScopedHandle held = PackageTrust::OpenLocked(package);
        ASSERT_TRUE(held.IsValid());
        EXPECT_TRUE(PackageTrust::Verify(held.Get(), package, {Pin(L"signer")}).Accepted());

        HANDLE writer = CreateFileW(package.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
        EXPECT_FALSE(DeleteFileW(package.c_str()));
        EXPECT_FALSE(MoveFileW(package.c_str(), dir.File(L"moved.exe").c_str()));

        SetEnvironmentVariableW(L"ZORVA_STUB_RECORD_DIR", dir.Path().c_str());
        std::wstring commandLine = L"\"" + package + L"\" held";
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessW(package.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process))
            << GetLastError();
        CScopedHandle processHandle(process.hProcess);
        CScopedHandle threadHandle(process.hThread);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, kProcessWaitMs));
        DWORD exitCode = 1;
        GetExitCodeProcess(process.hProcess, &exitCode);
        EXPECT_EQ(0u, exitCode);
        SetEnvironmentVariableW(L"ZORVA_STUB_RECORD_DIR", nullptr);
    }
    EXPECT_NE(std::string::npos, TestEnv::ReadFileBytes(dir.File(L"ZorvaLauncher.cmdline.txt")).find("held"));
    EXPECT_TRUE(DeleteFileW(package.c_str())) << "released once the handle closes";
}
