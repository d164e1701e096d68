#pragma once
// The update module: fetches the manifest (primary endpoint, then the fallback), keeps it
// as "zvinstall.ini", downloads the package it names into a folder, checks its digests, puts
// it in place as "zvinstaller.exe" and checks its signer, reporting everything to an
// IGameEventListener through a hidden helper window. UI thread only.
#include <windows.h>

#include <string>
#include <vector>

#include "Http/HttpCommand.h"
#include "Http/HttpDownloadFile.h"
#include "Runtime/ProtoValue.h"
#include "Runtime/ScopedHandle.h"
#include "Updater/IGameEventListener.h"
#include "Updater/PackageCheck.h"

class Updater {
public:
    static constexpr UINT kManifestResultMessage = WM_USER + 1000;
    static constexpr UINT kProgressMessage = WM_USER + 1001;
    static constexpr UINT kPackageResultMessage = WM_USER + 1002;
    // The downloaded package does not match the digest its manifest names.
    static constexpr int kErrorDigestMismatch = 2008;
    // A manifest body that names no package (a captive portal's page, say): a failed fetch.
    static constexpr int kErrorNoPackageUrl = 2009;
    // The downloaded package is not signed, or not by a pinned signer; it has been deleted.
    static constexpr int kErrorUntrustedPackage = 2010;

    // The endpoints, signer pins and server CAs are the ones the installer was built with; tests
    // name their own.
    Updater(const std::wstring& folder, int firstOption, IGameEventListener* listener, int secondOption);
    Updater(const std::wstring& folder,
            IGameEventListener* listener,
            std::vector<std::wstring> endpoints,
            std::vector<std::string> signerPins = {},
            std::string serverCa = std::string(),
            UnsignedPackages withoutPins = UnsignedPackages::kRefused);
    ~Updater();
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    bool Start();
    void Stop();
    // After both endpoints failed: fetches the manifest again, primary then fallback.
    void RetryManifest();
    // Submits the same package download again (the owner's retry); false while it is busy.
    bool ResubmitDownload();

    HWND HelperWindow() const { return m_helperWindow; }
    const std::wstring& PackagePath() const { return m_packagePath; }
    std::wstring PartialPath() const { return m_packagePath + L".yw"; }
    bool IsDownloadBusy() const { return m_download.IsRunning(); }
    // After a (0, 0) download result: the package, held open with writing and deleting denied.
    // Keep it until the package's process has started.
    CScopedHandle TakeVerifiedPackage() { return std::move(m_verifiedPackage); }

private:
    friend struct UpdaterTestPeer;
    static LRESULT CALLBACK HelperProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static void OnManifestDone(void* user, const std::string& body, int errorType, int errorCode);
    static void OnDownloadProgress(void* user, uint64_t total, uint64_t done, uint32_t speed);
    static void OnDownloadDone(void* user, int errorType, int errorCode);
    static Updater* FromWindow(HWND hwnd);

    void CreateHelperWindow();
    void DestroyHelperWindow();
    void FetchManifest();
    void PostToHelper(UINT message, WPARAM wparam, LPARAM lparam);
    void HandleManifestResult(int errorType, int errorCode);
    void HandleProgress();
    void HandlePackageResult(int errorType, int errorCode);
    void StartPackageDownload();
    bool SubmitDownload();
    // Puts the finished partial file in place; the failure pair when it cannot.
    HttpResult InstallPartialFile();
    // After a failed attempt the next one goes to the next package URL, round-robin.
    void MoveToNextMirror();
    void HandlePackageChecked(const TrustResult& result, CScopedHandle package);

    std::wstring m_responseText;
    ProtoValue m_progress;
    HWND m_helperWindow = nullptr;
    std::vector<std::wstring> m_endpoints;
    size_t m_nextEndpoint = 0;
    CHttpCommand m_manifest;
    CHttpDownloadFile m_download;
    bool m_running = false;
    std::wstring m_folder;
    std::wstring m_helperClass;
    IGameEventListener* m_listener;
    std::vector<std::wstring> m_packageUrls;  // "Url", then its mirrors
    size_t m_packageUrlIndex = 0;
    std::wstring m_packageMd5;
    std::wstring m_packageSha256;
    std::wstring m_packageSize;
    std::wstring m_packagePath;
    std::vector<std::string> m_signerPins;
    UnsignedPackages m_withoutPins;
    CPackageCheck m_packageCheck;
    CScopedHandle m_verifiedPackage;
    // For the run log: when the manifest request began, when the download attempt began and what
    // the partial file held then.
    DWORD m_manifestStartTick = 0;
    DWORD m_attemptStartTick = 0;
    uint64_t m_attemptStartBytes = 0;
};
