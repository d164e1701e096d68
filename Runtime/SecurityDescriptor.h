#pragma once
// Security descriptors of folders that only administrators may change: the one we create them
// with, and the judge of one we find (an existing folder is used only if a standard user could
// not have planted or redirected anything in it). Any thread; objects are not shared.
#include <windows.h>

#include <string>

class CSecurityDescriptor {
public:
    CSecurityDescriptor() = default;
    ~CSecurityDescriptor();
    CSecurityDescriptor(CSecurityDescriptor&& other) noexcept;
    CSecurityDescriptor& operator=(CSecurityDescriptor&& other) noexcept;
    CSecurityDescriptor(const CSecurityDescriptor&) = delete;
    CSecurityDescriptor& operator=(const CSecurityDescriptor&) = delete;

    // Owner Administrators; full control for SYSTEM and Administrators, passed on to everything
    // created inside; nothing inherited from the parent, nothing for anyone else.
    static CSecurityDescriptor AdminsOnly();
    static CSecurityDescriptor FromSddl(const wchar_t* sddl);
    // The owner and DACL of an open file or folder; empty when they cannot be read.
    static CSecurityDescriptor OfHandle(HANDLE file);

    bool IsValid() const { return m_descriptor != nullptr; }
    PSECURITY_DESCRIPTOR Get() const { return m_descriptor; }
    // Owner and DACL as SDDL; empty when invalid.
    std::wstring ToSddl() const;
    // The judge: the owner is Administrators or SYSTEM, the DACL is protected from inheritance and
    // lets no one else write, delete, or change permissions or owner (an inherit-only grant counts
    // too: it would reach the files created inside).
    bool IsAdminsOnly() const;

private:
    explicit CSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor) : m_descriptor(descriptor) {}
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;  // LocalAlloc'd
};

// The path itself or one of its parents is a reparse point (a junction, a symbolic link, a mount
// point): whatever is created through it may land elsewhere. Missing parts count as none.
bool IsReparsePointOnPath(const std::wstring& path);
