#include "app/FileOwner.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"

namespace {

class SidFromString {
public:
    explicit SidFromString(const wchar_t* text) { ConvertStringSidToSidW(text, &m_sid); }
    ~SidFromString() { LocalFree(m_sid); }
    PSID Get() const { return m_sid; }

private:
    PSID m_sid = nullptr;
};

}  // namespace

// Only the accounts that a standard user cannot act as are trusted owners; the administrator
// account itself and the groups every user belongs to are not.
TEST(FileOwner, TrustedOwners) {
    struct Case {
        const wchar_t* sid;
        bool trusted;
    } cases[] = {
        {L"S-1-5-32-544", true},                                                     // Administrators
        {L"S-1-5-18", true},                                                         // SYSTEM
        {L"S-1-5-80-956008885-3425973126-1946305106-2253419018-3152436397", true},   // TrustedInstaller
        {L"S-1-5-80-956008885-3425973126-1946305106-2253419018-3152436398", false},  // another service
        {L"S-1-5-21-1004336348-1177238915-682003330-1001", false},                   // an ordinary user
        {L"S-1-5-21-1004336348-1177238915-682003330-500", false},  // the Administrator account
        {L"S-1-5-32-545", false},                                  // Users
        {L"S-1-1-0", false},                                       // Everyone
        {L"S-1-5-11", false},                                      // Authenticated Users
        {L"S-1-5-19", false},                                      // LOCAL SERVICE
        {L"S-1-5-20", false},                                      // NETWORK SERVICE
        {L"S-1-5-7", false},                                       // ANONYMOUS LOGON
        {L"S-1-3-0", false},                                       // CREATOR OWNER
    };
    for (const Case& c : cases) {
        SidFromString sid(c.sid);
        ASSERT_NE(nullptr, sid.Get()) << c.sid;
        EXPECT_EQ(c.trusted, IsTrustedOwner(sid.Get())) << c.sid;
    }
    EXPECT_FALSE(IsTrustedOwner(nullptr));
}

// Through the system's owner query: a file this (ordinary) user created is not trusted, a missing
// file is not trusted either.
TEST(FileOwner, OwnerQueryOnRealFiles) {
    TestEnv::TempDir dir(L"owner");
    const std::wstring file = dir.File(L"ZorvaLaucher.ini");
    ASSERT_TRUE(TestEnv::WriteFileBytes(file, "[ZorvaNet-Launcher]\r\n"));

    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              GetNamedSecurityInfoW(file.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                    nullptr, nullptr, &descriptor));
    LPWSTR text = nullptr;
    ConvertSidToStringSidW(owner, &text);
    const std::wstring ownerText = text ? text : L"";
    LocalFree(text);
    LocalFree(descriptor);
    ASSERT_EQ(0u, ownerText.rfind(L"S-1-5-21-", 0)) << "expected a user account as owner, got " << ownerText;

    EXPECT_FALSE(IsOwnedByTrustedAccount(file));
    EXPECT_FALSE(IsOwnedByTrustedAccount(dir.File(L"missing.ini")));
}
