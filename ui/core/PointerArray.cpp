#include "ui/core/PointerArray.h"

#include <algorithm>

namespace SkinUI {

LPVOID CPointerArray::GetAt(int iIndex) const {
    if (iIndex < 0 || iIndex >= GetSize())
        return nullptr;
    return m_items[iIndex];
}

bool CPointerArray::Add(LPVOID pData) {
    m_items.push_back(pData);
    return true;
}

bool CPointerArray::InsertAt(int iIndex, LPVOID pData) {
    if (iIndex < 0 || iIndex > GetSize())
        return false;
    m_items.insert(m_items.begin() + iIndex, pData);
    return true;
}

bool CPointerArray::SetAt(int iIndex, LPVOID pData) {
    if (iIndex < 0 || iIndex >= GetSize())
        return false;
    m_items[iIndex] = pData;
    return true;
}

bool CPointerArray::Remove(int iIndex) {
    if (iIndex < 0 || iIndex >= GetSize())
        return false;
    m_items.erase(m_items.begin() + iIndex);
    return true;
}

int CPointerArray::Find(LPVOID pData) const {
    auto it = std::find(m_items.begin(), m_items.end(), pData);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

}  // namespace SkinUI
