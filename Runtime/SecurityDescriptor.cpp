#include "Runtime/SecurityDescriptor.h"

#include <aclapi.h>
#include <sddl.h>

#include <utility>

namespace {

constexpr wchar_t kAdminsOnlySddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr SECURITY_INFORMATION kOwnerAndDacl = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
// Any of these lets its holder plant, replace or redirect what lies in the folder.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                     FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                     WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsAdminsOrSystem(PSID sid) {
    return sid && IsValidSid(sid) &&
           (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid));
}

}  // namespace

CSecurityDescriptor::~CSecurityDescriptor() {
    LocalFree(m_descriptor);
}

CSecurityDescriptor::CSecurityDescriptor(CSecurityDescriptor&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, nullptr)) {}

CSecurityDescriptor& CSecurityDescriptor::operator=(CSecurityDescriptor&& other) noexcept {
    if (this != &other) {
        LocalFree(m_descriptor);
        m_descriptor = std::exchange(other.m_descriptor, nullptr);
    }
    return *this;
}

CSecurityDescriptor CSecurityDescriptor::AdminsOnly() {
    return FromSddl(kAdminsOnlySddl);
}

CSecurityDescriptor CSecurityDescriptor::FromSddl(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return CSecurityDescriptor();
    return CSecurityDescriptor(descriptor);
}

CSecurityDescriptor CSecurityDescriptor::OfHandle(HANDLE file) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, kOwnerAndDacl, nullptr, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return CSecurityDescriptor();
    return CSecurityDescriptor(descriptor);
}

std::wstring CSecurityDescriptor::ToSddl() const {
    LPWSTR text = nullptr;
    if (!m_descriptor || !ConvertSecurityDescriptorToStringSecurityDescriptorW(m_descriptor, SDDL_REVISION_1,
                                                                               kOwnerAndDacl, &text, nullptr))
        return std::wstring();
    std::wstring sddl = text;
    LocalFree(text);
    return sddl;
}

bool CSecurityDescriptor::IsAdminsOnly() const {
    if (!m_descriptor)
        return false;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(m_descriptor, &owner, &defaulted) || !IsAdminsOrSystem(owner))
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorControl(m_descriptor, &control, &revision) || !(control & SE_DACL_PROTECTED))
        return false;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    // No DACL at all grants everything to everyone.
    if (!GetSecurityDescriptorDacl(m_descriptor, &present, &dacl, &defaulted) || !present || !dacl)
        return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            return false;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        // Object and callback grants have no place on a folder of ours: refused rather than parsed.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return false;
        const ACCESS_ALLOWED_ACE* grant = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = const_cast<DWORD*>(&grant->SidStart);
        if ((grant->Mask & kWriteRights) && !IsAdminsOrSystem(sid))
            return false;
    }
    return true;
}

bool IsReparsePointOnPath(const std::wstring& path) {
    std::wstring part = path;
    while (!part.empty()) {
        const DWORD attributes = GetFileAttributesW(part.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return true;
        const size_t slash = part.find_last_of(L'\\');
        if (slash == std::wstring::npos)
            break;
        // "C:\" stays a root; "C:\a" goes to "C:\" and then stops.
        part = slash > 0 && part[slash - 1] == L':'
                   ? (slash + 1 == part.size() ? L"" : part.substr(0, slash + 1))
                   : part.substr(0, slash);
    }
    return false;
}
