#include "Http/HttpClock.h"

namespace {
DWORD (*g_source)() = nullptr;
}  // namespace

DWORD HttpTickCount() {
    return g_source ? g_source() : GetTickCount();
}

void SetHttpTickSourceForTesting(DWORD (*source)()) {
    g_source = source;
}
