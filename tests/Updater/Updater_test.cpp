#include "Updater/Updater.h"

#include <gtest/gtest.h>

#include <vector>

#include "Runtime/CommonUtils.h"
#include "Runtime/Md5.h"
#include "Runtime/PlatformHash.h"
#include "Runtime/StringConv.h"
#include "Updater/UpdateRecord.h"
#include "tests/Http/HttpTestSupport.h"
#include "tests/support/TestEnv.h"

// Reaches the download callbacks directly, to make several progress reports arrive
// before their handler runs.
struct UpdaterTestPeer {
    static void Progress(Updater& u, uint64_t total, uint64_t done, uint32_t speed) {
        Updater::OnDownloadProgress(u.HelperWindow(), total, done, speed);
    }
    static CHttpDownloadFile& Download(Updater& u) { return u.m_download; }
    static CHttpCommand& Manifest(Updater& u) { return u.m_manifest; }
};

namespace {

struct Event {
    enum Kind { kManifest, kProgress, kDownload } kind;
    int type;
    int code;
    std::wstring text;
    uint64_t total = 0, done = 0, speed = 0;
};

class RecordingListener : public IGameEventListener {
public:
    void OnProgress(uint64_t total, uint64_t done, uint64_t speed) override {
        Event e{Event::kProgress, 0, 0, L""};
        e.total = total;
        e.done = done;
        e.speed = speed;
        m_events.push_back(e);
    }
    void OnDownloadResult(int type, int code, const std::wstring& message) override {
        m_events.push_back({Event::kDownload, type, code, message});
    }
    void OnManifestResult(int type, int code, const std::wstring& version) override {
        m_events.push_back({Event::kManifest, type, code, version});
    }
    int Count(Event::Kind kind) const {
        int n = 0;
        for (const Event& e : m_events)
            n += e.kind == kind;
        return n;
    }
    const Event* Last(Event::Kind kind) const {
        for (auto it = m_events.rbegin(); it != m_events.rend(); ++it)
            if (it->kind == kind)
                return &*it;
        return nullptr;
    }
    std::vector<Event> m_events;
};

// A port where nothing listens: connections are refused at once.
const wchar_t kDeadEndpoint[] = L"http://127.0.0.1:9/zvinstall.txt";
constexpr uint64_t kPackageSize = 200000;

class UpdaterTest : public HttpTest::EngineTest {
protected:
    void SetUp() override {
        HttpTest::EngineTest::SetUp();
        m_tag = HttpTest::NewTag();
        m_served = HttpTest::DocRoot() + L"\\upd-" + m_tag;
        CreateDir(m_served);
    }
    void TearDown() override {
        m_updater.reset();
        TestEnv::RemoveTree(m_served);
        HttpTest::EngineTest::TearDown();
    }

    // Serves a manifest from nginx and returns its URL.
    std::wstring ServeManifest(const std::string& body, const std::wstring& name = L"zvinstall.txt") {
        TestEnv::WriteFileBytes(m_served + L"\\" + name, body);
        return HttpTest::NginxUrl(L"/upd-" + m_tag + L"/" + name);
    }
    std::string PackageUrl(const std::wstring& extra = L"", const std::wstring& tag = L"") {
        return WideToUtf8(HttpTest::FaultUrl(L"/file?size=" + std::to_wstring(kPackageSize) + L"&tag=" +
                                             (tag.empty() ? m_tag : tag) + extra));
    }
    static std::string Manifest(const std::string& url,
                                const std::string& size,
                                const std::string& md5,
                                const std::string& sha256 = "") {
        return "[Install]\r\nUrl=" + url + "\r\nSize=" + size + "\r\nMd5=" + md5 + "\r\nSha256=" + sha256 +
               "\r\nVersion=2.3.4\r\n";
    }
    // A module of a build that runs packages without pins (these tests serve unsigned ones).
    std::unique_ptr<Updater> Unpinned(std::vector<std::wstring> endpoints) {
        return std::make_unique<Updater>(m_folder.Path(), &m_listener, std::move(endpoints),
                                         std::vector<std::string>(), std::string(),
                                         UnsignedPackages::kAllowed);
    }
    void Begin(std::vector<std::wstring> endpoints) {
        m_updater = Unpinned(std::move(endpoints));
        ASSERT_TRUE(m_updater->Start());
    }
    bool WaitFor(Event::Kind kind, int count = 1) {
        return TestEnv::PumpUntil([&] { return m_listener.Count(kind) >= count; }, HttpTest::kWaitMs);
    }
    std::wstring Package() const { return m_folder.File(L"zvinstaller.exe"); }
    std::wstring Partial() const { return m_folder.File(L"zvinstaller.exe.yw"); }

    std::wstring m_tag;
    std::wstring m_served;
    TestEnv::TempDir m_folder{L"updater"};
    RecordingListener m_listener;
    std::unique_ptr<Updater> m_updater;
};

}  // namespace

// The primary fails, the fallback serves: one success report, the package arrives and is checked.
TEST_F(UpdaterTest, FallbackServesAndPackageInstalls) {
    const std::string body = Manifest(PackageUrl(), std::to_string(kPackageSize),
                                      CMd5::OfString(HttpTest::Pattern(0, kPackageSize)));
    Begin({kDeadEndpoint, ServeManifest(body)});
    ASSERT_TRUE(WaitFor(Event::kDownload));
    ASSERT_EQ(1, m_listener.Count(Event::kManifest));
    EXPECT_EQ(0, m_listener.Last(Event::kManifest)->type);
    EXPECT_EQ(L"2.3.4", m_listener.Last(Event::kManifest)->text);
    const Event* done = m_listener.Last(Event::kDownload);
    EXPECT_EQ(0, done->type);
    EXPECT_EQ(0, done->code);
    EXPECT_EQ(L"", done->text);
    EXPECT_EQ(HttpTest::Pattern(0, kPackageSize), TestEnv::ReadFileBytes(Package()));
    EXPECT_FALSE(TestEnv::FileExists(Partial()));

    // The record holds exactly the body, as UTF-16LE after FF FE.
    const std::string record = TestEnv::ReadFileBytes(m_folder.File(L"zvinstall.ini"));
    const std::wstring text = Utf8ToWide(body);
    ASSERT_EQ(2 + 2 * text.size(), record.size());
    EXPECT_EQ(0, memcmp(record.data() + 2, text.data(), 2 * text.size()));

    // A second package report (running is 0 now) is ignored.
    PostMessageW(m_updater->HelperWindow(), Updater::kPackageResultMessage, 0, 0);
    TestEnv::PumpFor(100);
    EXPECT_EQ(1, m_listener.Count(Event::kDownload));
}

// Both endpoints fail: exactly one report, with the second failure's pair.
TEST_F(UpdaterTest, BothEndpointsFail) {
    Begin({kDeadEndpoint, HttpTest::NginxUrl(L"/upd-" + m_tag + L"/missing.txt")});
    ASSERT_TRUE(WaitFor(Event::kManifest));
    TestEnv::PumpFor(300);
    ASSERT_EQ(1, m_listener.Count(Event::kManifest));
    EXPECT_EQ(4, m_listener.Last(Event::kManifest)->type);
    EXPECT_EQ(404, m_listener.Last(Event::kManifest)->code);
    EXPECT_EQ(0, m_listener.Count(Event::kDownload));
}

// A manifest saved with a byte-order mark reads like one without, with either line end: the record
// holds one mark only, and its keys are found.
TEST_F(UpdaterTest, ByteOrderMarkIsDropped) {
    int reports = 0;
    for (const std::string eol : {"\r\n", "\n"}) {
        SCOPED_TRACE(eol.size() == 2 ? "CRLF" : "LF");
        const std::string body = "[Install]" + eol + "Url=" + PackageUrl() + eol +
                                 "Size=" + std::to_string(kPackageSize) + eol + "Version=2.3.4" + eol;
        Begin({ServeManifest("\xEF\xBB\xBF" + body)});
        ASSERT_TRUE(WaitFor(Event::kDownload, ++reports));
        EXPECT_EQ(0, m_listener.Last(Event::kManifest)->type);
        EXPECT_EQ(L"2.3.4", m_listener.Last(Event::kManifest)->text);
        const std::string record = TestEnv::ReadFileBytes(m_folder.File(L"zvinstall.ini"));
        const std::wstring text = Utf8ToWide(body);
        ASSERT_EQ(2 + 2 * text.size(), record.size());
        EXPECT_EQ(0, memcmp(record.data() + 2, text.data(), 2 * text.size()));
    }
    EXPECT_NE(std::string::npos, HttpTest::RequestsSeen(m_tag).find("/file")) << "the package was asked for";
}

// A page that names no package (a captive portal's) is a failed fetch: the fallback is asked, and
// after the last endpoint the failure is reported. The record keeps what it held.
TEST_F(UpdaterTest, BodyWithoutUrlIsAFailedFetch) {
    const std::wstring record = m_folder.File(L"zvinstall.ini");
    UpdateRecord::Write(record, L"[Install]\r\nUrl=http://earlier/zvinstaller.exe\r\n");
    const std::string before = TestEnv::ReadFileBytes(record);
    const std::wstring portal =
        ServeManifest("<html><body>Sign in to this network</body></html>", L"portal.html");
    const std::wstring noUrl = ServeManifest("[Install]\r\nSize=10\r\nVersion=9\r\n", L"nourl.txt");

    Begin({portal, noUrl});
    ASSERT_TRUE(WaitFor(Event::kManifest));
    TestEnv::PumpFor(300);
    ASSERT_EQ(1, m_listener.Count(Event::kManifest));
    EXPECT_EQ(3, m_listener.Last(Event::kManifest)->type);
    EXPECT_EQ(Updater::kErrorNoPackageUrl, m_listener.Last(Event::kManifest)->code);
    EXPECT_EQ(0, m_listener.Count(Event::kDownload));
    EXPECT_EQ(before, TestEnv::ReadFileBytes(record));

    const std::string body = Manifest(PackageUrl(), std::to_string(kPackageSize), "");
    Begin({portal, ServeManifest(body)});
    ASSERT_TRUE(WaitFor(Event::kManifest, 2));
    EXPECT_EQ(0, m_listener.Last(Event::kManifest)->type);
    EXPECT_EQ(L"2.3.4", m_listener.Last(Event::kManifest)->text);
    const std::wstring text = Utf8ToWide(body);
    const std::string written = TestEnv::ReadFileBytes(record);
    ASSERT_EQ(2 + 2 * text.size(), written.size());
    EXPECT_EQ(0, memcmp(written.data() + 2, text.data(), 2 * text.size()));
}

// A package that cannot be fetched fails through the engine; its empty partial file goes.
TEST_F(UpdaterTest, UnreachablePackageFailsThroughTheEngine) {
    Begin({ServeManifest("[Install]\r\nUrl=http://127.0.0.1:9/zvinstaller.exe\r\nSize=10\r\n")});
    ASSERT_TRUE(WaitFor(Event::kDownload));
    EXPECT_EQ(0, m_listener.Last(Event::kManifest)->type);
    const Event* done = m_listener.Last(Event::kDownload);
    EXPECT_NE(0, done->type);
    EXPECT_EQ(L"安装失败", done->text);
    EXPECT_FALSE(TestEnv::FileExists(Partial())) << "an empty partial file is removed";
    EXPECT_FALSE(TestEnv::FileExists(Package()));
}

// Progress reports that arrive before their handler runs collapse into the latest values.
TEST_F(UpdaterTest, ProgressCollapsesToLatest) {
    // A package that arrives slowly keeps the module in its downloading state.
    Begin({ServeManifest(Manifest(PackageUrl(L"&rate=20000"), std::to_string(kPackageSize), ""))});
    ASSERT_TRUE(WaitFor(Event::kManifest));
    const int before = m_listener.Count(Event::kProgress);
    UpdaterTestPeer::Progress(*m_updater, 100, 10, 1);
    UpdaterTestPeer::Progress(*m_updater, 100, 20, 2);
    UpdaterTestPeer::Progress(*m_updater, 100, 30, 3);
    ASSERT_TRUE(WaitFor(Event::kProgress, before + 1));
    TestEnv::PumpFor(50);
    const Event* p = nullptr;
    for (size_t i = 0; i < m_listener.m_events.size(); ++i)
        if (m_listener.m_events[i].kind == Event::kProgress && m_listener.m_events[i].total == 100)
            p = &m_listener.m_events[i];
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(30u, p->done);
    EXPECT_EQ(3u, p->speed);
    int reported = 0;
    for (const Event& e : m_listener.m_events)
        reported += e.kind == Event::kProgress && e.total == 100;
    EXPECT_EQ(1, reported);
    // After Stop nothing more reaches the listener.
    m_updater->Stop();
    const size_t events = m_listener.m_events.size();
    TestEnv::PumpFor(200);
    EXPECT_EQ(events, m_listener.m_events.size());
}

// A download cut short keeps its partial file, and the owner's resubmission resumes it.
TEST_F(UpdaterTest, FailedDownloadKeepsDataAndResumes) {
    // Only the first request of this tag is cut; with the engine's own retries off the cut
    // reaches the module, and the second request is the resubmission.
    m_updater = Unpinned(std::vector<std::wstring>{
        ServeManifest(Manifest(PackageUrl(L"&drop=50000&once=1"), std::to_string(kPackageSize), ""))});
    UpdaterTestPeer::Download(*m_updater).SetMaxRetries(0);
    ASSERT_TRUE(m_updater->Start());
    ASSERT_TRUE(WaitFor(Event::kDownload));
    ASSERT_NE(0, m_listener.Last(Event::kDownload)->type);
    const int64_t kept = GetFileSize(Partial());
    ASSERT_GT(kept, 0) << "the partial file with data is kept";
    EXPECT_FALSE(TestEnv::FileExists(Package()));

    ASSERT_TRUE(m_updater->ResubmitDownload());
    ASSERT_TRUE(WaitFor(Event::kDownload, 2));
    EXPECT_EQ(0, m_listener.Last(Event::kDownload)->type);
    EXPECT_EQ(HttpTest::Pattern(0, kPackageSize), TestEnv::ReadFileBytes(Package()));
    const std::string seen = HttpTest::RequestsSeen(m_tag);
    EXPECT_NE(std::string::npos, seen.find("bytes=" + std::to_string(kept) + "-")) << seen;
}

// A primary endpoint that drips its answer, a byte every 20 s, is given up after the manifest
// request's overall limit (shortened here, so it ends long before the 30 s low-speed abort
// could), and the fallback serves.
TEST_F(UpdaterTest, DrippingPrimaryFallsBackAfterTheOverallLimit) {
    CHttpCommand::SetOverallTimeoutForTesting(2);
    const std::wstring dripping = HttpTest::FaultUrl(L"/file?size=100&drip=20&tag=" + m_tag);
    Begin({dripping, ServeManifest(Manifest(PackageUrl(L"", L"pkg-" + m_tag), "200000", ""))});
    const bool reported = WaitFor(Event::kManifest);
    CHttpCommand::SetOverallTimeoutForTesting(0);
    ASSERT_TRUE(reported);
    EXPECT_EQ(1, m_listener.Count(Event::kManifest));
    EXPECT_EQ(0, m_listener.Last(Event::kManifest)->type);
    EXPECT_EQ(L"2.3.4", m_listener.Last(Event::kManifest)->text);
    EXPECT_EQ("/file -\n/file -\n/file -\n", HttpTest::RequestsSeen(m_tag))
        << "three tries, then the fallback";
}

std::string Sha256Of(const std::string& data) {
    CPlatformHash hash(CPlatformHash::Algorithm::kSha256);
    hash.Update(data.data(), data.size());
    return hash.FinishHex();
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

// The digest with one hex digit changed.
std::string Changed(std::string digest, size_t position) {
    digest[position] = digest[position] == '0' ? '1' : '0';
    return digest;
}

// A digest wrong in its last digit only, in its first only, or short of its last digit never puts the
// package in place, even beside a right Md5; the partial file goes so the retry starts over.
TEST_F(UpdaterTest, WrongDigestIsRefused) {
    const std::string package = HttpTest::Pattern(0, kPackageSize);
    const std::string md5 = CMd5::OfString(package);
    const std::string sha256 = Sha256Of(package);
    const std::pair<std::string, std::string> wrong[] = {
        {Changed(md5, md5.size() - 1), ""},
        {Changed(md5, 0), ""},
        {md5.substr(0, md5.size() - 1), ""},
        {md5, Changed(sha256, sha256.size() - 1)},
        {"", sha256.substr(0, sha256.size() - 1)},
    };
    int reports = 0;
    for (const auto& digests : wrong) {
        Begin({ServeManifest(
            Manifest(PackageUrl(), std::to_string(kPackageSize), digests.first, digests.second))});
        ASSERT_TRUE(WaitFor(Event::kDownload, ++reports));
        const Event* done = m_listener.Last(Event::kDownload);
        EXPECT_EQ(3, done->type) << digests.first << " " << digests.second;
        EXPECT_EQ(Updater::kErrorDigestMismatch, done->code);
        EXPECT_FALSE(TestEnv::FileExists(Package()));
        EXPECT_FALSE(TestEnv::FileExists(Partial()));
    }
}

// Digests compare without regard to case; with "Sha256" given, SHA-256 alone decides and a wrong
// "Md5" does not stop the install.
TEST_F(UpdaterTest, UpperCaseDigestsInstall) {
    const std::string package = HttpTest::Pattern(0, kPackageSize);
    const std::pair<std::string, std::string> right[] = {
        {Upper(CMd5::OfString(package)), ""},
        {std::string(32, 'a'), Upper(Sha256Of(package))},
    };
    int reports = 0;
    for (const auto& digests : right) {
        DeleteFileW(Package().c_str());
        Begin({ServeManifest(
            Manifest(PackageUrl(), std::to_string(kPackageSize), digests.first, digests.second))});
        ASSERT_TRUE(WaitFor(Event::kDownload, ++reports));
        EXPECT_EQ(0, m_listener.Last(Event::kDownload)->type) << digests.first << " " << digests.second;
        EXPECT_EQ(package, TestEnv::ReadFileBytes(Package()));
    }
}

// "123abc" as Size gives an expected size of 123: a 200000-byte body does not match it.
TEST_F(UpdaterTest, SizeIsReadAsLeadingDigits) {
    Begin({ServeManifest(Manifest(PackageUrl(), "123abc", ""))});
    ASSERT_TRUE(WaitFor(Event::kDownload));
    const Event* done = m_listener.Last(Event::kDownload);
    EXPECT_EQ(3, done->type);
    EXPECT_EQ(2007, done->code);
}

// Mirrors take turns after each failed attempt: the first refuses connections, the owner's retry goes
// to the second, which serves the package.
TEST_F(UpdaterTest, NextMirrorServesAfterFailedAttempt) {
    const std::wstring mirror = HttpTest::NewTag();
    const std::string body = Manifest("http://127.0.0.1:9/zvinstaller.exe", std::to_string(kPackageSize),
                                      CMd5::OfString(HttpTest::Pattern(0, kPackageSize))) +
                             "Url1=" + PackageUrl(L"", mirror) + "\r\n";
    Begin({ServeManifest(body)});
    ASSERT_TRUE(WaitFor(Event::kDownload));
    ASSERT_EQ(5, m_listener.Last(Event::kDownload)->type);
    EXPECT_EQ("", HttpTest::RequestsSeen(mirror)) << "the engine's own retries stay on one URL";

    ASSERT_TRUE(m_updater->ResubmitDownload());
    ASSERT_TRUE(WaitFor(Event::kDownload, 2));
    EXPECT_EQ(0, m_listener.Last(Event::kDownload)->type);
    EXPECT_EQ(HttpTest::Pattern(0, kPackageSize), TestEnv::ReadFileBytes(Package()));
}

// A download cut on one mirror continues on the next only when a digest can prove the pieces belong
// together; without one the next mirror starts from zero.
TEST_F(UpdaterTest, NextMirrorResumesOnlyWithDigest) {
    const std::string digest = CMd5::OfString(HttpTest::Pattern(0, kPackageSize));
    for (const std::string& md5 : {digest, std::string()}) {
        SCOPED_TRACE(md5.empty() ? "no digest" : "digest");
        const std::wstring first = HttpTest::NewTag();
        const std::wstring second = HttpTest::NewTag();
        const std::string body =
            Manifest(PackageUrl(L"&drop=50000", first), std::to_string(kPackageSize), md5) +
            "Url1=" + PackageUrl(L"", second) + "\r\n";
        m_listener.m_events.clear();
        m_updater = Unpinned(std::vector<std::wstring>{ServeManifest(body)});
        UpdaterTestPeer::Download(*m_updater).SetMaxRetries(0);
        ASSERT_TRUE(m_updater->Start());
        ASSERT_TRUE(WaitFor(Event::kDownload));
        ASSERT_NE(0, m_listener.Last(Event::kDownload)->type);

        ASSERT_TRUE(m_updater->ResubmitDownload());
        ASSERT_TRUE(WaitFor(Event::kDownload, 2));
        EXPECT_EQ(0, m_listener.Last(Event::kDownload)->type);
        EXPECT_EQ(HttpTest::Pattern(0, kPackageSize), TestEnv::ReadFileBytes(Package()));
        const std::string seen = HttpTest::RequestsSeen(second);
        if (md5.empty())
            EXPECT_EQ(std::string::npos, seen.find("bytes=")) << seen;
        else
            EXPECT_NE(std::string::npos, seen.find("bytes=50000-")) << seen;
        m_updater.reset();
        DeleteFileW(Package().c_str());
    }
}

// Both requests of the update module trust our CA only: a manifest from a server with another CA's
// certificate is a failed fetch, and a package named on such a server is never downloaded.
TEST_F(UpdaterTest, OnlyServersOfOurCaAreUsed) {
    const std::wstring path = L"/upd-" + m_tag + L"/zvinstall.txt";
    ServeManifest(Manifest(WideToUtf8(HttpTest::TlsUrl(L"server-other-ca", L"/small.bin")), "1000", ""));
    const auto begin = [&](const wchar_t* server) {
        m_updater = std::make_unique<Updater>(m_folder.Path(), &m_listener,
                                              std::vector<std::wstring>{HttpTest::TlsUrl(server, path)},
                                              std::vector<std::string>{}, HttpTest::TestCa());
        UpdaterTestPeer::Manifest(*m_updater).SetMaxRetries(0);
        UpdaterTestPeer::Download(*m_updater).SetMaxRetries(0);
        return m_updater->Start();
    };
    ASSERT_TRUE(begin(L"server-other-ca"));
    ASSERT_TRUE(WaitFor(Event::kManifest));
    EXPECT_EQ(5, m_listener.Last(Event::kManifest)->type) << "the manifest from the other CA's server";
    ASSERT_TRUE(begin(L"server"));
    ASSERT_TRUE(WaitFor(Event::kDownload));
    EXPECT_EQ(0, m_listener.Last(Event::kManifest)->type) << "the manifest from our CA's server";
    EXPECT_EQ(5, m_listener.Last(Event::kDownload)->type) << "the package on the other CA's server";
    EXPECT_FALSE(TestEnv::FileExists(Package()));
}

// With a signer pinned, a package that is not signed by it is deleted and reported as untrusted; the
// pinned signer's package is reported ready and stays held against writing and deleting.
TEST_F(UpdaterTest, OnlyThePinnedSignersPackageIsReady) {
    std::string pin = TestEnv::ReadFileBytes(TestEnv::BinaryDir() + L"\\test-pki\\signer.pin");
    pin.resize(64);
    const std::string unsignedUrl = PackageUrl();
    m_updater = std::make_unique<Updater>(
        m_folder.Path(), &m_listener,
        std::vector<std::wstring>{ServeManifest(Manifest(unsignedUrl, std::to_string(kPackageSize), ""))},
        std::vector<std::string>{pin});
    ASSERT_TRUE(m_updater->Start());
    ASSERT_TRUE(WaitFor(Event::kDownload));
    EXPECT_EQ(3, m_listener.Last(Event::kDownload)->type);
    EXPECT_EQ(Updater::kErrorUntrustedPackage, m_listener.Last(Event::kDownload)->code);
    EXPECT_EQ(L"安装失败", m_listener.Last(Event::kDownload)->text);
    EXPECT_FALSE(m_updater->TakeVerifiedPackage().IsValid());
    EXPECT_FALSE(TestEnv::FileExists(Package()));
    EXPECT_FALSE(TestEnv::FileExists(Partial()));

    const std::string signedPackage =
        TestEnv::ReadFileBytes(TestEnv::BinaryDir() + L"\\tests\\Updater\\trust-samples\\pinned.exe");
    ASSERT_FALSE(signedPackage.empty());
    TestEnv::WriteFileBytes(m_served + L"\\pinned.exe", signedPackage);
    const std::string signedUrl = WideToUtf8(HttpTest::NginxUrl(L"/upd-" + m_tag + L"/pinned.exe"));
    m_updater = std::make_unique<Updater>(
        m_folder.Path(), &m_listener,
        std::vector<std::wstring>{
            ServeManifest(Manifest(signedUrl, std::to_string(signedPackage.size()), ""), L"signed.txt")},
        std::vector<std::string>{pin});
    ASSERT_TRUE(m_updater->Start());
    ASSERT_TRUE(WaitFor(Event::kDownload, 2));
    EXPECT_EQ(0, m_listener.Last(Event::kDownload)->type);
    EXPECT_EQ(0, m_listener.Last(Event::kDownload)->code);
    CScopedHandle held = m_updater->TakeVerifiedPackage();
    ASSERT_TRUE(held.IsValid());
    EXPECT_FALSE(DeleteFileW(Package().c_str())) << "held until the package has started";
    held.Reset();
    EXPECT_EQ(signedPackage, TestEnv::ReadFileBytes(Package()));
}
