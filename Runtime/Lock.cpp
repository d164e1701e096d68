#include "Runtime/Lock.h"

CLock::CLock() {
    InitializeCriticalSection(&m_section);
}

CLock::~CLock() {
    DeleteCriticalSection(&m_section);
}

void CLock::Lock() {
    EnterCriticalSection(&m_section);
    ++m_depth;
}

void CLock::Unlock() {
    --m_depth;
    LeaveCriticalSection(&m_section);
}
