#include "Http/SystemProxy.h"

#include <gtest/gtest.h>

#include <string>

#include "Http/HttpCommand.h"
#include "Runtime/StringConv.h"
#include "tests/Http/HttpTestSupport.h"
#include "tests/support/TestEnv.h"

namespace {

CSystemProxy::SettingsReader Settings(const std::wstring& proxy,
                                      const std::wstring& bypass,
                                      const std::wstring& script = L"") {
    return [=] {
        CSystemProxy::Settings settings;
        settings.proxy = proxy;
        settings.bypass = bypass;
        settings.autoConfigUrl = script;
        return settings;
    };
}

struct Fetched {
    bool done = false;
    int type = -1;
    int code = -1;
    std::string body;
};

void OnFetched(void* user, const std::string& body, int type, int code) {
    auto* out = static_cast<Fetched*>(user);
    *out = {true, type, code, body};
}

Fetched Fetch(const std::wstring& url) {
    CHttpCommand command;
    Fetched result;
    command.SetUrl(url);
    command.SetCallback(&OnFetched, &result);
    EXPECT_TRUE(command.Send());
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return result.done; }, HttpTest::kWaitMs)) << "no answer";
    return result;
}

class SystemProxyEngineTest : public HttpTest::EngineTest {
protected:
    void TearDown() override {
        CSystemProxy::Instance().Reload(&CSystemProxy::ReadUserSettings);
        HttpTest::EngineTest::TearDown();
    }
};

}  // namespace

// A manual proxy as Internet Options keeps it: one for every scheme or one per scheme, SOCKS for
// the rest; the bypass list with wildcards, ports and schemes, "<local>" for names without a dot,
// and loopback always direct unless the list says "<-loopback>".
TEST(SystemProxy, ManualProxyAndBypassList) {
    struct Case {
        const wchar_t* proxy;
        const wchar_t* bypass;
        const char* url;
        const char* expected;
    } cases[] = {
        {L"", L"", "http://example.com/a", ""},
        {L"proxy.corp:8080", L"", "http://example.com/a", "http://proxy.corp:8080"},
        {L"proxy.corp:8080", L"", "https://example.com/a", "http://proxy.corp:8080"},
        {L"proxy.corp:8080", L"", "http://127.0.0.1:18431/zvinstall.txt", ""},
        {L"proxy.corp:8080", L"", "http://localhost/a", ""},
        {L"proxy.corp:8080", L"", "http://[::1]:18431/a", ""},
        {L"proxy.corp:8080", L"<-loopback>", "http://127.0.0.1:18431/zvinstall.txt",
         "http://proxy.corp:8080"},
        {L"proxy.corp:8080", L"<local>", "http://intranet/a", ""},
        {L"proxy.corp:8080", L"<local>", "http://intranet.corp/a", "http://proxy.corp:8080"},
        {L"proxy.corp:8080", L"*.example.com; 10.*", "http://CDN.Example.COM/a", ""},
        {L"proxy.corp:8080", L"*.example.com; 10.*", "http://example.com/a", "http://proxy.corp:8080"},
        {L"proxy.corp:8080", L"*.example.com; 10.*", "http://user@10.1.2.3:81/a", ""},
        {L"proxy.corp:8080", L"<-loopback>;127.0.0.1:18432", "http://127.0.0.1:18432/a", ""},
        {L"proxy.corp:8080", L"<-loopback>;127.0.0.1:18432", "http://127.0.0.1:18431/a",
         "http://proxy.corp:8080"},
        {L"proxy.corp:8080", L"https://pay.example.org", "https://pay.example.org/a", ""},
        {L"proxy.corp:8080", L"https://pay.example.org", "http://pay.example.org/a",
         "http://proxy.corp:8080"},
        {L"http=web:80;https=tls:443", L"", "https://a.example/b", "http://tls:443"},
        {L"http=web:80;https=tls:443", L"", "http://a.example/b", "http://web:80"},
        {L"ftp=f:21;socks=s:1080", L"", "http://a.example/b", "socks4://s:1080"},
        {L"ftp=f:21", L"", "http://a.example/b", ""},
    };
    for (const Case& c : cases) {
        CSystemProxy proxies(Settings(c.proxy, c.bypass));
        EXPECT_EQ(c.expected, proxies.ProxyFor(c.url))
            << WideToUtf8(c.proxy) << " | " << WideToUtf8(c.bypass) << " | " << c.url;
    }
}

// An auto-config script, fetched from loopback and run by WinHTTP, decides per URL, "DIRECT"
// included; a script that cannot be had leaves the manual proxy in charge.
TEST(SystemProxy, AutoConfigScript) {
    ASSERT_FALSE(HttpTest::NginxUrl(L"/").empty()) << "nginx is not running";
    const std::wstring name = L"proxy-" + HttpTest::NewTag() + L".pac";
    ASSERT_TRUE(TestEnv::WriteFileBytes(HttpTest::DocRoot() + L"\\" + name,
                                        "function FindProxyForURL(url, host) {\n"
                                        "  if (host == \"direct.example\") return \"DIRECT\";\n"
                                        "  return \"PROXY 127.0.0.1:3999\";\n}\n"));
    CSystemProxy proxies(Settings(L"manual.corp:8080", L"", HttpTest::NginxUrl(L"/" + name)));
    EXPECT_EQ("http://127.0.0.1:3999", proxies.ProxyFor("http://far.example/package.exe"));
    EXPECT_EQ("", proxies.ProxyFor("http://direct.example/package.exe"));

    CSystemProxy missing(Settings(L"manual.corp:8080", L"", HttpTest::NginxUrl(L"/no-such-script.pac")));
    EXPECT_EQ("http://manual.corp:8080", missing.ProxyFor("http://far.example/package.exe"));
}

// Transfers of the engine go through the user's proxy (it logs them) or, bypassed, direct; a proxy
// that wants credentials the Windows logon cannot answer (Basic) fails the request with 407.
TEST_F(SystemProxyEngineTest, TransfersUseTheProxy) {
    const std::wstring proxied = HttpTest::NginxUrl(L"/small.bin?via=proxy-" + HttpTest::NewTag());
    CSystemProxy::Instance().Reload(Settings(HttpTest::ProxyAddress(L"proxy"), L"<-loopback>"));
    Fetched result = Fetch(proxied);
    EXPECT_EQ(0, result.type);
    EXPECT_EQ(HttpTest::Pattern(0, 1000), result.body);
    EXPECT_NE(std::string::npos,
              HttpTest::ProxyLog(L"proxy").find("GET " + WideToUtf8(proxied) + " HTTP/1.1"));

    const std::wstring direct = HttpTest::NginxUrl(L"/small.bin?via=direct-" + HttpTest::NewTag());
    CSystemProxy::Instance().Reload(Settings(HttpTest::ProxyAddress(L"proxy"), L"<-loopback>;127.0.0.1"));
    result = Fetch(direct);
    EXPECT_EQ(0, result.type);
    EXPECT_EQ(std::string::npos, HttpTest::ProxyLog(L"proxy").find(WideToUtf8(direct)));

    CSystemProxy::Instance().Reload(Settings(HttpTest::ProxyAddress(L"authproxy"), L"<-loopback>"));
    result = Fetch(HttpTest::NginxUrl(L"/small.bin?via=auth-" + HttpTest::NewTag()));
    EXPECT_EQ(4, result.type);
    EXPECT_EQ(407, result.code);
}
