#pragma once
// The tick count that request ids and retry delays are measured with. UI thread.
// Tests replace the source to reach the 49.7-day wrap; the product never does.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

DWORD HttpTickCount();
// Null restores GetTickCount.
void SetHttpTickSourceForTesting(DWORD (*source)());
