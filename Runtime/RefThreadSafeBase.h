#pragma once
// Atomic intrusive reference count for objects shared between threads.
// Any thread; the thread that releases the last reference deletes the object.
#include <atomic>

template <class T>
class CRefThreadSafeBase {
public:
    void AddRef() const { m_refs.fetch_add(1, std::memory_order_relaxed); }
    void Release() const {
        if (m_refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }
    int RefCount() const { return m_refs.load(std::memory_order_acquire); }

protected:
    CRefThreadSafeBase() = default;
    virtual ~CRefThreadSafeBase() = default;
    CRefThreadSafeBase(const CRefThreadSafeBase&) = delete;
    CRefThreadSafeBase& operator=(const CRefThreadSafeBase&) = delete;

private:
    mutable std::atomic<int> m_refs{0};
};
