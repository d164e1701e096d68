#pragma once
// One installer at a time: the first holds a named mutex for its whole life; one started beside it
// brings the first one's window to the front and ends. The name lives in a private namespace bounded
// by the Administrators group, so a process without administrator rights can neither create it first
// (and so keep every installer from starting) nor see it. A system without private namespaces (Wine)
// uses the session's namespace. UI thread.
#include <windows.h>

#include <string>

#include "Runtime/ScopedHandle.h"

// The installer's own name in that namespace.
constexpr wchar_t kInstallerInstanceName[] = L"Instance";

class CSingleInstance {
public:
    // name: the mutex's name inside the installer's private namespace.
    explicit CSingleInstance(const wchar_t* name);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // False when another installer holds the name. A namespace or mutex that cannot be made at all
    // counts as first: the install must not be blocked by it.
    bool IsFirst() const { return m_first; }
    // Restores and brings to the front the session's window of this class (or the box it has open);
    // false when there is none yet.
    static bool ActivateWindow(const wchar_t* className);

private:
    void Hold(const std::wstring& fullName);

    HANDLE m_namespace = nullptr;  // closed with ClosePrivateNamespace, not CloseHandle
    void* m_boundary = nullptr;
    CScopedHandle m_mutex;
    bool m_first = true;
};
