#pragma once
// A request that downloads one URL into one local file, resuming a partial file with a byte
// range, falling back to a full download when the server ignores the range, checking what
// arrives against the size the caller expects, and reporting progress once a second with a
// ten-second average speed. On request it also hands over the MD5 and SHA-256 of the finished
// file, computed beside the worker as the bytes are written (the UI thread never reads the file).
// UI thread only (its file sink is written by the worker).
#include <cstdint>
#include <deque>
#include <string>

#include "Http/FileDigester.h"
#include "Http/HttpBase.h"

class DownloadWriteFile;

class CHttpDownloadFile : public CHttpBase {
public:
    using DoneCallback = void (*)(void* user, int errorType, int errorCode);
    using ProgressCallback = void (*)(void* user, uint64_t total, uint64_t present, uint32_t speed);
    static constexpr size_t kSpeedSamples = 10;
    // libcurl's receive buffer for packages: fewer, larger reads and writes (each read is a round
    // trip to the Wine server). Under Wine the whole buffer is resident from the first read (a 3 MiB
    // package made all of an 8 MiB one so), and for the whole download. 1 MiB read a loopback GiB
    // as fast as 8 MiB (about a tenth more CPU) and keeps 7 MiB out of the install's peak; a real
    // link rarely has more than that waiting at one read.
    static constexpr long kReceiveBufferBytes = 1024 * 1024;
    // The package's socket asks for a receive window of its own rather than one the system grows
    // while it watches the reader: under Wine a loopback download whose window had not grown in its
    // first moments stayed at reads of about 95 KiB for the whole gigabyte (12 thousand reads against
    // 2 thousand, twice the time), so the same download took 1.5 s or 3.7 s by chance. 8 MiB keeps a
    // 300 ms link busy at over 200 Mbit/s; Linux caps it at net.core.rmem_max.
    static constexpr int kReceiveWindowBytes = 8 * 1024 * 1024;

    // Belongs to the download engine.
    CHttpDownloadFile();
    ~CHttpDownloadFile() override;

    bool Download(const std::wstring& url, const std::wstring& localPath, uint64_t expectedSize, void* user);
    void SetDoneCallback(DoneCallback callback) { m_doneCallback = callback; }
    void SetProgressCallback(ProgressCallback callback) { m_progressCallback = callback; }
    // The digests to compute (kDigestMd5, kDigestSha256 bits), set before Send; only what is
    // asked for costs time per byte.
    void SetDigests(unsigned kinds) { m_digestKinds = kinds; }
    // The digests of the whole file, valid once the done callback has reported (0, 0), until
    // the next Send; empty for a kind not asked for.
    const FileDigests& Digests() const { return m_digests; }

    bool Prepare() override;
    bool Start() override;
    bool Stop() override;
    void Done(CURLcode result) override;
    void OnHttpCode(int status) override;
    void OnTimer() override;
    void OnReceived(uint64_t bytes) override;

    const std::wstring& LocalPath() const { return m_localPath; }

private:
    // The steps of OnHttpCode, in order. False for a redirect or an interim response.
    bool IsFinalStatus(int status);
    // A 200 while resuming: the whole file comes again from its first byte.
    void NoteRangeIgnored();
    bool RangeStartsWhereAsked();
    // A 206 from another offset than asked: the file is emptied and the download fails.
    void FailMisplacedRange();
    // The total the response announces (range start + Content-Length), checked against the
    // expected size. False when there is none to report, or when it failed the download.
    bool CheckAnnouncedLength(uint64_t& total);
    // Stops and reports (3, 2007); the request may be gone once this returns.
    void FailLengthMismatch(uint64_t announced);
    HttpResult CheckWhole(HttpResult result);
    void ReportDone(int type, int code);

    std::wstring m_localPath;
    uint64_t m_expectedSize = 0;
    DoneCallback m_doneCallback = nullptr;
    ProgressCallback m_progressCallback = nullptr;
    void* m_user = nullptr;
    unsigned m_digestKinds = 0;
    FileDigests m_digests;
    // Owned by the transfer; valid while the request holds it.
    DownloadWriteFile* m_sink = nullptr;
    // This attempt found the file whole and only has it hashed on the worker.
    bool m_wholeOnDisk = false;
    uint64_t m_receivedThisAttempt = 0;
    uint32_t m_sinceLastTick = 0;
    uint64_t m_contentLength = 0;
    std::deque<uint32_t> m_speedSamples;
    // The last status of the attempt, redirects and interim responses included.
    int m_finalStatus = CCurlBase::kNoStatus;
};
