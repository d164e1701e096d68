#include "Runtime/SecurityDescriptor.h"

#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"

namespace {
constexpr wchar_t kOurs[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
}  // namespace

// The folder descriptor we build is exactly: owner Administrators, full control for SYSTEM and
// Administrators passed on to what is created inside, protected from the parent; and the judge takes it.
TEST(SecurityDescriptor, BuiltDescriptorIsAdminsOnly) {
    const CSecurityDescriptor built = CSecurityDescriptor::AdminsOnly();
    ASSERT_TRUE(built.IsValid());
    EXPECT_EQ(kOurs, built.ToSddl());
    EXPECT_TRUE(built.IsAdminsOnly());
}

// The judge on descriptors a standard user could have left behind: anything that lets someone other
// than Administrators or SYSTEM write, delete or re-permission, or that lets the parent's grants in.
TEST(SecurityDescriptor, JudgeOnCraftedDescriptors) {
    struct Case {
        const wchar_t* sddl;
        bool adminsOnly;
    } cases[] = {
        {kOurs, true},
        {L"O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)", true},  // others may read
        {L"O:BAD:P(D;OICI;FW;;;BU)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},  // a denial narrows only
        {L"O:S-1-5-21-1004336348-1177238915-682003330-1001D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},
        {L"O:BUD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},
        {L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},                            // no owner
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", false},  // Users: modify
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;AU)", false},        // Authenticated Users
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GW;;;BU)", false},      // reaches new files
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;WD;;;WD)", false},            // may re-permission
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;SD;;;IU)", false},            // may delete
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;FA;;;CO)", false},
        {L"O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},  // inheritance from the parent on
        {L"O:BAD:NO_ACCESS_CONTROL", false},                 // no DACL: everyone everything
    };
    for (const Case& c : cases) {
        const CSecurityDescriptor descriptor = CSecurityDescriptor::FromSddl(c.sddl);
        ASSERT_TRUE(descriptor.IsValid()) << c.sddl;
        EXPECT_EQ(c.adminsOnly, descriptor.IsAdminsOnly()) << c.sddl;
    }
    EXPECT_FALSE(CSecurityDescriptor().IsAdminsOnly());
}

// Plain folders, and paths whose end does not exist yet, hold no reparse point (links: below).
TEST(SecurityDescriptor, PlainPathsHoldNoReparsePoint) {
    TestEnv::TempDir dir(L"reparse");
    EXPECT_FALSE(IsReparsePointOnPath(dir.Path()));
    EXPECT_FALSE(IsReparsePointOnPath(dir.File(L"missing\\deeper")));
    EXPECT_FALSE(IsReparsePointOnPath(L"C:\\"));
}

// A link to a folder (made on the host by the test fixture) is found whether it is the path's end or
// one of its parents; its target is a plain folder.
TEST(SecurityDescriptor, LinksOnThePathAreFound) {
    const std::wstring links = L"C:\\zorva-test-links";
    EXPECT_TRUE(IsReparsePointOnPath(links + L"\\link"));
    EXPECT_TRUE(IsReparsePointOnPath(links + L"\\link\\Zorva\\TarnisSetup"));
    EXPECT_FALSE(IsReparsePointOnPath(links + L"\\target"));
}
