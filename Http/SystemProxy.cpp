#include "Http/SystemProxy.h"

#include <windows.h>

#include <winhttp.h>

#include <cwctype>
#include <vector>

#include "Runtime/AutoLock.h"
#include "Runtime/FileLogger.h"
#include "Runtime/StringConv.h"

namespace {

constexpr wchar_t kSource[] = L".\\Http\\SystemProxy";

// Bounds fetching an auto-config script, so that a worker (and the engine's stop) never waits long.
constexpr int kScriptTimeoutMs = 5000;
constexpr wchar_t kSeparators[] = L"; \t\r\n";

struct UrlParts {
    std::wstring scheme;
    std::wstring host;
    int port = 0;
};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

std::vector<std::wstring> Split(const std::wstring& list) {
    std::vector<std::wstring> items;
    size_t start = list.find_first_not_of(kSeparators);
    while (start != std::wstring::npos) {
        size_t end = list.find_first_of(kSeparators, start);
        items.push_back(list.substr(start, end == std::wstring::npos ? end : end - start));
        start = end == std::wstring::npos ? end : list.find_first_not_of(kSeparators, end);
    }
    return items;
}

int DefaultPort(const std::wstring& scheme) {
    return scheme == L"https" ? 443 : 80;
}

// "host:port" or "[v6]:port" into host and port; the port stays as it is when none is given.
void SplitHostPort(const std::wstring& text, std::wstring& host, int& port) {
    host = text;
    const size_t colon = text.rfind(L':');
    const size_t bracket = text.rfind(L']');
    // A bare IPv6 address has several colons and no port.
    const bool hasPort = colon != std::wstring::npos &&
                         (bracket != std::wstring::npos ? colon > bracket : text.find(L':') == colon);
    if (hasPort) {
        host = text.substr(0, colon);
        port = _wtoi(text.c_str() + colon + 1);
    }
    if (host.size() >= 2 && host.front() == L'[' && host.back() == L']')
        host = host.substr(1, host.size() - 2);
}

UrlParts ParseUrl(const std::wstring& url) {
    UrlParts parts;
    size_t authority = 0;
    size_t scheme = url.find(L"://");
    if (scheme != std::wstring::npos) {
        parts.scheme = Lower(url.substr(0, scheme));
        authority = scheme + 3;
    }
    std::wstring hostPort = url.substr(authority, url.find_first_of(L"/?#", authority) - authority);
    size_t at = hostPort.rfind(L'@');
    if (at != std::wstring::npos)
        hostPort = hostPort.substr(at + 1);
    parts.port = DefaultPort(parts.scheme);
    SplitHostPort(hostPort, parts.host, parts.port);
    parts.host = Lower(parts.host);
    return parts;
}

// Case-insensitive, "*" standing for any run of characters.
bool WildcardMatch(const wchar_t* pattern, const wchar_t* text) {
    if (*pattern == L'\0')
        return *text == L'\0';
    if (*pattern == L'*')
        return WildcardMatch(pattern + 1, text) || (*text != L'\0' && WildcardMatch(pattern, text + 1));
    return *text != L'\0' && towlower(*pattern) == towlower(*text) && WildcardMatch(pattern + 1, text + 1);
}

bool IsLoopback(const std::wstring& host) {
    return host == L"localhost" || host == L"::1" || host.compare(0, 4, L"127.") == 0;
}

// One bypass entry: "[scheme://]host-pattern[:port]".
bool EntryMatches(const std::wstring& entry, const UrlParts& url) {
    std::wstring rest = entry;
    size_t scheme = rest.find(L"://");
    if (scheme != std::wstring::npos) {
        if (Lower(rest.substr(0, scheme)) != url.scheme)
            return false;
        rest = rest.substr(scheme + 3);
    }
    std::wstring host;
    int port = 0;
    SplitHostPort(rest, host, port);
    if (port != 0 && port != url.port)
        return false;
    return WildcardMatch(host.c_str(), url.host.c_str());
}

// Windows sends loopback addresses direct unless the list says "<-loopback>", and "<local>" means
// every name without a dot.
bool Bypassed(const std::wstring& list, const UrlParts& url) {
    bool loopbackDirect = true;
    bool matched = false;
    for (const std::wstring& entry : Split(list)) {
        const std::wstring lower = Lower(entry);
        if (lower == L"<-loopback>")
            loopbackDirect = false;
        else if (lower == L"<local>")
            matched = matched || (url.host.find_first_of(L".:") == std::wstring::npos);
        else
            matched = matched || EntryMatches(entry, url);
    }
    return matched || (loopbackDirect && IsLoopback(url.host));
}

// The proxy a Windows proxy list names for a scheme, as libcurl takes it: entries are "host:port"
// for every scheme, or "scheme=host:port"; "socks=" serves any scheme without its own entry.
std::wstring ProxyForScheme(const std::wstring& list, const std::wstring& scheme) {
    std::wstring any, own, socks;
    for (const std::wstring& entry : Split(list)) {
        size_t equals = entry.find(L'=');
        if (equals == std::wstring::npos) {
            if (any.empty())
                any = entry;
            continue;
        }
        const std::wstring name = Lower(entry.substr(0, equals));
        const std::wstring value = entry.substr(equals + 1);
        if (name == scheme && own.empty())
            own = value;
        else if (name == L"socks" && socks.empty())
            socks = value;
    }
    const std::wstring& chosen = !own.empty() ? own : !any.empty() ? any : socks;
    if (chosen.empty() || chosen.find(L"://") != std::wstring::npos)
        return chosen;
    return (&chosen == &socks ? L"socks4://" : L"http://") + chosen;
}

std::wstring TakeGlobalString(LPWSTR text) {
    std::wstring value = text ? text : L"";
    if (text)
        GlobalFree(text);
    return value;
}

// WinHTTP's session for running auto-config scripts; lives as long as the process.
class CScriptSession {
public:
    CScriptSession()
        : m_session(WinHttpOpen(L"TarnisSetup",
                                WINHTTP_ACCESS_TYPE_NO_PROXY,
                                WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS,
                                0)) {
        if (m_session)
            WinHttpSetTimeouts(m_session, kScriptTimeoutMs, kScriptTimeoutMs, kScriptTimeoutMs,
                               kScriptTimeoutMs);
    }
    ~CScriptSession() {
        if (m_session)
            WinHttpCloseHandle(m_session);
    }
    CScriptSession(const CScriptSession&) = delete;
    CScriptSession& operator=(const CScriptSession&) = delete;
    HINTERNET Get() const { return m_session; }

private:
    HINTERNET m_session;
};

}  // namespace

CSystemProxy& CSystemProxy::Instance() {
    static CSystemProxy instance(&CSystemProxy::ReadUserSettings);
    return instance;
}

CSystemProxy::CSystemProxy(SettingsReader read) : m_read(std::move(read)) {}

void CSystemProxy::Reload(SettingsReader read) {
    CAutoLock hold(m_lock);
    m_read = std::move(read);
    m_haveSettings = false;
    m_detectionFailed = false;
    m_answers.clear();
}

CSystemProxy::Settings CSystemProxy::ReadUserSettings() {
    Settings settings;
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config))
        return settings;
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.autoConfigUrl = TakeGlobalString(config.lpszAutoConfigUrl);
    settings.proxy = TakeGlobalString(config.lpszProxy);
    settings.bypass = TakeGlobalString(config.lpszProxyBypass);
    return settings;
}

CSystemProxy::Settings CSystemProxy::CurrentSettings() {
    SettingsReader read;
    {
        CAutoLock hold(m_lock);
        if (m_haveSettings)
            return m_settings;
        read = m_read;
    }
    Settings settings = read ? read() : Settings();
    CAutoLock hold(m_lock);
    m_settings = settings;
    m_haveSettings = true;
    return settings;
}

CSystemProxy::Script CSystemProxy::RunScript(const Settings& settings, const std::wstring& url) {
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    bool detect;
    {
        CAutoLock hold(m_lock);
        detect = settings.autoDetect && !m_detectionFailed;
    }
    if (detect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    if (!settings.autoConfigUrl.empty()) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = settings.autoConfigUrl.c_str();
    }
    static CScriptSession session;
    Script script;
    if (options.dwFlags == 0 || !session.Get())
        return script;
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    if (!WinHttpGetProxyForUrl(session.Get(), url.c_str(), &options, &info)) {
        // Detection that found nothing finds nothing for the next URL either; asking again
        // would cost every transfer the same wait.
        if (GetLastError() == ERROR_WINHTTP_AUTODETECTION_FAILED && settings.autoConfigUrl.empty()) {
            CAutoLock hold(m_lock);
            m_detectionFailed = true;
        }
        return script;
    }
    std::wstring proxy = TakeGlobalString(info.lpszProxy);
    std::wstring bypass = TakeGlobalString(info.lpszProxyBypass);
    script.answered = true;
    const UrlParts parts = ParseUrl(url);
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && !(!bypass.empty() && Bypassed(bypass, parts)))
        script.proxy = ProxyForScheme(proxy, parts.scheme);
    return script;
}

std::wstring UrlHost(const std::wstring& url) {
    return ParseUrl(url).host;
}

std::string CSystemProxy::ProxyFor(const std::string& url) {
    {
        CAutoLock hold(m_lock);
        auto known = m_answers.find(url);
        if (known != m_answers.end())
            return known->second;
    }
    const Settings settings = CurrentSettings();
    const std::wstring wideUrl = AnsiToWide(url);
    const UrlParts parts = ParseUrl(wideUrl);
    // A script or detection decides first; the manual proxy serves when neither answers.
    std::wstring proxy;
    Script script = RunScript(settings, wideUrl);
    if (script.answered)
        proxy = script.proxy;
    else if (!settings.proxy.empty() && !Bypassed(settings.bypass, parts))
        proxy = ProxyForScheme(settings.proxy, parts.scheme);
    const std::string answer = WideToAnsi(proxy);
    FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"proxy for %s: %s", parts.host.c_str(),
                               proxy.empty() ? L"direct" : UrlHost(proxy).c_str());
    CAutoLock hold(m_lock);
    m_answers[url] = answer;
    return answer;
}
