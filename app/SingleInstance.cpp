#include "app/SingleInstance.h"

#include <sddl.h>

#include <string>

#include "Runtime/SecurityDescriptor.h"

namespace {
constexpr wchar_t kNamespace[] = L"ZorvaTarnisSetup";
// Only Administrators and SYSTEM may open the namespace.
constexpr wchar_t kNamespaceSddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";
// Where the system has no private namespaces (Wine has no boundary descriptors), the session's own
// namespace; a name held there by someone else then shows as an installer without a window.
constexpr wchar_t kSessionPrefix[] = L"Local\\ZorvaTarnisSetup.";
}  // namespace

CSingleInstance::CSingleInstance(const wchar_t* name) {
    m_boundary = CreateBoundaryDescriptorW(kNamespace, 0);
    if (!m_boundary) {
        Hold(std::wstring(kSessionPrefix) + name);
        return;
    }
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(admins);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) ||
        !AddSIDToBoundaryDescriptor(&m_boundary, admins))
        return;
    const CSecurityDescriptor descriptor = CSecurityDescriptor::FromSddl(kNamespaceSddl);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
    m_namespace = CreatePrivateNamespaceW(&attributes, m_boundary, kNamespace);
    if (!m_namespace && GetLastError() == ERROR_ALREADY_EXISTS)
        m_namespace = OpenPrivateNamespaceW(m_boundary, kNamespace);
    if (!m_namespace)
        return;
    Hold(std::wstring(kNamespace) + L"\\" + name);
}

void CSingleInstance::Hold(const std::wstring& fullName) {
    m_mutex.Reset(CreateMutexW(nullptr, FALSE, fullName.c_str()));
    m_first = !(m_mutex.IsValid() && GetLastError() == ERROR_ALREADY_EXISTS);
}

CSingleInstance::~CSingleInstance() {
    m_mutex.Reset();
    if (m_namespace)
        ClosePrivateNamespace(m_namespace, 0);
    if (m_boundary)
        DeleteBoundaryDescriptor(m_boundary);
}

bool CSingleInstance::ActivateWindow(const wchar_t* className) {
    HWND window = FindWindowW(className, nullptr);
    if (!window)
        return false;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    // An open box of that window (the quit question, a failure) is what the user must see.
    SetForegroundWindow(GetLastActivePopup(window));
    return true;
}
