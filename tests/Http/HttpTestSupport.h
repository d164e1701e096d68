#pragma once
// What the HTTP tests share: the addresses of the two local peers (nginx and the fault
// server, started by the test fixture), the body pattern both serve, and a fixture that
// runs the real runtime with both engines on the test's main thread.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace HttpTest {

constexpr DWORD kWaitMs = 20000;

// Byte i of every served resource.
inline char PatternByte(uint64_t i) {
    return static_cast<char>(i % 251);
}
std::string Pattern(uint64_t start, uint64_t count);

// "http://127.0.0.1:<port>" + path; empty when the peer is not running.
std::wstring NginxUrl(const std::wstring& path);
std::wstring FaultUrl(const std::wstring& path);
// "https://localhost:<port>" + path of nginx's HTTPS server with the test PKI's certificate
// "server" (the test CA's, for localhost), "server-other-ca" or "server-wrong-name"; its
// "/to-http" redirects to plain HTTP. TestCa() is the test CA's certificate (PEM).
std::wstring TlsUrl(const std::wstring& certificate, const std::wstring& path);
std::string TestCa();
// "127.0.0.1:<port>" of a tinyproxy peer: "proxy", or "authproxy", which asks for credentials;
// and the lines it has logged ("Request (file descriptor N): GET http://... HTTP/1.1").
std::wstring ProxyAddress(const std::wstring& name);
std::string ProxyLog(const std::wstring& name);
// The nginx document root as a Windows path.
std::wstring DocRoot();
// A tag unique within this process, so that a test can ask the fault server about its own
// requests only.
std::wstring NewTag();
// The fault server's log for a tag: one "<path> <range or ->" line per request.
std::string RequestsSeen(const std::wstring& tag);

// Runs InitMainThreadRuntime with both engines around each test.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace HttpTest
