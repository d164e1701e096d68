#pragma once
// Growable array of untyped pointers (option groups and similar lists). Does not own the pointees.
// UI thread only.
#include <windows.h>

#include <vector>

namespace SkinUI {

class CPointerArray {
public:
    bool IsEmpty() const { return m_items.empty(); }
    int GetSize() const { return static_cast<int>(m_items.size()); }
    LPVOID GetAt(int iIndex) const;
    LPVOID operator[](int iIndex) const { return GetAt(iIndex); }
    bool Add(LPVOID pData);
    bool InsertAt(int iIndex, LPVOID pData);
    bool SetAt(int iIndex, LPVOID pData);
    // Removes by index, shifting the tail down.
    bool Remove(int iIndex);
    // Index of the first occurrence, or -1.
    int Find(LPVOID pData) const;
    void Empty() { m_items.clear(); }

private:
    std::vector<LPVOID> m_items;
};

}  // namespace SkinUI
