#pragma once
// The digests of a file as it is written, computed on a thread of their own so that receiving
// does not wait for hashing: the writer copies each written piece into a ring of fixed size and
// the hashing thread takes it from there. A full ring makes the writer wait (the receive slows);
// nothing is dropped and the ring never grows. The hashing thread is woken once a batch has gathered,
// not for every small write: on a virtual machine each wake-up costs about as much as hashing a write.
// Feed, Reset, FeedFileStart: the writing thread; Drain: the writing thread once it has finished;
// Cancel: any thread; Finish: the owner once the writer has finished. The owner orders its
// hand-overs of the writing role between threads.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Http/FileDigester.h"
#include "Runtime/SimpleThread.h"

class DigestPipe : private CSimpleThread {
public:
    // A piece hashed at a time: small enough that a reset or cancel waits milliseconds only.
    static constexpr size_t kPieceBytes = 256 * 1024;
    // Kinds are kDigest* bits; 0 digests nothing, starts no thread and costs nothing per byte.
    explicit DigestPipe(unsigned kinds, size_t ringBytes = kDefaultRingBytes);
    ~DigestPipe() override;

    bool IsWanted() const { return m_digester.IsWanted(); }
    // Bytes fed since the file was last empty, hashed or still in the ring.
    uint64_t Fed() const { return m_fed; }
    // Copies the piece into the ring, waiting for room as long as it takes; false once cancelled.
    bool Feed(const void* data, size_t size);
    // The file was emptied: what is still in the ring is dropped and the hashes start over.
    void Reset();
    // As FileDigester::FeedFileStart, on the calling thread, for an empty, idle pipe.
    DWORD FeedFileStart(const std::wstring& path, uint64_t length, const std::function<bool()>& keepGoing);
    // Waits until everything fed has been hashed; false when cancelled first.
    bool Drain();
    // Every wait ends and no more bytes are taken; the digests come back empty.
    void Cancel();
    // The digests of every byte fed, once drained; empty when cancelled.
    FileDigests Finish();
    // Times Feed found the ring full and waited for the hashing thread.
    unsigned FullWaits() const { return m_fullWaits; }
    // Pieces the hashing thread has taken off the ring.
    unsigned PiecesHashed() const { return m_piecesHashed; }

private:
    // Enough for SHA-256 on the CPU's extensions, which hashes several times faster than the receive,
    // never to fill it; a slower hash fills any ring, so more would only add to the install's peak memory.
    static constexpr size_t kDefaultRingBytes = 512 * 1024;

    void Run() override;
    // Waits for the hashing thread to be idle with nothing in the ring; false when cancelled.
    bool WaitIdle();

    FileDigester m_digester;
    // Not value-initialised: only the pages the bytes pass through are ever touched.
    std::unique_ptr<char[]> m_ring;
    size_t m_ringBytes;
    // Bytes that wake the hashing thread; fewer wait for more or for the writer to finish.
    size_t m_batchBytes;
    SRWLOCK m_lock = SRWLOCK_INIT;
    // Writer waits for room or idleness; the hashing thread waits for bytes.
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    size_t m_head = 0;     // next byte the writer fills
    size_t m_pending = 0;  // bytes in the ring not yet taken by the hashing thread
    bool m_hashing = false;
    // The writer has finished for now: whatever is in the ring is hashed, however little.
    bool m_flushing = false;
    // Counts resets, so that a piece hashed across one is not taken off the ring again.
    unsigned m_generation = 0;
    bool m_cancelled = false;
    bool m_quit = false;
    uint64_t m_fed = 0;
    std::atomic<unsigned> m_fullWaits{0};
    std::atomic<unsigned> m_piecesHashed{0};
};
