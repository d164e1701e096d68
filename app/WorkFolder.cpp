#include "app/WorkFolder.h"

#include <bcrypt.h>

#include "Runtime/CommonUtils.h"
#include "Runtime/SecurityDescriptor.h"

namespace {

constexpr wchar_t kCompany[] = L"Zorva";
constexpr wchar_t kFolder[] = L"TarnisSetup";
// Candidates after the usual one: first a suffixed folder beside it, then (should "Zorva" itself be
// refused, a link say) a suffixed "Zorva" of our own.
constexpr int kSuffixedBeside = 3;
constexpr int kSuffixedCompany = 3;

std::wstring RandomSuffix() {
    unsigned char bytes[4] = {};
    BCryptGenRandom(nullptr, bytes, sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    return FormatString(L"-%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2], bytes[3]);
}

// Wine keeps no descriptors: every file reads back as owned by the one Unix user, with a DACL made
// from its mode bits, and every process of the prefix runs as that user, so there is no boundary for
// a descriptor to show there. Links are still judged.
bool DescriptorsAreKept() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return !(ntdll && GetProcAddress(ntdll, "wine_get_version"));
}

bool MakeFolder(const std::wstring& folder, const CSecurityDescriptor& descriptor, bool mayExist) {
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
    if (CreateDirectoryW(folder.c_str(), &attributes))
        return true;
    return mayExist && GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

CWorkFolder::CWorkFolder(std::wstring commonAppData) : m_commonAppData(std::move(commonAppData)) {}

bool CWorkFolder::Open() {
    if (m_handle.IsValid())
        return true;
    if (m_commonAppData.empty())
        return false;
    const std::wstring company = m_commonAppData + L"\\" + kCompany;
    if (Claim(company + L"\\" + kFolder, true))
        return true;
    for (int i = 0; i < kSuffixedBeside; ++i)
        if (Claim(company + L"\\" + kFolder + RandomSuffix(), false))
            return true;
    for (int i = 0; i < kSuffixedCompany; ++i)
        if (Claim(company + RandomSuffix() + L"\\" + kFolder, false))
            return true;
    return false;
}

bool CWorkFolder::Claim(const std::wstring& folder, bool mayExist) {
    const CSecurityDescriptor descriptor = CSecurityDescriptor::AdminsOnly();
    if (!descriptor.IsValid())
        return false;
    // The parent is made the same way when missing; one that exists is judged only for links below.
    const std::wstring parent = folder.substr(0, folder.find_last_of(L'\\'));
    // Judged before anything is made, so that nothing is created through a link on the way.
    if (IsReparsePointOnPath(parent))
        return false;
    if (!MakeFolder(parent, descriptor, true) || !MakeFolder(folder, descriptor, mayExist))
        return false;
    // No sharing of delete: while the handle is open the folder and its parents cannot be renamed,
    // so what is judged now stays what is used.
    CScopedHandle handle(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | READ_CONTROL,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.IsValid())
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle.Get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || IsReparsePointOnPath(folder))
        return false;
    if (DescriptorsAreKept() && !CSecurityDescriptor::OfHandle(handle.Get()).IsAdminsOnly())
        return false;
    m_handle = std::move(handle);
    m_path = folder;
    return true;
}
