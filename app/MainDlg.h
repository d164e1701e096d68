#pragma once
// The installer's main window: the agreement and one-click page, the folder page and the
// progress page; it drives the update module, the install animation, the package and the
// launcher. UI thread only.
#include <memory>
#include <string>
#include <vector>

#include "Updater/IGameEventListener.h"
#include "Updater/PackageCheck.h"
#include "Updater/Updater.h"
#include "app/LauncherHandoff.h"
#include "app/ProcessExitWatch.h"
#include "app/RunLog.h"
#include "ui/core/WindowImplBase.h"

namespace SkinUI {
class COptionUI;
class CTabLayoutUI;
}  // namespace SkinUI
class CMsgBoxDlg;

class CMainDlg : public SkinUI::WindowImplBase, public IGameEventListener {
public:
    static constexpr UINT_PTR kInstallTimer = 1;
    static constexpr UINT kInstallTimerMs = 100;
    static constexpr UINT_PTR kRetryTimer = 2;
    static constexpr UINT kRetryTimerMs = 5000;
    static constexpr int kInstallTicks = 100;
    // What a second installer looks for to bring this one to the front.
    static constexpr wchar_t kWindowClassName[] = L"InstallPackages";
    // Packages refused in a row (wrong digest, untrusted signer) after which no retry follows: the
    // same source would only send the same bytes again.
    static constexpr int kMaxRefusedPackages = 2;
    // The installer's exit code.
    enum ExitCode : int { kExitInstalled = 0, kExitUserQuit = 1, kExitFailed = 2 };
    // The window's own messages, clear of the ids the UI library posts to the same window.
    static constexpr UINT kFirstOwnMessage = WM_APP + 0x200;
    // The package has ended (posted by the wait off the UI thread).
    static constexpr UINT kPackageEndedMessage = kFirstOwnMessage;
    // The failure box was answered; wParam is the answer.
    static constexpr UINT kFailureAnsweredMessage = kFirstOwnMessage + 1;

    // The manifest endpoints are the ones the installer was built with; tests name their own.
    explicit CMainDlg(HandoffPlaces places = MachinePlaces(),
                      std::vector<std::wstring> manifestEndpoints = {});
    ~CMainDlg() override;

    void OnProgress(uint64_t total, uint64_t done, uint64_t speed) override;
    void OnDownloadResult(int errorType, int errorCode, const std::wstring& message) override;
    void OnManifestResult(int errorType, int errorCode, const std::wstring& version) override;

protected:
    LPCWSTR GetWindowClassName() const override { return kWindowClassName; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;
    void InitWindow() override;
    std::wstring GetSkinFolder() override { return L"no use"; }
    std::wstring GetSkinFile() override { return L"InstallPackages.xml"; }
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    void Notify(SkinUI::TNotifyUI& msg) override;
    // Escape takes the close button's way, through the confirmation.
    LRESULT ResponseDefaultKeyEvent(WPARAM key) override;

private:
    void HandleClick(SkinUI::TNotifyUI& msg);
    void ConfirmClose();
    void ShowAgreementWarning();
    void ShowFailureBox();
    void StartInstall();
    void StartDownload();
    void OnPackageBesideChecked(const TrustResult& result, CScopedHandle package);
    void UpdateFreeSpace();
    // The bar's image filled `fill` pixels wide, and its value (what screen readers hear) `percent`.
    void SetProgressFill(int fill, int percent);
    void OnInstallTick();
    void OnRetryTick();
    // The package's first tick: starts it, and says so in the run log.
    InstallerStart StartPackage();
    void OnPackageEnded();
    void OnFailureAnswered(UINT answer);

    CLauncherHandoff m_handoff;
    // Closed with the window object, after the engines have stopped and written their last lines.
    CRunLog m_runLog;
    std::vector<std::wstring> m_manifestEndpoints;
    SkinUI::CControlUI* m_proInstallProgress = nullptr;
    SkinUI::CControlUI* m_lbDownload = nullptr;
    SkinUI::CControlUI* m_lbSpeed = nullptr;
    SkinUI::CControlUI* m_btnMin = nullptr;
    SkinUI::CControlUI* m_btnClose = nullptr;
    SkinUI::CControlUI* m_btnInstall = nullptr;
    SkinUI::CControlUI* m_btnFree = nullptr;
    SkinUI::CControlUI* m_btnInstall2 = nullptr;
    SkinUI::CControlUI* m_editInput = nullptr;
    SkinUI::CControlUI* m_btnSelect = nullptr;
    SkinUI::CControlUI* m_lbLeftSpace = nullptr;
    SkinUI::CControlUI* m_btnAgreement = nullptr;
    SkinUI::COptionUI* m_optAgree = nullptr;
    SkinUI::CTabLayoutUI* m_tbMain = nullptr;
    int m_tickCount = 0;
    // The open quit confirmation; it frees itself, so this only says whether it is open.
    CMsgBoxDlg* m_confirmation = nullptr;
    // The open failure box, if any: a later failure brings it to the front instead of adding one.
    HWND m_failureBox = nullptr;
    std::unique_ptr<Updater> m_updater;
    bool m_failureBoxAllowed = true;
    int m_refusedInRow = 0;
    CPackageCheck m_packageBesideCheck;
    // Both manifest endpoints failed: an OK on the failure box asks them again.
    bool m_manifestFailed = false;
    // What the installer ends with when the window closes now: once a failure was shown, a run that
    // did not install ends as failed, even if the user quits during a later retry.
    ExitCode m_exitCode = kExitUserQuit;
    CProcessExitWatch m_packageWatch;
};
