#pragma once
// The process's application context: the main window and the launch identifier taken from
// the command line. UI thread only.
#include <cstdint>
#include <string>

class CMainDlg;

class AppContext {
public:
    static AppContext& Instance();

    // Stores the main window and starts the UI thread's runtime with the transfer engines.
    bool Initialize(CMainDlg* mainWindow);
    // Forgets the main window and stops the runtime.
    bool Shutdown();

    uint16_t LaunchId() const { return m_launchId; }
    void SetLaunchId(uint16_t id) { m_launchId = id; }
    CMainDlg* MainWindow() const { return m_mainWindow; }

    // A decimal number at the start of the command line (blanks and a sign allowed), low 16 bits.
    static uint16_t ParseLaunchId(const std::wstring& commandLine);

private:
    AppContext() = default;

    CMainDlg* m_mainWindow = nullptr;
    uint16_t m_launchId = 0;
    bool m_runtimeStarted = false;
};
