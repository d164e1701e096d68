#include "app/DllSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "Runtime/StringConv.h"
#include "tests/app/stubs/StubRecord.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr DWORD kProcessWaitMs = 60000;

// Windows' KnownDLLs, as far as Windows 7 and Windows 10 agree (ntdll is always the system's own).
const std::set<std::string> kKnownDlls = {
    "advapi32.dll", "clbcatq.dll",  "comdlg32.dll", "difxapi.dll", "gdi32.dll",    "imagehlp.dll",
    "imm32.dll",    "kernel32.dll", "msctf.dll",    "msvcrt.dll",  "normaliz.dll", "nsi.dll",
    "ntdll.dll",    "ole32.dll",    "oleaut32.dll", "psapi.dll",   "rpcrt4.dll",   "sechost.dll",
    "setupapi.dll", "shell32.dll",  "shlwapi.dll",  "user32.dll",  "wldap32.dll",  "ws2_32.dll"};

// The DLLs the probe uses and records, all delay-loaded.
constexpr size_t kDelayedCount = 10;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::wstring LowerW(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

// The DLL names of a 64-bit executable's import table, read from the file. (GNU ld leaves the
// delay-import directory of the header empty; the delayed DLLs are seen at run time instead.)
struct ImportTables {
    bool valid = false;
    std::vector<std::string> imports;
};

ImportTables ReadImportTables(const std::wstring& path) {
    ImportTables tables;
    const std::string image = TestEnv::ReadFileBytes(path);
    auto at = [&](size_t offset, size_t size) -> const char* {
        return offset + size <= image.size() ? image.data() + offset : nullptr;
    };
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE)
        return tables;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(
        at(static_cast<size_t>(dos->e_lfanew), sizeof(IMAGE_NT_HEADERS64)));
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return tables;
    const size_t sectionsAt = static_cast<size_t>(dos->e_lfanew) +
                              offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                              nt->FileHeader.SizeOfOptionalHeader;
    const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        at(sectionsAt, sizeof(IMAGE_SECTION_HEADER) * nt->FileHeader.NumberOfSections));
    if (!sections)
        return tables;
    auto offsetOf = [&](ULONGLONG rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress &&
                rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return static_cast<size_t>(rva - s.VirtualAddress + s.PointerToRawData);
        }
        return image.size();
    };
    auto nameAt = [&](ULONGLONG rva) {
        const size_t offset = offsetOf(rva);
        return offset < image.size() ? Lower(std::string(image.data() + offset)) : std::string();
    };

    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (size_t offset = offsetOf(imports.VirtualAddress); imports.VirtualAddress;
         offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* d =
            reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
        if (!d || d->Name == 0)
            break;
        tables.imports.push_back(nameAt(d->Name));
    }
    tables.valid = true;
    return tables;
}

void ExpectOnlyKnownDllsImported(const std::wstring& exe) {
    ImportTables tables = ReadImportTables(exe);
    ASSERT_TRUE(tables.valid) << "not a 64-bit executable: " << exe;
    EXPECT_FALSE(tables.imports.empty());
    for (const std::string& dll : tables.imports)
        EXPECT_EQ(1u, kKnownDlls.count(dll)) << dll << " is imported directly by " << exe;
}

std::wstring ProbePath() {
    return TestEnv::BinaryDir() + L"\\tests\\app\\stubs\\DllProbe.exe";
}

std::wstring PlantedDir() {
    return TestEnv::BinaryDir() + L"\\tests\\app\\planted";
}

// The names of the files matching a pattern such as "C:\\dir\\*.dll".
std::vector<std::wstring> FileNames(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::vector<std::wstring> PlantedDllNames() {
    return FileNames(PlantedDir() + L"\\*.dll");
}

// The environment of this process with some variables replaced, as a block for CreateProcessW.
std::vector<wchar_t> EnvironmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
    std::vector<wchar_t> block;
    LPWCH strings = GetEnvironmentStringsW();
    for (const wchar_t* p = strings; *p; p += wcslen(p) + 1) {
        const std::wstring entry = p;
        const bool replaced = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
            return LowerW(entry.substr(0, change.first.size() + 1)) == LowerW(change.first + L"=");
        });
        if (!replaced)
            block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& change : changes) {
        const std::wstring entry = change.first + L"=" + change.second;
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    }
    block.push_back(L'\0');
    return block;
}

// A download folder with the probe and the marker DLLs planted beside it, and Wine told to prefer
// DLLs found on the search path over its own for this one program (Wine's per-program overrides),
// as Windows does for any DLL that is not a KnownDLL. The environment variable for overrides would
// not do: a child takes Wine's settings from its parent's host environment, not from its own block.
class PlantedFolder {
public:
    PlantedFolder() : m_dir(L"planted") {
        const std::wstring name = L"DllProbe-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
        m_exe = m_dir.File(name);
        CopyFileW(ProbePath().c_str(), m_exe.c_str(), FALSE);
        m_overridesKey = L"Software\\Wine\\AppDefaults\\" + name + L"\\DllOverrides";
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, m_overridesKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return;
        for (const std::wstring& dll : PlantedDllNames()) {
            CopyFileW((PlantedDir() + L"\\" + dll).c_str(), m_dir.File(dll).c_str(), FALSE);
            const std::wstring base = dll.substr(0, dll.size() - 4);
            const wchar_t order[] = L"native,builtin";
            RegSetValueExW(key, base.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof(order));
            ++m_planted;
        }
        RegCloseKey(key);
    }
    ~PlantedFolder() {
        RegDeleteTreeW(HKEY_CURRENT_USER, m_overridesKey.substr(0, m_overridesKey.rfind(L'\\')).c_str());
    }
    PlantedFolder(const PlantedFolder&) = delete;
    PlantedFolder& operator=(const PlantedFolder&) = delete;

    // Runs the probe to its end; its exit code, or -1 when it could not run in time.
    int Run(const std::wstring& arguments) {
        std::vector<wchar_t> environment =
            EnvironmentWith({{L"ZORVA_MARKER_DIR", m_dir.Path()}, {StubRecord::kDirVariable, m_dir.Path()}});
        std::wstring commandLine = L"\"" + m_exe + L"\" " + arguments;
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION info = {};
        if (!CreateProcessW(m_exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                            CREATE_UNICODE_ENVIRONMENT, environment.data(), m_dir.Path().c_str(), &startup,
                            &info))
            return -1;
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(info.hProcess, kProcessWaitMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(info.hProcess, &code);
        else
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
        return static_cast<int>(code);
    }

    std::vector<std::wstring> Markers() const { return FileNames(m_dir.File(L"*.loaded")); }
    std::vector<std::wstring> Record() const {
        return StubRecord::Read(StubRecord::PathIn(m_dir.Path(), L"DllProbe"));
    }
    bool HasAllPlanted() const { return m_planted > 0 && TestEnv::FileExists(m_exe); }

private:
    TestEnv::TempDir m_dir;
    std::wstring m_exe;
    std::wstring m_overridesKey;
    int m_planted = 0;
};

std::wstring SystemFolder() {
    wchar_t path[MAX_PATH] = {};
    GetSystemDirectoryW(path, MAX_PATH);
    return LowerW(path);
}

}  // namespace

// Linked with the hardened setup, a program that uses all of kDelayed imports only KnownDLLs directly.
TEST(DllSearch, ProbeImportsOnlyKnownDllsDirectly) {
    ExpectOnlyKnownDllsImported(ProbePath());
}

// The installer itself, when this tree builds it.
TEST(DllSearch, InstallerImportsOnlyKnownDllsDirectly) {
    const char* installer = getenv("ZORVA_INSTALLER_EXE");
    if (!installer || !*installer)
        GTEST_SKIP() << "no installer executable in this build";
    std::wstring path = L"Z:" + Utf8ToWide(installer);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    ExpectOnlyKnownDllsImported(path);
}

// Without the hardening a bare-name load takes the planted copy: the stand-in folder does reproduce
// the attack, so the next test's silence means something.
TEST(DllSearch, UnprotectedLoadTakesPlantedDll) {
    PlantedFolder folder;
    ASSERT_TRUE(folder.HasAllPlanted());
    ASSERT_EQ(0, folder.Run(L"/plain-load"));
    const std::vector<std::wstring> record = folder.Record();
    EXPECT_NE(std::vector<std::wstring>(), folder.Markers()) << (record.empty() ? L"no record" : record[0]);
}

// With it, none of the planted DLLs is loaded, every DLL in use is the system folder's, and the
// program still works.
TEST(DllSearch, PlantedDllsAreNotLoaded) {
    PlantedFolder folder;
    ASSERT_TRUE(folder.HasAllPlanted());
    ASSERT_EQ(0, folder.Run(L""));
    EXPECT_EQ(std::vector<std::wstring>(), folder.Markers());
    const std::vector<std::wstring> record = folder.Record();
    EXPECT_EQ(kDelayedCount, record.size());
    const std::wstring system = SystemFolder();
    for (const std::wstring& line : record) {
        const std::wstring path = LowerW(line.substr(line.find(L'=') + 1));
        EXPECT_EQ(system + L"\\", path.substr(0, system.size() + 1)) << line;
    }
}

// The delay-load hook's loader: the system folder's copy, or nothing when the system has none.
TEST(DllSearch, LoadSystemLibraryTakesOnlySystemCopies) {
    HMODULE version = LoadSystemLibrary("version.dll");
    ASSERT_NE(nullptr, version);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(version, path, MAX_PATH);
    EXPECT_EQ(SystemFolder() + L"\\version.dll", LowerW(path));
    EXPECT_EQ(nullptr, LoadSystemLibrary("zorva-no-such-library.dll"));
    EXPECT_EQ(nullptr, LoadSystemLibrary(""));
}
