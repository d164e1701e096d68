#include "tests/Http/HttpTestSupport.h"

#include "Http/HttpCommand.h"
#include "Http/HttpEngines.h"
#include "Runtime/MainThreadRuntime.h"
#include "Runtime/StringConv.h"
#include "tests/support/TestEnv.h"

namespace HttpTest {

namespace {

// Where the fixture writes the peers' ports (tests/Http/CMakeLists.txt).
std::wstring ServersDir() {
    return TestEnv::BinaryDir() + L"\\tests\\Http\\servers";
}

// "<origin>:<port>" + path; empty when the peer is not running.
std::wstring PeerUrl(const wchar_t* portFile,
                     const std::wstring& path,
                     const wchar_t* origin = L"http://127.0.0.1") {
    std::string port = TestEnv::ReadFileBytes(ServersDir() + L"\\" + portFile);
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r'))
        port.pop_back();
    if (port.empty())
        return std::wstring();
    return origin + (L":" + AnsiToWide(port)) + path;
}

void OnRequestsSeen(void* user, const std::string& body, int type, int code) {
    auto* out = static_cast<std::pair<bool, std::string>*>(user);
    out->first = true;
    out->second = type == 0 ? body : "<failed>";
}

}  // namespace

std::string Pattern(uint64_t start, uint64_t count) {
    std::string bytes(static_cast<size_t>(count), '\0');
    for (uint64_t i = 0; i < count; ++i)
        bytes[static_cast<size_t>(i)] = PatternByte(start + i);
    return bytes;
}

std::wstring NginxUrl(const std::wstring& path) {
    return PeerUrl(L"nginx.port", path);
}

std::wstring FaultUrl(const std::wstring& path) {
    return PeerUrl(L"fault.port", path);
}

std::wstring TlsUrl(const std::wstring& certificate, const std::wstring& path) {
    return PeerUrl((L"tls-" + certificate + L".port").c_str(), path, L"https://localhost");
}

std::string TestCa() {
    return TestEnv::ReadFileBytes(TestEnv::BinaryDir() + L"\\test-pki\\ca.pem");
}

std::wstring ProxyAddress(const std::wstring& name) {
    const std::wstring url = PeerUrl((name + L".port").c_str(), L"");
    return url.empty() ? url : url.substr(wcslen(L"http://"));
}

std::string ProxyLog(const std::wstring& name) {
    return TestEnv::ReadFileBytes(ServersDir() + L"\\" + name + L".log");
}

std::wstring DocRoot() {
    return ServersDir() + L"\\docroot";
}

std::wstring NewTag() {
    static unsigned sequence = 0;
    return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++sequence);
}

std::string RequestsSeen(const std::wstring& tag) {
    CHttpCommand command;
    std::pair<bool, std::string> result(false, std::string());
    command.SetUrl(FaultUrl(L"/requests?tag=" + tag));
    command.SetCallback(&OnRequestsSeen, &result);
    if (!command.Send())
        return "<no engine>";
    if (!TestEnv::PumpUntil([&] { return result.first; }, kWaitMs))
        return "<timeout>";
    return result.second;
}

void EngineTest::SetUp() {
    ASSERT_FALSE(NginxUrl(L"/").empty()) << "nginx is not running (the HttpServers fixture starts it)";
    ASSERT_FALSE(FaultUrl(L"/").empty()) << "the fault server is not running";
    InitMainThreadRuntime(HttpEngines::Engines());
}

void EngineTest::TearDown() {
    ShutdownMainThreadRuntime();
}

}  // namespace HttpTest
