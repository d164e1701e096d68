#include "tests/support/TestOverrides.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

namespace {

constexpr DWORD kMaxValue = 256;

std::wstring Variable(const wchar_t* name) {
    wchar_t value[kMaxValue];
    const DWORD length = GetEnvironmentVariableW(name, value, kMaxValue);
    return length == 0 || length >= kMaxValue ? std::wstring() : std::wstring(value, length);
}

// The value of "built" in "built=actual,...", or empty.
std::wstring MappedPort(const std::wstring& mapping, const std::wstring& built) {
    size_t start = 0;
    while (start <= mapping.size()) {
        size_t end = mapping.find(L',', start);
        if (end == std::wstring::npos)
            end = mapping.size();
        const std::wstring pair = mapping.substr(start, end - start);
        const size_t equals = pair.find(L'=');
        if (equals != std::wstring::npos && pair.substr(0, equals) == built)
            return pair.substr(equals + 1);
        start = end + 1;
    }
    return std::wstring();
}

}  // namespace

std::wstring WithTestPorts(const std::wstring& url) {
    const std::wstring mapping = Variable(L"ZORVA_TEST_PORTS");
    // scheme://host:port/path: the port runs from the colon after the host to the next slash.
    const size_t host = url.find(L"://");
    if (mapping.empty() || host == std::wstring::npos)
        return url;
    const size_t portEnd = std::min(url.find(L'/', host + 3), url.size());
    const size_t colon = url.rfind(L':', portEnd);
    if (colon == std::wstring::npos || colon < host + 3)
        return url;
    const std::wstring actual = MappedPort(mapping, url.substr(colon + 1, portEnd - colon - 1));
    return actual.empty() ? url : url.substr(0, colon + 1) + actual + url.substr(portEnd);
}

unsigned TestInstallStepMs(unsigned builtIn) {
    const std::wstring value = Variable(L"ZORVA_TEST_INSTALL_STEP_MS");
    const unsigned long step = value.empty() ? 0 : std::wcstoul(value.c_str(), nullptr, 10);
    return step > 0 && step <= builtIn ? static_cast<unsigned>(step) : builtIn;
}
