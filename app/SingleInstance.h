#pragma once
// One installer per logon session: the first holds a named mutex for its whole life; one started
// beside it brings the first one's window to the front and ends. UI thread.
#include <windows.h>

#include "Runtime/ScopedHandle.h"

class CSingleInstance {
public:
    // name: a mutex name in the session's own namespace ("Local\..."), so other users' sessions
    // neither see nor block it.
    explicit CSingleInstance(const wchar_t* name);
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // False when another process of this session holds the name. A mutex that cannot be made at
    // all counts as first: the install must not be blocked by it.
    bool IsFirst() const { return m_first; }
    // Restores and brings to the front the session's window of this class (or the box it has open);
    // false when there is none yet.
    static bool ActivateWindow(const wchar_t* className);

private:
    CScopedHandle m_mutex;
    bool m_first = true;
};
