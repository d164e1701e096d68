#pragma once
// File-system and process helpers shared by the installer and the update module.
// UI thread only (FormatFileSize and GetModuleDir keep process-wide buffers).
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

std::wstring FormatFileSize(uint64_t bytes);
std::wstring GetModuleDir();
int64_t GetFileSize(const std::wstring& path);
std::wstring BrowseForFolder(HWND owner, const std::wstring& initial);
DWORD RunProcess(const std::wstring& application, const std::wstring& commandLine,
                 PROCESS_INFORMATION* info = nullptr);
// (failed flag, system error); the caller owns and closes the handles in info.
std::pair<int, DWORD> RunProcessEx(const std::wstring& application, const std::wstring& commandLine,
                                   PROCESS_INFORMATION* info = nullptr);
bool CreateDir(const std::wstring& path);
bool DeleteFileOnce(const std::wstring& path);
bool MoveFileOnce(const std::wstring& source, const std::wstring& target);

// printf-style formatting into a string of any length.
std::wstring FormatString(const wchar_t* format, ...);
// printf-style formatting into a caller's buffer of at most kFormatBufferMax characters.
constexpr size_t kFormatBufferMax = 2048;
int FormatString(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);
