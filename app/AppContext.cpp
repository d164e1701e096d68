#include "app/AppContext.h"

#include <cwchar>

#include "Http/HttpEngines.h"
#include "Runtime/MainThreadRuntime.h"

AppContext& AppContext::Instance() {
    static AppContext context;
    return context;
}

bool AppContext::Initialize(CMainDlg* mainWindow) {
    m_mainWindow = mainWindow;
    if (!m_runtimeStarted) {
        InitMainThreadRuntime(HttpEngines::Engines());
        m_runtimeStarted = true;
    }
    return true;
}

bool AppContext::Shutdown() {
    m_mainWindow = nullptr;
    if (m_runtimeStarted) {
        ShutdownMainThreadRuntime();
        m_runtimeStarted = false;
    }
    return true;
}

uint16_t AppContext::ParseLaunchId(const std::wstring& commandLine) {
    if (commandLine.empty())
        return 0;
    return static_cast<uint16_t>(_wcstoi64(commandLine.c_str(), nullptr, 10));
}
