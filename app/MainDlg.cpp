#include "app/MainDlg.h"

#include "Http/HttpResult.h"
#include "Runtime/CommonUtils.h"
#include "Updater/UpdateEndpoints.h"
#include "app/AppContext.h"
#include "app/MsgBoxDlg.h"
#include "app/RunLog.h"
#include "ui/controls/OptionUI.h"
#include "ui/controls/ProgressUI.h"
#include "ui/controls/TabLayoutUI.h"

namespace {

constexpr int kIconResource = 101;
constexpr int kPageStart = 0;
constexpr int kPageFolder = 1;
constexpr int kPageProgress = 2;
constexpr double kDownloadShare = 0.9;
constexpr int kProgressBarHeight = 30;
constexpr DWORD kPopupStyle = WS_POPUP;

// Opens one of the installer's boxes owned by the main window; it frees itself when closed.
// Null when its window could not be made (the object is then already gone or never bound).
CMsgBoxDlg* OpenBox(HWND owner, const wchar_t* text, const wchar_t* title, const wchar_t* caption) {
    CMsgBoxDlg* box = new CMsgBoxDlg(text, title);
    if (!box->Create(owner, caption, kPopupStyle, 0, 0, 0, 0, 0))
        return nullptr;
    box->CenterWindow();
    box->ShowWindow(true, true);
    return box;
}

}  // namespace

CMainDlg::CMainDlg(HandoffPlaces places, std::vector<std::wstring> manifestEndpoints)
    : m_handoff(std::move(places)), m_manifestEndpoints(std::move(manifestEndpoints)) {
    SetClassIcon(kIconResource);
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::OnFinalMessage(HWND hWnd) {
    SkinUI::CSkinResources::FreeResourceZipBuffer();
    WindowImplBase::OnFinalMessage(hWnd);
    CRunLog::Line(L"exit code %d", static_cast<int>(m_exitCode));
    PostQuitMessage(m_exitCode);
}

void CMainDlg::InitWindow() {
    EnableMenuItem(GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
    m_proInstallProgress = m_PaintManager.FindControl(L"pro_InstallProgress");
    m_lbDownload = m_PaintManager.FindControl(L"lb_download");
    m_lbSpeed = m_PaintManager.FindControl(L"lb_speed");
    m_btnMin = m_PaintManager.FindControl(L"btn_min");
    m_btnClose = m_PaintManager.FindControl(L"btn_close");
    m_btnInstall = m_PaintManager.FindControl(L"btn_install");
    m_btnFree = m_PaintManager.FindControl(L"btn_free");
    m_btnInstall2 = m_PaintManager.FindControl(L"btn_install2");
    m_editInput = m_PaintManager.FindControl(L"edit_input");
    m_btnSelect = m_PaintManager.FindControl(L"btn_select");
    m_lbLeftSpace = m_PaintManager.FindControl(L"lb_leftspace");
    m_btnAgreement = m_PaintManager.FindControl(L"btn_agreement");
    m_optAgree = static_cast<SkinUI::COptionUI*>(m_PaintManager.FindControl(L"opt_agree"));
    m_tbMain = static_cast<SkinUI::CTabLayoutUI*>(m_PaintManager.FindControl(L"tb_main"));
    const bool handedOver = m_handoff.DetectEnvironment(AppContext::Instance().LaunchId());
    // In the work folder, where only administrators write; without one the run goes unlogged.
    if (!m_handoff.PackageFolder().empty())
        m_runLog.Open(m_handoff.PackageFolder() + L"\\Logs");
    CRunLog::LogStart(GetCommandLineW());
    const std::wstring& launcher = m_handoff.LauncherPath();
    CRunLog::Line(L"launcher detection: %s%s%s", launcher.empty() ? L"none installed" : launcher.c_str(),
                  launcher.empty() ? L"" : handedOver ? L", handed over" : L", could not be started",
                  m_handoff.IsPackagePresent() ? L"; a package lies beside the executable" : L"");
    if (handedOver) {
        m_exitCode = kExitInstalled;
        Close(1);
    }
}

LRESULT CMainDlg::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool&) {
    return DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CMainDlg::ResponseDefaultKeyEvent(WPARAM key) {
    if (key == VK_ESCAPE) {
        ConfirmClose();
        return 1;
    }
    return 0;
}

void CMainDlg::Notify(SkinUI::TNotifyUI& msg) {
    if (msg.type == L"click") {
        HandleClick(msg);
        return;
    }
    if (msg.type == L"selectchanged" && msg.sender == m_optAgree) {
        // Without the agreement there is nothing to install: say so before the click, to the eye
        // and to screen readers.
        m_btnInstall->SetEnabled(m_optAgree->IsSelected());
        return;
    }
    if (msg.type == L"textchanged" && msg.sender == m_editInput) {
        m_handoff.SetInstallDir(m_editInput->GetText());
        UpdateFreeSpace();
        return;
    }
    WindowImplBase::Notify(msg);
}

void CMainDlg::HandleClick(SkinUI::TNotifyUI& msg) {
    SkinUI::CControlUI* sender = msg.sender;
    if (sender == m_btnClose) {
        ConfirmClose();
        return;
    }
    if (sender == m_btnInstall || sender == m_btnFree) {
        if (!m_optAgree || !m_optAgree->IsSelected()) {
            ShowAgreementWarning();
            return;
        }
        if (m_handoff.InstallDir().empty())
            m_handoff.SetInstallDir(m_handoff.DefaultInstallDir());
        if (sender == m_btnInstall) {
            m_tbMain->SelectItem(kPageProgress);
            StartInstall();
            return;
        }
        m_tbMain->SelectItem(kPageFolder);
        m_editInput->SetText(m_handoff.InstallDir());
    } else if (sender == m_btnInstall2) {
        m_handoff.SetInstallDir(m_editInput->GetText());
        m_tbMain->SelectItem(kPageProgress);
        StartInstall();
        return;
    } else if (sender == m_btnSelect) {
        const std::wstring path = PickedFolder(BrowseForFolder(m_hWnd, m_handoff.InstallDir()));
        if (!path.empty()) {
            m_handoff.SetInstallDir(path);
            m_editInput->SetText(path);
            UpdateFreeSpace();
        }
    } else if (sender == m_btnAgreement) {
        // Opened elevated, the browser would run as administrator.
        m_handoff.OpenAsUser(AgreementUrl());
    }
    WindowImplBase::Notify(msg);
}

void CMainDlg::ConfirmClose() {
    if (m_confirmation)
        return;
    m_confirmation = OpenBox(m_hWnd, L"是否退出安装？", L"", L"退出安装");
    if (!m_confirmation)
        return;
    const UINT result = m_confirmation->ShowModal();
    m_confirmation = nullptr;
    if (result == CMsgBoxDlg::kOk)
        Close(1);
}

void CMainDlg::ShowAgreementWarning() {
    if (CMsgBoxDlg* box = OpenBox(m_hWnd, L"未勾选“同意软件许可协议”", L"提示信息", L"提示"))
        box->ShowModal();
}

void CMainDlg::ShowFailureBox() {
    CRunLog::Line(L"failure box");
    m_exitCode = kExitFailed;
    if (m_failureBox && IsWindow(m_failureBox)) {
        SetForegroundWindow(m_failureBox);
        return;
    }
    CMsgBoxDlg* box = OpenBox(m_hWnd, L"安装失败，请检查网络后重试！", L"提示信息", L"Tarnis提示");
    m_failureBox = box ? box->GetHWND() : nullptr;
    if (box)
        box->PostAnswerToOwner(kFailureAnsweredMessage);
}

void CMainDlg::StartInstall() {
    // One install at a time, however many clicks reach the window before the page changes.
    if (m_updater || m_packageBesideCheck.IsBusy())
        return;
    if (m_handoff.IsPackagePresent() && !m_handoff.CopyPackageBeside())
        m_handoff.RefusePackageBeside();
    if (m_handoff.IsPackagePresent()) {
        // Anyone can drop two files into a downloads folder: its copy in the work folder runs only if
        // it is ours, and it runs there, away from whatever DLLs lie beside the original.
        m_packageBesideCheck.Start(m_handoff.PackageFile(), PinnedSignerKeys(), UnsignedPackagesPolicy(),
                                   [this](const TrustResult& result, CScopedHandle package) {
                                       OnPackageBesideChecked(result, std::move(package));
                                   });
        return;
    }
    StartDownload();
}

void CMainDlg::OnPackageBesideChecked(const TrustResult& result, CScopedHandle package) {
    if (result.Accepted()) {
        m_handoff.HoldPackage(std::move(package));
        OnDownloadResult(0, 0, std::wstring());
        return;
    }
    m_handoff.RefusePackageBeside();
    StartDownload();
}

void CMainDlg::StartDownload() {
    m_updater = m_manifestEndpoints.empty()
                    ? std::make_unique<Updater>(m_handoff.PackageFolder(), 0, this, 0)
                    : std::make_unique<Updater>(m_handoff.PackageFolder(), this, m_manifestEndpoints);
    if (!m_updater->Start()) {
        m_exitCode = kExitFailed;
        Close(1);
    }
}

void CMainDlg::UpdateFreeSpace() {
    const FreeSpace space = m_handoff.UpdateFreeSpace();
    m_lbLeftSpace->SetText(space.text);
    m_btnInstall2->SetEnabled(space.enough);
    m_lbLeftSpace->SetEnabled(space.enough);
}

void CMainDlg::SetProgressFill(int fill, int percent) {
    if (auto* bar = static_cast<SkinUI::CProgressUI*>(m_proInstallProgress->GetInterface(L"Progress")))
        bar->SetValue(percent);
    const RECT& pos = m_proInstallProgress->GetPos();
    const int width = pos.right - pos.left;
    m_proInstallProgress->SetBkImage(
        FormatString(L"file='progress_bk.png' dest='0,0,%d,%d' file='progress_fore.png' corner='0,15,5,15' "
                     L"dest='0,0,%d,%d' ",
                     width, kProgressBarHeight, fill, kProgressBarHeight));
}

void CMainDlg::OnProgress(uint64_t total, uint64_t done, uint64_t speed) {
    m_failureBoxAllowed = true;
    const uint64_t left = total > done ? total - done : 0;
    m_lbSpeed->SetText(
        FormatString(L"剩余%s @ %s/s", FormatFileSize(left).c_str(), FormatFileSize(speed).c_str()));
    const RECT& pos = m_proInstallProgress->GetPos();
    const int width = pos.right - pos.left;
    const double doneShare = total == 0 ? 0.0 : static_cast<double>(done) / static_cast<double>(total);
    SetProgressFill(static_cast<int>(width * kDownloadShare * doneShare),
                    static_cast<int>(100 * kDownloadShare * doneShare));
}

void CMainDlg::OnDownloadResult(int errorType, int errorCode, const std::wstring&) {
    if (errorType == 0 && errorCode == 0) {
        if (m_updater)
            m_handoff.HoldPackage(m_updater->TakeVerifiedPackage());
        m_lbDownload->SetText(L"安装中");
        m_lbSpeed->SetText(L"90%");
        const RECT& pos = m_proInstallProgress->GetPos();
        SetProgressFill(static_cast<int>((pos.right - pos.left) * kDownloadShare),
                        static_cast<int>(kDownloadShare * 100));
        SetTimer(m_hWnd, kInstallTimer, InstallStepMs(kInstallTimerMs), nullptr);
        return;
    }
    const bool refused = errorType == kHttpErrorUser && (errorCode == Updater::kErrorDigestMismatch ||
                                                         errorCode == Updater::kErrorUntrustedPackage);
    m_refusedInRow = refused ? m_refusedInRow + 1 : 0;
    if (m_refusedInRow < kMaxRefusedPackages)
        SetTimer(m_hWnd, kRetryTimer, kRetryTimerMs, nullptr);
    if (m_failureBoxAllowed) {
        ShowFailureBox();
        m_failureBoxAllowed = false;
    }
}

void CMainDlg::OnManifestResult(int errorType, int, const std::wstring&) {
    if (errorType != 0) {
        m_manifestFailed = true;
        ShowFailureBox();
    }
}

void CMainDlg::OnFailureAnswered(UINT answer) {
    if (answer != CMsgBoxDlg::kOk || !m_manifestFailed || !m_updater)
        return;
    m_manifestFailed = false;
    CRunLog::Line(L"failure box answered with OK: the manifest again");
    m_updater->RetryManifest();
}

void CMainDlg::OnInstallTick() {
    ++m_tickCount;
    if (m_tickCount > kInstallTicks) {
        KillTimer(m_hWnd, kInstallTimer);
        // The bar stays full with "安装中" while the package works on; the window keeps answering.
        if (!m_packageWatch.Start(m_handoff.InstallerProcess(), m_hWnd, kPackageEndedMessage))
            OnPackageEnded();
        return;
    }
    const InstallerStart start = m_tickCount == 1 ? StartPackage() : InstallerStart::kStarted;
    if (start == InstallerStart::kNotTheCheckedFile) {
        // Other bytes than the checked ones stood behind the package's name: a refused package.
        KillTimer(m_hWnd, kInstallTimer);
        m_tickCount = 0;
        DeleteFileOnce(m_handoff.PackageFile());
        OnDownloadResult(kHttpErrorUser, Updater::kErrorUntrustedPackage, std::wstring());
        return;
    }
    if (start == InstallerStart::kFailed) {
        // A package that cannot start is kept, and no launcher is started as if it had run.
        KillTimer(m_hWnd, kInstallTimer);
        ShowFailureBox();
        return;
    }
    const int percent = m_tickCount * 10 / 100 + 90;
    m_lbSpeed->SetText(FormatString(L"%d%%", percent));
    const RECT& pos = m_proInstallProgress->GetPos();
    SetProgressFill((pos.right - pos.left) * percent / 100, percent);
}

InstallerStart CMainDlg::StartPackage() {
    const InstallerStart start = m_handoff.RunInstaller();
    CRunLog::Line(L"package %s into %s: %s", m_handoff.PackagePath().c_str(), m_handoff.InstallDir().c_str(),
                  start == InstallerStart::kStarted          ? L"started"
                  : start == InstallerStart::kNotTheCheckedFile ? L"REFUSED, not the checked file"
                                                                : L"could not be started");
    return start;
}

void CMainDlg::OnPackageEnded() {
    m_packageWatch.Cancel();
    if (!m_handoff.InstallerProcess())
        return;
    const InstallOutcome outcome = m_handoff.RunLauncher();
    if (outcome.Installed()) {
        m_exitCode = kExitInstalled;
        Close(1);
        return;
    }
    // Nothing usable was installed: the user is told, and the window stays until closed.
    ShowFailureBox();
}

void CMainDlg::OnRetryTick() {
    KillTimer(m_hWnd, kRetryTimer);
    m_updater->ResubmitDownload();
}

LRESULT CMainDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_TIMER && wParam == kInstallTimer) {
        const int before = m_tickCount;
        OnInstallTick();
        if (before >= kInstallTicks)
            return 0;
    } else if (uMsg == WM_TIMER && wParam == kRetryTimer && m_updater) {
        OnRetryTick();
    } else if (uMsg == kPackageEndedMessage) {
        OnPackageEnded();
        return 0;
    } else if (uMsg == kFailureAnsweredMessage) {
        OnFailureAnswered(static_cast<UINT>(wParam));
        return 0;
    } else if (uMsg == WM_CLOSE) {
        if (m_confirmation) {
            m_confirmation->Close(CMsgBoxDlg::kOk);
            return 0;
        }
        m_packageBesideCheck.Cancel();
        m_packageWatch.Cancel();
        if (m_updater) {
            m_updater->Stop();
            m_updater.reset();
        }
    }
    return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}
