#pragma once
// Hash map from strings to untyped pointers, as used by the paint manager's registries: buckets of
// doubly linked items, and a found item moves to the front of its bucket. Does not own the values.
// UI thread only.
#include <windows.h>

#include <list>
#include <string>
#include <vector>

namespace SkinUI {

class CStringPtrMap {
public:
    static constexpr int kDefaultBuckets = 83;

    explicit CStringPtrMap(int nSize = kDefaultBuckets);

    // Drops every item and makes nSize empty buckets.
    void Resize(int nSize = kDefaultBuckets);
    LPVOID Find(LPCWSTR key, bool optimize = true) const;
    // Fails when the key exists.
    bool Insert(LPCWSTR key, LPVOID pData);
    // Replaces the value of an existing key and returns the old one, or inserts and returns null.
    LPVOID Set(LPCWSTR key, LPVOID pData);
    bool Remove(LPCWSTR key);
    void RemoveAll() { Resize(static_cast<int>(m_buckets.size())); }
    int GetSize() const { return m_count; }
    int GetBucketCount() const { return static_cast<int>(m_buckets.size()); }

    static UINT HashKey(LPCWSTR key);

    template <class F>
    void ForEach(F f) const {
        for (const auto& bucket : m_buckets) {
            for (const auto& item : bucket)
                f(item.key, item.data);
        }
    }

private:
    struct TItem {
        std::wstring key;
        LPVOID data;
    };
    using Bucket = std::list<TItem>;

    Bucket& BucketOf(LPCWSTR key) const;

    // Moving a found item to the front is an access optimisation, not a change of content.
    mutable std::vector<Bucket> m_buckets;
    int m_count = 0;
};

}  // namespace SkinUI
