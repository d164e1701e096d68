#pragma once
// Event sources: ordered lists of callbacks that a control fires for its OnInit, OnDestroy, OnSize,
// OnEvent and OnNotify hooks. Each callback takes one pointer argument. UI thread only.
#include <cstring>
#include <memory>
#include <vector>

namespace SkinUI {

class CDelegateBase {
public:
    virtual ~CDelegateBase() = default;
    virtual CDelegateBase* Copy() const = 0;
    virtual bool Invoke(void* param) = 0;

    // Same object and same function.
    bool Equals(const CDelegateBase& other) const {
        return m_pObject == other.m_pObject && m_fnSize == other.m_fnSize &&
               std::memcmp(m_fn, other.m_fn, m_fnSize) == 0;
    }

protected:
    template <typename Fn>
    CDelegateBase(void* object, Fn fn) : m_pObject(object), m_fnSize(sizeof(Fn)) {
        static_assert(sizeof(Fn) <= sizeof(m_fn), "function pointer too large");
        std::memcpy(m_fn, &fn, sizeof(Fn));
    }
    void* GetObjectPtr() const { return m_pObject; }

private:
    void* m_pObject;
    size_t m_fnSize;
    unsigned char m_fn[16] = {};
};

// Calls a free function.
class CDelegateStatic : public CDelegateBase {
public:
    using Fn = bool (*)(void*);
    explicit CDelegateStatic(Fn fn) : CDelegateBase(nullptr, fn), m_fn(fn) {}
    CDelegateBase* Copy() const override { return new CDelegateStatic(*this); }
    bool Invoke(void* param) override { return m_fn(param); }

private:
    Fn m_fn;
};

// Calls a member function of an object that outlives the event source's use of it.
template <class O>
class CDelegate : public CDelegateBase {
public:
    using Fn = bool (O::*)(void*);
    CDelegate(O* object, Fn fn) : CDelegateBase(object, fn), m_fn(fn) {}
    CDelegateBase* Copy() const override { return new CDelegate(*this); }
    bool Invoke(void* param) override { return (static_cast<O*>(GetObjectPtr())->*m_fn)(param); }

private:
    Fn m_fn;
};

template <class O>
CDelegate<O> MakeDelegate(O* object, bool (O::*fn)(void*)) {
    return CDelegate<O>(object, fn);
}
inline CDelegateStatic MakeDelegate(bool (*fn)(void*)) {
    return CDelegateStatic(fn);
}

class CEventSource {
public:
    CEventSource() = default;
    CEventSource(const CEventSource&) = delete;
    CEventSource& operator=(const CEventSource&) = delete;

    explicit operator bool() const { return !m_delegates.empty(); }

    // Adding a delegate equal to one already present does nothing.
    void operator+=(const CDelegateBase& d) {
        for (const auto& p : m_delegates) {
            if (p->Equals(d))
                return;
        }
        m_delegates.emplace_back(d.Copy());
    }
    void operator-=(const CDelegateBase& d) {
        for (auto it = m_delegates.begin(); it != m_delegates.end(); ++it) {
            if ((*it)->Equals(d)) {
                m_delegates.erase(it);
                return;
            }
        }
    }
    // False as soon as one delegate returns false.
    bool operator()(void* param) {
        for (size_t i = 0; i < m_delegates.size(); ++i) {
            if (!m_delegates[i]->Invoke(param))
                return false;
        }
        return true;
    }

private:
    std::vector<std::unique_ptr<CDelegateBase>> m_delegates;
};

}  // namespace SkinUI
