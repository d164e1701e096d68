#pragma once
// Who owns a file, and whether that owner is an account that only administrators act as.
// Used to decide whether a record in a folder that standard users may write can be trusted. Any thread.
#include <windows.h>

#include <string>

// Administrators, SYSTEM or TrustedInstaller.
bool IsTrustedOwner(PSID owner);

// The file's owner, as the system reports it, is a trusted one. False when the owner cannot be read.
bool IsOwnedByTrustedAccount(const std::wstring& path);
