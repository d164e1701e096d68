#pragma once
// Walking a list of listeners that the listeners themselves may change. UI thread only.
#include <algorithm>
#include <vector>

namespace SkinUI {

// Calls `visit` for every entry of `list` as it was when the walk began, skipping an entry that has
// left the list by the time its turn comes (it may be gone), so that a listener may remove itself or
// another while it runs without making the next one miss its call. Stops at the first `visit` that
// returns true, and returns whether one did.
template <class T, class Visit>
bool VisitListeners(const std::vector<T*>& list, Visit visit) {
    const std::vector<T*> snapshot = list;
    for (T* item : snapshot) {
        if (std::find(list.begin(), list.end(), item) == list.end())
            continue;
        if (visit(item))
            return true;
    }
    return false;
}

}  // namespace SkinUI
