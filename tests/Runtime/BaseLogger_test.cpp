#include "Runtime/BaseLogger.h"

#include <gtest/gtest.h>

#include <thread>

#include "Runtime/FileLogger.h"
#include "Runtime/StringConv.h"
#include "Runtime/TraceLogger.h"
#include "tests/support/TestEnv.h"

namespace {

// A sink that keeps its lines, to check the format exactly.
class Capture : public BaseLogger {
public:
    void Write(const std::wstring& line) override { m_lines.push_back(line); }
    bool IsEnabled() override { return HasOptions(); }
    std::vector<std::wstring> m_lines;
};

std::unique_ptr<LogOptions> Options(unsigned flags, bool newline) {
    auto o = std::make_unique<LogOptions>();
    o->flags = flags;
    o->newline = newline;
    return o;
}

}  // namespace

// Without options a sink writes nothing, whatever the level.
TEST(BaseLogger, NoOptionsWritesNothing) {
    Capture sink;
    for (int level = 0; level < 4; ++level)
        sink.Log(level, L"x %d", level);
    EXPECT_TRUE(sink.m_lines.empty());
    EXPECT_FALSE(TraceLogger::Instance().IsEnabled());
    EXPECT_FALSE(FileLogger::Instance().IsEnabled());
}

// The pieces follow each other with nothing between them.
TEST(BaseLogger, LineFormat) {
    Capture sink;
    sink.SetOptions(Options(0, false));
    sink.Log(0, 46, L".\\Http\\CurlHttp", L"code %d %s", 7, L"宽");
    sink.Log(1, L"plain");
    sink.Log(2, L"e");
    sink.Log(3, L"untagged");
    ASSERT_EQ(4u, sink.m_lines.size());
    EXPECT_EQ(L"[INFO][.\\Http\\CurlHttp:46]code 7 宽", sink.m_lines[0]);
    EXPECT_EQ(L"[WARN]plain", sink.m_lines[1]);
    EXPECT_EQ(L"[ERRO]e", sink.m_lines[2]);
    EXPECT_EQ(L"untagged", sink.m_lines[3]);
}

// Time, process and thread prefixes, and the line end.
TEST(BaseLogger, PrefixesAndNewline) {
    Capture sink;
    sink.SetOptions(Options(LogOptions::kTime | LogOptions::kProcessId | LogOptions::kThreadId, true));
    sink.Log(2, 9, L"f", L"m");
    ASSERT_EQ(1u, sink.m_lines.size());
    const std::wstring& line = sink.m_lines[0];
    EXPECT_EQ(0u, line.find(L"[ERRO][20"));
    EXPECT_EQ(L"[", line.substr(6 + 21, 1)) << line;
    wchar_t ids[64];
    swprintf(ids, 64, L"[pid:%d][tid:%d][f:9]m\r\n", (int)GetCurrentProcessId(), (int)GetCurrentThreadId());
    EXPECT_EQ(ids, line.substr(6 + 21));
}

// A message longer than every fixed buffer arrives whole.
TEST(BaseLogger, LongMessageIsNotCut) {
    Capture sink;
    sink.SetOptions(Options(0, false));
    std::wstring big(10000, L'a');
    sink.Log(0, L"%s|", big.c_str());
    ASSERT_EQ(1u, sink.m_lines.size());
    EXPECT_EQ(L"[INFO]" + big + L"|", sink.m_lines[0]);
}

// Two threads writing to the file sink at once give whole lines, one after the other, in UTF-8.
TEST(FileLogger, ConcurrentLinesDoNotInterleave) {
    TestEnv::TempDir dir(L"log");
    const std::wstring path = dir.File(L"log.txt");
    FILE* stream = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(nullptr, stream);
    FileLogger& log = FileLogger::Instance();
    log.SetStream(stream);
    log.SetOptions(Options(0, true));
    constexpr int kLines = 300;
    auto writer = [&](wchar_t c) {
        std::wstring body = std::wstring(200, c) + L"日志";
        for (int i = 0; i < kLines; ++i)
            log.Log(0, L"%s", body.c_str());
    };
    std::thread a(writer, L'a'), b(writer, L'b');
    a.join();
    b.join();
    log.SetOptions(nullptr);
    log.SetStream(nullptr);
    fclose(stream);

    const std::wstring text = Utf8ToWide(TestEnv::ReadFileBytes(path));
    int lines = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(L"\r\n", at);
        ASSERT_NE(std::wstring::npos, end);
        std::wstring line = text.substr(at, end - at);
        ASSERT_EQ(208u, line.size());
        EXPECT_TRUE(line == L"[INFO]" + std::wstring(200, L'a') + L"日志" ||
                    line == L"[INFO]" + std::wstring(200, L'b') + L"日志");
        ++lines;
        at = end + 2;
    }
    EXPECT_EQ(2 * kLines, lines);
}
