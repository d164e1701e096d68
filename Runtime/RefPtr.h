#pragma once
// Intrusive smart pointer over CRefThreadSafeBase objects. A CRefPtr itself is not
// shared between threads; copies of it may live on any thread.
#include <utility>

template <class T>
class CRefPtr {
public:
    CRefPtr() = default;
    CRefPtr(T* p) : m_p(p) {  // NOLINT: implicit from raw pointers by design
        if (m_p)
            m_p->AddRef();
    }
    CRefPtr(const CRefPtr& other) : CRefPtr(other.m_p) {}
    CRefPtr(CRefPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    template <class U>
    CRefPtr(const CRefPtr<U>& other) : CRefPtr(other.get()) {}
    ~CRefPtr() {
        if (m_p)
            m_p->Release();
    }

    CRefPtr& operator=(CRefPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void reset() { CRefPtr().swap(*this); }
    void swap(CRefPtr& other) noexcept { std::swap(m_p, other.m_p); }

    friend bool operator==(const CRefPtr& a, const CRefPtr& b) { return a.m_p == b.m_p; }
    friend bool operator!=(const CRefPtr& a, const CRefPtr& b) { return a.m_p != b.m_p; }

private:
    T* m_p = nullptr;
};
