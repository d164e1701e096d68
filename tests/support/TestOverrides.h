#pragma once
// Linked into test builds of the installer only (zorva_endpoints' TEST_OVERRIDES), never into the
// product: what an end-to-end case may change at run time. Any thread.
#include <string>

// Each case runs its loopback update servers on free ports of its own, so that cases can run side by
// side: the URL with its port replaced when ZORVA_TEST_PORTS ("built=actual,...", e.g.
// "18431=40112,18432=40113") names it; unchanged otherwise.
std::wstring WithTestPorts(const std::wstring& url);

// The install animation's step from ZORVA_TEST_INSTALL_STEP_MS, else the built-in one: most cases
// need not watch ten seconds of it.
unsigned TestInstallStepMs(unsigned builtIn);
