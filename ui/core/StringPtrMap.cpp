#include "ui/core/StringPtrMap.h"

namespace SkinUI {

CStringPtrMap::CStringPtrMap(int nSize) {
    Resize(nSize);
}

void CStringPtrMap::Resize(int nSize) {
    m_buckets.assign(nSize > 0 ? nSize : 1, Bucket());
    m_count = 0;
}

UINT CStringPtrMap::HashKey(LPCWSTR key) {
    UINT h = 0;
    size_t n = wcslen(key);
    while (n > 0)
        h = h * 33 + static_cast<UINT>(key[--n]);
    return h;
}

CStringPtrMap::Bucket& CStringPtrMap::BucketOf(LPCWSTR key) const {
    return m_buckets[HashKey(key) % m_buckets.size()];
}

LPVOID CStringPtrMap::Find(LPCWSTR key, bool optimize) const {
    if (key == nullptr)
        return nullptr;
    Bucket& bucket = BucketOf(key);
    for (auto it = bucket.begin(); it != bucket.end(); ++it) {
        if (it->key == key) {
            LPVOID data = it->data;
            if (optimize && it != bucket.begin())
                bucket.splice(bucket.begin(), bucket, it);
            return data;
        }
    }
    return nullptr;
}

bool CStringPtrMap::Insert(LPCWSTR key, LPVOID pData) {
    if (key == nullptr)
        return false;
    Bucket& bucket = BucketOf(key);
    for (const auto& item : bucket) {
        if (item.key == key)
            return false;
    }
    bucket.push_front(TItem{key, pData});
    ++m_count;
    return true;
}

LPVOID CStringPtrMap::Set(LPCWSTR key, LPVOID pData) {
    if (key == nullptr)
        return nullptr;
    for (auto& item : BucketOf(key)) {
        if (item.key == key) {
            LPVOID old = item.data;
            item.data = pData;
            return old;
        }
    }
    Insert(key, pData);
    return nullptr;
}

bool CStringPtrMap::Remove(LPCWSTR key) {
    if (key == nullptr)
        return false;
    Bucket& bucket = BucketOf(key);
    for (auto it = bucket.begin(); it != bucket.end(); ++it) {
        if (it->key == key) {
            bucket.erase(it);
            --m_count;
            return true;
        }
    }
    return false;
}

}  // namespace SkinUI
